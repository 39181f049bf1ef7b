#include "adapter_com.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "bstr_holder.h"
#include "com_ids.h"
#include "hresult_result.h"
#include "nsCOMPtr.h"
#include "nsXPCOM.h"
#include "ole_variants.h"
#include "variant_list.h"
#include "variant_tvariant.h"

using com_addin::BstrHolder;

namespace {

const wchar_t* wide(const char16_t* text) {
    return text != nullptr ? reinterpret_cast<const wchar_t*>(text) : L"";
}

// A copy of `length` units for the page, allocated with the XPCOM allocator.
char16_t* xpcom_copy(const wchar_t* text, size_t length) {
    char16_t* copy = static_cast<char16_t*>(NS_Alloc((length + 1) * sizeof(char16_t)));
    if (copy == nullptr) return nullptr;
    if (length > 0) std::memcpy(copy, text, length * sizeof(char16_t));
    copy[length] = 0;
    return copy;
}

nsCOMPtr<nsIWritableVariant> new_variant() {
    nsCOMPtr<nsIWritableVariant> variant;
    if (!createJSVariant(getter_AddRefs(variant))) variant = nullptr;
    return variant;
}

// A new variant holding `value` for the page; null when none can be made.
nsIVariant* page_value(const VARIANT& value) {
    nsCOMPtr<nsIWritableVariant> variant = new_variant();
    if (!variant) return nullptr;
    variant_to_nsvariant(&value, variant.get());
    return variant.forget().take();
}

// Gives up an argument array with everything in it. SafeArrayDestroy alone would leave the
// arrays nested in it (the VT_ARRAY-alone form that the conversion makes, which the platform's
// clearing refuses).
void destroy_arguments(SAFEARRAY* array) {
    if (array == nullptr) return;
    VARIANT holder;
    VariantInit(&holder);
    holder.vt = VT_ARRAY;
    holder.parray = array;
    ole_value_clear(&holder);
}

long element_count(SAFEARRAY* array) {
    LONG lower = 0;
    LONG upper = -1;
    if (array == nullptr || SafeArrayGetDim(array) != 1 ||
        FAILED(SafeArrayGetLBound(array, 1, &lower)) ||
        FAILED(SafeArrayGetUBound(array, 1, &upper))) {
        return 0;
    }
    return upper - lower + 1;
}

}  // namespace

AdapterCOM::AdapterCOM()
    : m_connection(*static_cast<IComponentDef*>(this), &m_addIn),
      m_addIn(static_cast<com_addin::AddInConnection::Owner*>(this),
              static_cast<com_addin::AddInConnection::FinishListener*>(this)) {}

// The CoUninitialize still owed, then the add-in's references (without Done). The site is
// not ours.
AdapterCOM::~AdapterCOM() {
    m_connection.cutListener();
    m_addIn.releaseExtender();
    m_addIn.releaseObject();
    uninitializeCom();
}

// ---- nsISupports

NS_IMETHODIMP AdapterCOM::QueryInterface(REFNSIID aIID, void** aInstancePtr) {
    if (aInstancePtr == nullptr) return NS_ERROR_NULL_POINTER;
    void* found = nullptr;
    if (aIID.Equals(NS_GET_IID(IComponentDef)) || aIID.Equals(NS_GET_IID(nsISupports))) {
        found = static_cast<IComponentDef*>(this);
    } else if (aIID.Equals(NS_GET_IID(IContextExt))) {
        found = static_cast<IContextExt*>(this);
    } else {
        found = m_connection.part(aIID);
    }
    *aInstancePtr = found;
    if (found == nullptr) return NS_ERROR_NO_INTERFACE;
    AddRef();
    return NS_OK;
}

NS_IMETHODIMP_(nsrefcnt) AdapterCOM::AddRef() { return ++m_refs; }

NS_IMETHODIMP_(nsrefcnt) AdapterCOM::Release() {
    const nsrefcnt left = --m_refs;
    if (left == 0) {
        m_refs = 1;  // stabilised: what the destructor releases cannot end it twice
        delete this;
    }
    return left;
}

// ---- IComponentDef

NS_IMETHODIMP_(bool) AdapterCOM::Initialize(IInnerListener* listener) {
    m_connection.setListener(listener);
    return true;
}

NS_IMETHODIMP_(int32_t) AdapterCOM::GetInfo() {
    return static_cast<int32_t>(m_addIn.readVersion().version);
}

NS_IMETHODIMP_(void) AdapterCOM::RegisterExtensionAs(nsAString& extensionName) {
    if (m_addIn.extender() == nullptr) return;
    com_addin::AddInConnection::CallScope scope(m_addIn);
    BSTR name = nullptr;
    m_addIn.extender()->RegisterExtensionAs(&name);
    extensionName.Assign(name != nullptr ? reinterpret_cast<const char16_t*>(name) : u"",
                         name != nullptr ? SysStringLen(name) : 0);
    SysFreeString(name);
}

NS_IMETHODIMP_(bool) AdapterCOM::IsComponentLoaded() { return m_addIn.loaded(); }

NS_IMETHODIMP_(bool) AdapterCOM::Connect(const char16_t* className, const char16_t*) {
    const com_addin::ConnectOutcome outcome =
        m_addIn.connect(wide(className), m_connection.dispatch());
    if (SUCCEEDED(outcome.coInitialize)) ++m_comInitializations;
    if (FAILED(outcome.created)) return false;
    return SUCCEEDED(outcome.initQuery);
}

// Asked for from a callback that the add-in makes inside one of its methods, the
// disconnection (and the CoUninitialize after it) runs when that method has returned. The site
// may go as soon as this returns (it disconnects at its end) while the add-in keeps the
// connection, or a thread of its own, beyond Done: the listener is cut here, so nothing the
// add-in sends afterwards reaches the site.
NS_IMETHODIMP_(void) AdapterCOM::Disconnect() {
    m_addIn.disconnect();
    m_connection.cutListener();
}

bool AdapterCOM::endLater() { return askLater(static_cast<IComponentDef*>(this)); }

void AdapterCOM::runLater() { m_addIn.disconnectIfPending(); }

void AdapterCOM::uninitializeCom() {
    for (; m_comInitializations > 0; --m_comInitializations) CoUninitialize();
}

// Nothing in the component shows property pages: the object is asked for them, and the
// answer given back at once.
NS_IMETHODIMP_(void) AdapterCOM::GetPropPage(void*) {
    if (m_addIn.object() == nullptr) return;
    ISpecifyPropertyPages* pages = nullptr;
    if (SUCCEEDED(CoCreateInstance(m_addIn.clsid(), nullptr, 0x17, IID_ISpecifyPropertyPages,
                                   reinterpret_cast<void**>(&pages))) &&
        pages != nullptr) {
        pages->Release();
    }
}

NS_IMETHODIMP_(nsID) AdapterCOM::GetCLSID() {
    nsID none;
    std::memset(&none, 0, sizeof none);
    return none;
}

NS_IMETHODIMP_(void) AdapterCOM::SetLocale(const char16_t* locale) {
    m_addIn.setLocale(wide(locale));
}

// ---- reflection: the add-in's, on a connected adapter

// `extender` for the rest of the operation, which counts as a call into the add-in: a
// disconnection asked for meanwhile waits for its end.
#define VELMOR_NEED_EXTENDER(failure)                                      \
    com_addin::AddInConnection::CallScope scope(m_addIn);                 \
    com_addin::ILanguageExtenderCom* const extender = m_addIn.extender(); \
    if (extender == nullptr) return failure

NS_IMETHODIMP AdapterCOM::GetNProps(int32_t* _retval) {
    if (_retval == nullptr) return NS_ERROR_NULL_POINTER;
    VELMOR_NEED_EXTENDER(NS_ERROR_NOT_INITIALIZED);
    long count = 0;
    extender->GetNProps(&count);
    *_retval = static_cast<int32_t>(count);
    return NS_OK;
}

NS_IMETHODIMP AdapterCOM::GetPropName(int32_t propPos, int32_t alias, char16_t** _retval) {
    if (_retval == nullptr) return NS_ERROR_NULL_POINTER;
    VELMOR_NEED_EXTENDER(NS_ERROR_NOT_INITIALIZED);
    BSTR name = nullptr;
    if (SUCCEEDED(extender->GetPropName(propPos, alias, &name)) && name != nullptr) {
        *_retval = xpcom_copy(name, SysStringLen(name));
    }
    SysFreeString(name);
    return NS_OK;
}

NS_IMETHODIMP AdapterCOM::IsPropReadable(int32_t propPos, bool* _retval) {
    if (_retval == nullptr) return NS_ERROR_NULL_POINTER;
    VELMOR_NEED_EXTENDER(NS_ERROR_NOT_INITIALIZED);
    BOOL readable = FALSE;
    const HRESULT hr = extender->IsPropReadable(propPos, &readable);
    *_retval = readable != FALSE;
    return hresult_to_nsresult(hr);
}

NS_IMETHODIMP AdapterCOM::IsPropWritable(int32_t propPos, bool* _retval) {
    if (_retval == nullptr) return NS_ERROR_NULL_POINTER;
    VELMOR_NEED_EXTENDER(NS_ERROR_NOT_INITIALIZED);
    BOOL writable = FALSE;
    const HRESULT hr = extender->IsPropWritable(propPos, &writable);
    *_retval = writable != FALSE;
    return hresult_to_nsresult(hr);
}

// An add-in that fails without naming an index reports no member (-1).
NS_IMETHODIMP_(int32_t) AdapterCOM::FindProp(const char16_t* pszPropName) {
    VELMOR_NEED_EXTENDER(-1);
    BstrHolder name(wide(pszPropName));
    long index = -1;
    extender->FindProp(name.get(), &index);
    return static_cast<int32_t>(index);
}

NS_IMETHODIMP AdapterCOM::GetNMethods(int32_t* _retval) {
    if (_retval == nullptr) return NS_ERROR_NULL_POINTER;
    VELMOR_NEED_EXTENDER(NS_ERROR_NOT_INITIALIZED);
    long count = 0;
    const HRESULT hr = extender->GetNMethods(&count);
    *_retval = static_cast<int32_t>(count);
    return hresult_to_nsresult(hr);
}

NS_IMETHODIMP AdapterCOM::GetMethodName(int32_t nMethodPos, int32_t alias,
                                        char16_t** _retval) {
    if (_retval == nullptr) return NS_ERROR_NULL_POINTER;
    VELMOR_NEED_EXTENDER(NS_ERROR_NOT_INITIALIZED);
    BSTR name = nullptr;
    const HRESULT hr = extender->GetMethodName(nMethodPos, alias, &name);
    const bool named = SUCCEEDED(hr) && name != nullptr;
    *_retval = xpcom_copy(named ? name : L"", named ? SysStringLen(name) : 0);
    SysFreeString(name);
    return NS_OK;
}

NS_IMETHODIMP AdapterCOM::GetNParams(int32_t nMethodPos, int32_t* _retval) {
    if (_retval == nullptr) return NS_ERROR_NULL_POINTER;
    *_retval = -1;
    VELMOR_NEED_EXTENDER(NS_ERROR_NOT_INITIALIZED);
    long count = -1;
    extender->GetNParams(nMethodPos, &count);
    *_retval = static_cast<int32_t>(count);
    return NS_OK;
}

NS_IMETHODIMP_(bool) AdapterCOM::IsParamIn(int32_t, int32_t) { return true; }
NS_IMETHODIMP_(bool) AdapterCOM::IsParamOut(int32_t, int32_t) { return false; }

NS_IMETHODIMP_(bool) AdapterCOM::GetParamDefValue(int32_t nMethodPos, int32_t nParamPos,
                                                  nsIVariant** pDefVal) {
    if (pDefVal == nullptr) return false;
    *pDefVal = nullptr;
    VELMOR_NEED_EXTENDER(false);
    nsCOMPtr<nsIWritableVariant> variant = new_variant();
    if (!variant) return false;
    VARIANT value;
    VariantInit(&value);
    extender->GetParamDefValue(nMethodPos, nParamPos, &value);
    variant_to_nsvariant(&value, variant.get());
    const bool given = value.vt != VT_EMPTY;
    ole_value_clear(&value);
    *pDefVal = variant.forget().take();
    return given;
}

NS_IMETHODIMP_(bool) AdapterCOM::HasRetVal(int32_t nMethodPos) {
    VELMOR_NEED_EXTENDER(false);
    BOOL has = FALSE;
    extender->HasRetVal(nMethodPos, &has);
    return has != FALSE;
}

NS_IMETHODIMP_(int32_t) AdapterCOM::FindMethod(const char16_t* pszMethodName) {
    VELMOR_NEED_EXTENDER(-1);
    BstrHolder name(wide(pszMethodName));
    long index = -1;
    extender->FindMethod(name.get(), &index);
    return static_cast<int32_t>(index);
}

NS_IMETHODIMP_(nsIVariant*) AdapterCOM::GetIContextDef() { return nullptr; }

// ---- values

NS_IMETHODIMP AdapterCOM::GetPropVal(int32_t propPos, nsIVariant** value, bool* _retval) {
    if (_retval == nullptr) return NS_ERROR_NULL_POINTER;
    *_retval = false;
    VELMOR_NEED_EXTENDER(NS_ERROR_NOT_INITIALIZED);
    BOOL readable = FALSE;
    if (FAILED(extender->IsPropReadable(propPos, &readable))) return NS_OK;
    VARIANT read;
    VariantInit(&read);
    *_retval = readable == FALSE || extender->GetPropVal(propPos, &read) == S_OK;
    if (*_retval && value != nullptr) *value = page_value(read);
    ole_value_clear(&read);
    return NS_OK;
}

NS_IMETHODIMP AdapterCOM::SetPropVal(int32_t nPropPos, nsIVariant* value, bool* _retval) {
    if (_retval == nullptr) return NS_ERROR_NULL_POINTER;
    *_retval = false;
    VELMOR_NEED_EXTENDER(NS_ERROR_NOT_INITIALIZED);
    VARIANT written;
    VariantInit(&written);
    if (value != nullptr) nsvariant_to_variant(value, &written, nullptr);
    BOOL writable = FALSE;
    if (SUCCEEDED(extender->IsPropWritable(nPropPos, &writable))) {
        *_retval = writable == FALSE || extender->SetPropVal(nPropPos, &written) == S_OK;
    }
    ole_value_clear(&written);
    return NS_OK;
}

// ---- calls

// The page's values as the add-in's argument array. Parameters the page did not give stay
// empty in a list it gave; without a list they take the add-in's defaults. A single value
// counts as a list of that one value.
AdapterCOM::CallArguments AdapterCOM::argumentsFor(com_addin::ILanguageExtenderCom* extender,
                                                    long method, long paramCount,
                                                    nsIVariant* params) {
    CallArguments args;
    VARIANT given;
    VariantInit(&given);
    int count = static_cast<int>(std::max(paramCount, 0L));
    if (params == nullptr || FAILED(nsvariant_to_variant(params, &given, &count))) {
        ole_value_clear(&given);
        count = 0;
    }
    args.given = count;
    if (given.vt == VT_ARRAY) {
        args.array = given.parray;  // taken over
        return args;
    }
    const long size = std::max(paramCount, given.vt == VT_EMPTY ? 0L : 1L);
    if (size > 0) args.array = com_addin::create_variant_list(size);
    if (args.array != nullptr) {
        LONG i = 0;
        if (given.vt != VT_EMPTY) SafeArrayPutElement(args.array, &i, &given);
        for (i = std::max(count, given.vt == VT_EMPTY ? 0 : 1); i < paramCount; ++i) {
            VARIANT fallback;
            VariantInit(&fallback);
            extender->GetParamDefValue(method, i, &fallback);
            SafeArrayPutElement(args.array, &i, &fallback);
            ole_value_clear(&fallback);
        }
    }
    ole_value_clear(&given);
    return args;
}

HRESULT AdapterCOM::callMethod(com_addin::ILanguageExtenderCom* extender, const char16_t* name,
                               nsIVariant* params, nsIVariant** result, CallArguments& args,
                               bool readsBack) {
    BstrHolder methodName(wide(name));
    long method = -1;
    extender->FindMethod(methodName.get(), &method);
    if (method < 0) return E_INVALIDARG;  // no such method: nothing to call
    BOOL hasValue = FALSE;
    extender->HasRetVal(method, &hasValue);
    long paramCount = 0;
    extender->GetNParams(method, &paramCount);
    // A count beyond what an array can hold fails the call before anything is written.
    if (!com_addin::variant_list_fits(std::max(paramCount, 0L))) return E_OUTOFMEMORY;
    args = argumentsFor(extender, method, paramCount, params);

    VARIANT returned;
    VariantInit(&returned);
    HRESULT hr = hasValue != FALSE ? extender->CallAsFunc(method, &returned, &args.array)
                                   : extender->CallAsProc(method, &args.array);
    // What the add-in left in place of the list is read only when it is a list of VARIANTs;
    // anything else fails a call that hands the list back, before anything is written.
    if (SUCCEEDED(hr) && readsBack && args.array != nullptr &&
        !com_addin::is_variant_list(args.array)) {
        hr = E_INVALIDARG;
    }
    if (SUCCEEDED(hr) && result != nullptr) *result = page_value(returned);
    ole_value_clear(&returned);
    return hr;
}

NS_IMETHODIMP AdapterCOM::Call(const char16_t* name, nsIVariant* params, nsIVariant** _retval) {
    VELMOR_NEED_EXTENDER(NS_ERROR_NOT_INITIALIZED);
    CallArguments args;
    const HRESULT hr = callMethod(extender, name, params, _retval, args, false);
    destroy_arguments(args.array);
    return hr == S_OK ? NS_OK : NS_ERROR_FAILURE;
}

// The page also gets back the values it gave, as the add-in left them.
NS_IMETHODIMP AdapterCOM::CallExt(const char16_t* name, nsIVariant* params,
                                  nsIVariant** retParams, nsIVariant** _retval) {
    VELMOR_NEED_EXTENDER(NS_ERROR_NOT_INITIALIZED);
    CallArguments args;
    const HRESULT hr = callMethod(extender, name, params, _retval, args, true);
    nsCOMPtr<nsIWritableVariant> list;
    if (args.given > 0 && com_addin::is_variant_list(args.array) && retParams != nullptr) {
        list = new_variant();
    }
    if (list) {
        // The add-in may have put a shorter array in place of ours.
        const long count = std::min<long>(args.given, element_count(args.array));
        std::vector<nsIVariant*> values;
        for (LONG i = 0; i < count; ++i) {
            VARIANT element;
            VariantInit(&element);
            SafeArrayGetElement(args.array, &i, &element);
            nsIVariant* value = page_value(element);
            ole_value_clear(&element);
            if (value != nullptr) values.push_back(value);
        }
        list->SetAsArray(nsIDataType::VTYPE_INTERFACE_IS, &NS_GET_IID(nsIVariant),
                         static_cast<uint32_t>(values.size()), values.data());
        for (nsIVariant* value : values) value->Release();
        *retParams = list.forget().take();
    }
    destroy_arguments(args.array);
    return hr == S_OK ? NS_OK : NS_ERROR_FAILURE;
}

#undef VELMOR_NEED_EXTENDER
