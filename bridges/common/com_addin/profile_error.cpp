#include "profile_error.h"

#include "bstr_holder.h"

namespace com_addin {

HRESULT report_profile_error(IErrorLog* log, LPCOLESTR name, const wchar_t* description,
                             long scode) {
    if (log == nullptr) return S_FALSE;
    BstrHolder source(L"Velmor");
    BstrHolder text(description != nullptr ? description : L"");
    EXCEPINFO info = {};
    info.bstrSource = source.get();
    info.bstrDescription = text.get();
    info.scode = scode;
    // The log copies what it keeps: both strings are ours and freed here.
    return log->AddError(name, &info);
}

}  // namespace com_addin
