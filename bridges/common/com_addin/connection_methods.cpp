#include "connection_methods.h"

#include <vector>

#include "com_boundary.h"

namespace com_addin {

namespace {

constexpr VARTYPE kVariantRef = VT_VARIANT | VT_BYREF;
constexpr VARTYPE kLongRef = VT_I4 | VT_BYREF;

enum RowId : DISPID {
    eAppDispatch = 1,
    eRegisterProfileAs,
    eRead,
    eWrite,
    eAddError,
    eSetEventBufferDepth,
    eGetEventBufferDepth,
    eCleanEventBuffer,
    eExternalEvent,
    eSetStatusLine,
    eResetStatusLine,
    eGetAppMainFrame,
    eGetAppMDIFrame,
    eCreateAddInWindow,
    eCall,
    eGetPropVal,
    eSetPropVal,
};

}  // namespace

const ConnectionMethod kConnectionMethods[] = {
    {eAppDispatch, L"AppDispatch", false, 0, {}},
    {eRegisterProfileAs, L"RegisterProfileAs", true, 1, {VT_BSTR}},
    {eRead, L"Read", true, 3, {VT_BSTR, kVariantRef, VT_UNKNOWN}},
    {eWrite, L"Write", true, 2, {VT_BSTR, VT_VARIANT}},
    {eAddError, L"AddError", true, 4, {VT_I2, VT_BSTR, VT_BSTR, VT_I4}},
    {eSetEventBufferDepth, L"SetEventBufferDepth", true, 1, {VT_I4}},
    {eGetEventBufferDepth, L"GetEventBufferDepth", true, 1, {kLongRef}},
    {eCleanEventBuffer, L"CleanEventBuffer", true, 0, {}},
    {eExternalEvent, L"ExternalEvent", true, 3, {VT_BSTR, VT_BSTR, VT_BSTR}},
    {eSetStatusLine, L"SetStatusLine", true, 1, {VT_BSTR}},
    {eResetStatusLine, L"ResetStatusLine", true, 0, {}},
    {eGetAppMainFrame, L"GetAppMainFrame", true, 1, {kLongRef}},
    {eGetAppMDIFrame, L"GetAppMDIFrame", true, 1, {kLongRef}},
    {eCreateAddInWindow, L"CreateAddInWindow", true, 0, {}},
    {eCall, L"call", true, 2, {VT_BSTR, kVariantRef}},
    {eGetPropVal, L"getPropVal", true, 2, {VT_BSTR, VT_EMPTY}},
    {eSetPropVal, L"setPropVal", true, 2, {VT_BSTR, VT_VARIANT}},
    {-1, nullptr, false, 0, {}},
};

HRESULT ConnectionOperations::appDispatch(WORD, VARIANT*) { return DISP_E_MEMBERNOTFOUND; }

namespace {

wchar_t ascii_lower(wchar_t c) { return c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c; }

bool same_name(const wchar_t* a, const wchar_t* b) {
    for (; *a != 0 && *b != 0; ++a, ++b) {
        if (ascii_lower(*a) != ascii_lower(*b)) return false;
    }
    return *a == *b;
}

const ConnectionMethod* find_row(DISPID id) {
    for (const ConnectionMethod* row = kConnectionMethods; row->id != -1; ++row) {
        if (row->id == id) return row;
    }
    return nullptr;
}

// The row's arguments in declaration order; each element is cleared on destruction.
class Arguments {
public:
    explicit Arguments(int count) : m_values(static_cast<size_t>(count)) {
        for (VARIANT& v : m_values) VariantInit(&v);
    }
    ~Arguments() {
        for (VARIANT& v : m_values) VariantClear(&v);
    }
    Arguments(const Arguments&) = delete;
    Arguments& operator=(const Arguments&) = delete;

    VARIANT* at(size_t i) { return &m_values[i]; }
    // The string an operation reads; a parameter that is not a string reads as a null one.
    BSTR text(size_t i) {
        const VARIANT& v = m_values[i];
        if (v.vt == VT_BSTR) return v.bstrVal;
        if (v.vt == (VT_BSTR | VT_BYREF) && v.pbstrVal != nullptr) return *v.pbstrVal;
        return nullptr;
    }
    long integer(size_t i) {
        const VARIANT& v = m_values[i];
        if (v.vt == VT_I4) return v.lVal;
        if (v.vt == VT_I2) return v.iVal;
        return 0;
    }

private:
    std::vector<VARIANT> m_values;
};

bool converts_in_place(VARTYPE type) { return type == VT_I2 || type == VT_I4 || type == VT_EMPTY; }

// The caller's arguments arrive last first; missing ones stay VT_EMPTY.
HRESULT take_arguments(const ConnectionMethod& row, const DISPPARAMS* params, Arguments& args,
                       UINT* argError) {
    const UINT given = params != nullptr && params->rgvarg != nullptr ? params->cArgs : 0;
    for (int i = 0; i < row.paramCount; ++i) {
        const UINT position = static_cast<UINT>(i);
        if (position >= given) break;
        VARIANT* source = &params->rgvarg[given - 1 - position];
        const VARTYPE type = row.paramTypes[i];
        const HRESULT hr = converts_in_place(type) ? VariantChangeType(args.at(position), source,
                                                                       0, type)
                                                   : VariantCopy(args.at(position), source);
        if (FAILED(hr)) {
            if (argError != nullptr) *argError = position;
            return DISP_E_TYPEMISMATCH;
        }
    }
    return S_OK;
}

// The caller's VARIANT behind a by-reference argument, so that replaced parameters reach it.
VARIANT* unwrapped(VARIANT* v) {
    if (v->vt == (VT_VARIANT | VT_BYREF) && v->pvarVal != nullptr) return v->pvarVal;
    return v;
}

// The call's result VARIANT, or a scratch one when the caller gave none.
class ResultSlot {
public:
    explicit ResultSlot(VARIANT* result) : m_result(result) { VariantInit(&m_scratch); }
    ~ResultSlot() { VariantClear(&m_scratch); }
    ResultSlot(const ResultSlot&) = delete;
    ResultSlot& operator=(const ResultSlot&) = delete;
    VARIANT* get() { return m_result != nullptr ? m_result : &m_scratch; }

private:
    VARIANT* m_result;
    VARIANT m_scratch;
};

HRESULT perform(ConnectionOperations& ops, DISPID id, Arguments& args, VARIANT* result) {
    ResultSlot out(result);
    switch (id) {
        case eRegisterProfileAs:
            return ops.profile()->RegisterProfileAs(args.text(0));
        case eRead:
            return ops.profile()->Read(args.text(0), out.get(), nullptr);
        case eWrite:
            return ops.profile()->Write(args.text(0), args.at(1));
        case eAddError:
            return ops.reportError(static_cast<unsigned short>(args.integer(0)), args.text(1),
                                   args.text(2), args.integer(3));
        case eSetEventBufferDepth:
            return ops.asyncEvent()->SetEventBufferDepth(args.integer(0));
        case eGetEventBufferDepth: {
            long depth = 0;
            const HRESULT hr = ops.asyncEvent()->GetEventBufferDepth(&depth);
            VARIANT* target = args.at(0);
            if (target->vt == (VT_I4 | VT_BYREF) && target->plVal != nullptr) {
                *target->plVal = depth;
            }
            return hr;
        }
        case eCleanEventBuffer:
            return ops.asyncEvent()->CleanEventBuffer();
        case eExternalEvent:
            return ops.asyncEvent()->ExternalEvent(args.text(0), args.text(1), args.text(2));
        case eSetStatusLine:
            return ops.statusLine()->SetStatusLine(args.text(0));
        case eResetStatusLine:
            return ops.statusLine()->ResetStatusLine();
        case eCall:
            return ops.context()->call(args.text(0), unwrapped(args.at(1)), out.get());
        case eGetPropVal:
            return ops.context()->getPropVal(args.text(0), out.get());
        case eSetPropVal:
            return ops.context()->setPropVal(args.text(0), args.at(1));
        default:
            return E_INVALIDARG;
    }
}

}  // namespace

HRESULT connection_ids_of_names(LPOLESTR* names, UINT count, DISPID* ids) {
    if (count > 0 && (names == nullptr || ids == nullptr)) return E_INVALIDARG;
    HRESULT result = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        for (const ConnectionMethod* row = kConnectionMethods; row->name != nullptr; ++row) {
            if (names[i] != nullptr && same_name(names[i], row->name)) {
                ids[i] = row->id;
                break;
            }
        }
        if (ids[i] == DISPID_UNKNOWN) result = DISP_E_UNKNOWNNAME;
    }
    return result;
}

HRESULT connection_invoke(ConnectionOperations& operations, DISPID id, WORD flags,
                          DISPPARAMS* params, VARIANT* result, UINT* argError) {
    const ConnectionMethod* row = find_row(id);
    if (row == nullptr) return DISP_E_MEMBERNOTFOUND;
    if (!row->method) return operations.appDispatch(flags, result);
    if ((flags & DISPATCH_METHOD) == 0) return DISP_E_MEMBERNOTFOUND;
    if (params != nullptr && params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    // The window operations are not offered: they read no argument.
    if (id == eGetAppMainFrame || id == eGetAppMDIFrame || id == eCreateAddInWindow) {
        return E_NOTIMPL;
    }
    return guarded([&] {
        Arguments args(row->paramCount);
        const HRESULT taken = take_arguments(*row, params, args, argError);
        if (FAILED(taken)) return taken;
        return perform(operations, id, args, result);
    });
}

}  // namespace com_addin
