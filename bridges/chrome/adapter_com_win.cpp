// The COM adapter as a COM object and as the site's adapter (IAdapterContext). The add-in's
// calls into it are in adapter_com_callbacks_win.cpp.
#include "adapter_com_win.h"

#include <oleauto.h>

#include <cwchar>
#include <string>

#include "bstr_holder.h"
#include "com_addins.h"
#include "host_exceptions.h"
#include "utils.h"
#include "variant_list.h"

const IID IID_IAdapterCOM = {0x42750485, 0x0A79, 0x4DD1,
                             {0xB7, 0xE8, 0x23, 0x81, 0x42, 0x89, 0xA3, 0x72}};

std::atomic<long> AdapterCOM::s_liveObjects{0};

namespace {

std::wstring wide(const UnicodeString& text) {
    return std::wstring(reinterpret_cast<const wchar_t*>(text.data()), text.size());
}

// A VARIANT cleared at the end of the scope.
class Variant {
public:
    Variant() { ::VariantInit(&m_value); }
    ~Variant() { ::VariantClear(&m_value); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    VARIANT* get() { return &m_value; }

private:
    VARIANT m_value;
};

// The argument array of a call, destroyed at the end of the scope; the add-in may replace it
// through its address. A count that no array can hold fails the call, as no memory does.
class ArgumentArray {
public:
    explicit ArgumentArray(long count) : m_array(com_addin::create_variant_list(count)) {
        if (m_array == nullptr) throw lib_exception(false);
    }
    ~ArgumentArray() {
        if (m_array != nullptr) ::SafeArrayDestroy(m_array);
    }
    ArgumentArray(const ArgumentArray&) = delete;
    ArgumentArray& operator=(const ArgumentArray&) = delete;
    SAFEARRAY* get() const { return m_array; }
    SAFEARRAY** address() { return &m_array; }
    void put(long i, VARIANT* value) {
        LONG index = i;
        ::SafeArrayPutElement(m_array, &index, value);
    }

private:
    SAFEARRAY* m_array;
};

// A negative HRESULT of the add-in is a failure that the page hears nothing of.
void check(HRESULT hr) {
    if (FAILED(hr)) throw lib_exception(false);
}

// Copies a BSTR that the add-in handed over up to its terminating zero, then frees it.
void take_name(BSTR name, UnicodeString& into) {
    into.clear();
    if (name != nullptr) {
        into.assign(reinterpret_cast<const UnicodeChar*>(name), std::wcslen(name));
    }
    ::SysFreeString(name);
}

}  // namespace

AdapterCOM::AdapterCOM() : m_refs(1) { ++s_liveObjects; }

AdapterCOM::~AdapterCOM() { --s_liveObjects; }

STDMETHODIMP AdapterCOM::QueryInterface(REFIID iid, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, IID_IAdapterCOM)) {
        *out = static_cast<IAdapterCOM*>(this);
    } else if (IsEqualIID(iid, com_addin::IID_IAsyncEvent)) {
        *out = static_cast<com_addin::IAsyncEvent*>(this);
    } else if (IsEqualIID(iid, com_addin::IID_IStatusLine)) {
        *out = static_cast<com_addin::IStatusLine*>(this);
    } else if (IsEqualIID(iid, com_addin::IID_IPropertyProfile)) {
        *out = static_cast<com_addin::IPropertyProfile*>(this);
    } else if (IsEqualIID(iid, com_addin::IID_IContext)) {
        *out = static_cast<com_addin::IContext*>(this);
    } else if (IsEqualIID(iid, IID_IErrorLog)) {
        *out = static_cast<IErrorLog*>(this);
    } else if (IsEqualIID(iid, com_addin::IID_IExtWndsSupport)) {
        *out = static_cast<com_addin::IExtWndsSupport*>(this);
    } else if (IsEqualIID(iid, com_addin::IID_IMsgBox)) {
        *out = static_cast<com_addin::IMsgBox*>(this);
    } else if (IsEqualIID(iid, com_addin::IID_IPlatformInfo)) {
        *out = static_cast<com_addin::IPlatformInfo*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) AdapterCOM::AddRef() { return ++m_refs; }

STDMETHODIMP_(ULONG) AdapterCOM::Release() {
    const ULONG left = --m_refs;
    if (left == 0) delete this;
    return left;
}

void AdapterCOM::initialize(const AddInSite* site) { m_site.set(const_cast<AddInSite*>(site)); }

void AdapterCOM::connect(const UnicodeString& wsClass, const UnicodeString& /*wsLib*/) {
    const com_addin::ConnectOutcome outcome = m_addIn.connect(wide(wsClass), connectionDispatch());
    if (FAILED(outcome.created)) throw invalid_args();
    check(outcome.init);
}

bool AdapterCOM::isComponentLoaded() { return m_addIn.loaded(); }

void AdapterCOM::setLocale(const UnicodeString& loc) {
    if (m_addIn.object() == nullptr) throw lib_exception(false);
    const HRESULT hr = m_addIn.setLocale(wide(loc).c_str());
    if (hr == E_NOINTERFACE) return;  // an object without ILocaleCom gets no locale
    check(hr);
}

// An object without IInitDoneCom has no version to give: 0, as for an empty element 0.
long AdapterCOM::getInfo() { return m_addIn.readVersion().version; }

void AdapterCOM::registerExtensionAs(UnicodeString& wsExt) {
    const com_addin::AddInConnection::CallScope scope(m_addIn);
    com_addin::ILanguageExtenderCom* ext = m_addIn.extender();
    if (ext == nullptr) return;
    BSTR name = nullptr;
    const HRESULT hr = ext->RegisterExtensionAs(&name);
    if (FAILED(hr)) {
        ::SysFreeString(name);
        throw lib_exception(false);
    }
    const UINT units = name != nullptr ? ::SysStringLen(name) : 0;
    wsExt.assign(reinterpret_cast<const UnicodeChar*>(name), units);
    ::SysFreeString(name);
}

// A failed Done stops the disconnection: what is still held goes when the adapter ends. Asked
// for during a call into the add-in, the disconnection runs when that call has returned.
void AdapterCOM::disconnect() {
    check(m_addIn.disconnect(com_addin::AddInConnection::eKeepAfterFailedDone));
}

// The site gives its reference back. The object is disconnected first, so that the add-in
// stops its threads and gives back the references it holds on this adapter (else the two
// would keep each other alive); the site is cut off, as it is about to go, once no callback of
// another thread is still in it.
void AdapterCOM::destroy() {
    if (m_addIn.object() != nullptr) {
        try {
            disconnect();
        } catch (const lib_exception&) {
            // A failed Done: what is still held goes when the adapter ends.
        }
    }
    m_site.cut();
    Release();
}

com_addin::ILanguageExtenderCom& AdapterCOM::extender() {
    com_addin::ILanguageExtenderCom* ext = m_addIn.extender();
    if (ext == nullptr) throw lib_exception(false);
    return *ext;
}

int AdapterCOM::GetNProps() {
    const com_addin::AddInConnection::CallScope scope(m_addIn);
    long count = 0;
    check(extender().GetNProps(&count));
    return static_cast<int>(count);
}

void AdapterCOM::GetPropName(int nPropPos, int nAlias, UnicodeString& name) {
    const com_addin::AddInConnection::CallScope scope(m_addIn);
    BSTR text = nullptr;
    const HRESULT hr = extender().GetPropName(nPropPos, nAlias, &text);
    take_name(text, name);
    check(hr);
}

bool AdapterCOM::IsPropReadable(int nPropPos) {
    const com_addin::AddInConnection::CallScope scope(m_addIn);
    BOOL readable = FALSE;
    check(extender().IsPropReadable(nPropPos, &readable));
    return readable != 0;
}

bool AdapterCOM::IsPropWritable(int nPropPos) {
    const com_addin::AddInConnection::CallScope scope(m_addIn);
    BOOL writable = FALSE;
    check(extender().IsPropWritable(nPropPos, &writable));
    return writable != 0;
}

int AdapterCOM::FindProp(const UnicodeChar* pszPropName) {
    const com_addin::AddInConnection::CallScope scope(m_addIn);
    com_addin::BstrHolder name(reinterpret_cast<const wchar_t*>(pszPropName));
    long index = -1;
    check(extender().FindProp(name.get(), &index));
    return static_cast<int>(index);
}

int AdapterCOM::GetNMethods() {
    const com_addin::AddInConnection::CallScope scope(m_addIn);
    long count = 0;
    check(extender().GetNMethods(&count));
    return static_cast<int>(count);
}

void AdapterCOM::GetMethodName(int nMethodPos, int nAlias, UnicodeString& name) {
    const com_addin::AddInConnection::CallScope scope(m_addIn);
    BSTR text = nullptr;
    const HRESULT hr = extender().GetMethodName(nMethodPos, nAlias, &text);
    take_name(text, name);
    check(hr);
}

int AdapterCOM::GetNParams(int nMethodPos) {
    const com_addin::AddInConnection::CallScope scope(m_addIn);
    long count = 0;
    check(extender().GetNParams(nMethodPos, &count));
    return static_cast<int>(count);
}

bool AdapterCOM::IsParamIn(int, int) { return true; }

bool AdapterCOM::IsParamOut(int, int) { return false; }

bool AdapterCOM::GetParamDefValue(int nMethodPos, int nParamPos, CNPVariant& pDefVal) {
    const com_addin::AddInConnection::CallScope scope(m_addIn);
    Variant value;
    check(extender().GetParamDefValue(nMethodPos, nParamPos, value.get()));
    Utils::VariantToNPVariant(*value.get(), pDefVal);
    return true;
}

bool AdapterCOM::HasRetVal(int nMethodPos) {
    const com_addin::AddInConnection::CallScope scope(m_addIn);
    BOOL hasRetVal = FALSE;
    check(extender().HasRetVal(nMethodPos, &hasRetVal));
    return hasRetVal != 0;
}

int AdapterCOM::FindMethod(const UnicodeChar* pszMethodName) {
    const com_addin::AddInConnection::CallScope scope(m_addIn);
    com_addin::BstrHolder name(reinterpret_cast<const wchar_t*>(pszMethodName));
    long index = -1;
    check(extender().FindMethod(name.get(), &index));
    return static_cast<int>(index);
}

void AdapterCOM::getPropVal(const UnicodeString& name, CNPVariant& value) {
    const com_addin::AddInConnection::CallScope scope(m_addIn);
    const int index = FindProp(name.c_str());
    if (!IsPropReadable(index)) throw lib_exception("Property is not readable", false);
    Variant read;
    check(extender().GetPropVal(index, read.get()));
    Utils::VariantToNPVariant(*read.get(), value);
}

void AdapterCOM::setPropVal(const UnicodeString& name, const CNPVariant& value) {
    const com_addin::AddInConnection::CallScope scope(m_addIn);
    const int index = FindProp(name.c_str());
    if (!IsPropWritable(index)) throw lib_exception("Property is not writable", false);
    Variant written;
    Utils::NPVariantToVariant(value, *written.get());
    check(extender().SetPropVal(index, written.get()));
}

// The page's values fill the first parameters, the add-in's defaults the rest; afterwards the
// page gets back, in place, as many values as it gave, as the add-in left them.
void AdapterCOM::call(const UnicodeString& name, CNPVariant& params, CNPVariant& retval) {
    const com_addin::AddInConnection::CallScope scope(m_addIn);
    const int index = FindMethod(name.c_str());
    if (index == -1) throw lib_exception("Method not found", false);
    int n = GetNParams(index);
    if (n < 0) n = 0;

    ArgumentArray args(n);
    Json::ArrayIndex c = 0;
    if (params.isNull() || params.isArray()) {
        c = params.isArray() ? params.size() : 0;
        Utils::jsArrayToSafeArray(params, args.get());
    } else if (!params.empty() && n > 0) {
        c = 1;
        Variant first;
        Utils::NPVariantToVariant(params, *first.get());
        args.put(0, first.get());
    }
    for (long i = static_cast<long>(c); i < n; ++i) {
        Variant fallback;
        extender().GetParamDefValue(index, i, fallback.get());
        args.put(i, fallback.get());
    }

    Variant returned;
    const bool hasRetVal = HasRetVal(index);
    check(hasRetVal ? extender().CallAsFunc(index, returned.get(), args.address())
                    : extender().CallAsProc(index, args.address()));
    // What the add-in left in place of the list is read only when it is a list of VARIANTs;
    // anything else fails the call, and the page's values stay as they were.
    if (n > 0 && args.get() != nullptr && !com_addin::is_variant_list(args.get())) {
        throw lib_exception(false);
    }
    if (hasRetVal) Utils::VariantToNPVariant(*returned.get(), retval);
    if (n > 0) {
        CNPVariant left = CJSArray();
        Utils::SafeArrayTojsArray(args.get(), left);
        CNPVariant back = CJSArray();
        for (Json::ArrayIndex i = 0; i < c; ++i) back.append(i < left.size() ? left[i] : JsValue());
        params = back;
    }
}

IAdapterContext* create_com_adapter() { return new AdapterCOM(); }
