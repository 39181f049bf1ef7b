#include "host_object.h"

#include <malloc.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "scanner_line.h"

namespace velmor_test {

namespace {

enum HostMethod : DISPID {
    ePump = 1,
    ePumpUntil,
    eSend,
    ePort,
    eNow,
    eLog,
    ePrint,
    ePass,
    eFail,
    eThread,
    eWaitTick,
    ePlainScan,
    eHeapInUse,
    eArrayBytes
};

const struct {
    const wchar_t* name;
    DISPID id;
} kMethods[] = {{L"pump", ePump}, {L"pumpUntil", ePumpUntil}, {L"send", eSend},
                {L"port", ePort}, {L"now", eNow},             {L"log", eLog},
                {L"print", ePrint}, {L"pass", ePass},         {L"fail", eFail},
                {L"thread", eThread}, {L"waitTick", eWaitTick},
                {L"plainScan", ePlainScan},
                {L"heapInUse", eHeapInUse}, {L"arrayBytes", eArrayBytes}};

// The page's own 10 ms timer, running from the first waitTick on: its ticks counted.
std::atomic<unsigned> g_ticks{0};
void CALLBACK count_tick(HWND, UINT, UINT_PTR, DWORD) { ++g_ticks; }

// Argument i in the script's order.
VARIANT* argument(DISPPARAMS* params, UINT i) {
    if (params == nullptr || i >= params->cArgs) return nullptr;
    return &params->rgvarg[params->cArgs - 1 - i];
}

// The bytes of a one-dimensional array of one-byte elements (a blob, which the script cannot
// read itself), one character each; null when the value holds no such array.
BSTR array_bytes(const VARIANT* v) {
    while (v != nullptr && v->vt == (VT_BYREF | VT_VARIANT)) v = v->pvarVal;
    if (v == nullptr || (v->vt & VT_ARRAY) == 0 || v->parray == nullptr ||
        SafeArrayGetDim(v->parray) != 1 || SafeArrayGetElemsize(v->parray) != 1) {
        return nullptr;
    }
    long lower = 0, upper = -1;
    SafeArrayGetLBound(v->parray, 1, &lower);
    SafeArrayGetUBound(v->parray, 1, &upper);
    std::wstring text;
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(v->parray, &data))) return nullptr;
    for (long i = 0; i <= upper - lower; ++i) {
        text += static_cast<wchar_t>(static_cast<const unsigned char*>(data)[i]);
    }
    SafeArrayUnaccessData(v->parray);
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

std::wstring text_argument(DISPPARAMS* params, UINT i) {
    VARIANT* v = argument(params, i);
    if (v == nullptr) return std::wstring();
    VARIANT copy;
    VariantInit(&copy);
    std::wstring text;
    if (SUCCEEDED(VariantChangeType(&copy, v, 0, VT_BSTR)) && copy.bstrVal != nullptr) {
        text.assign(copy.bstrVal, SysStringLen(copy.bstrVal));
    }
    VariantClear(&copy);
    return text;
}

double number_argument(DISPPARAMS* params, UINT i) {
    VARIANT* v = argument(params, i);
    if (v == nullptr) return 0;
    VARIANT copy;
    VariantInit(&copy);
    double value = 0;
    if (SUCCEEDED(VariantChangeType(&copy, v, 0, VT_R8))) value = copy.dblVal;
    VariantClear(&copy);
    return value;
}

bool call_true(IDispatch* function) {
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT answer;
    VariantInit(&answer);
    const HRESULT hr = function->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_METHOD, &none,
                                        &answer, nullptr, nullptr);
    const bool yes = SUCCEEDED(hr) && SUCCEEDED(VariantChangeType(&answer, &answer, 0, VT_BOOL)) &&
                     answer.boolVal != VARIANT_FALSE;
    VariantClear(&answer);
    return yes;
}

// The bytes of the C runtime's heap in use, which the server, the add-in and the page host
// share: what a page sees grow when blocks are lost.
double heap_in_use() {
    _HEAPINFO entry{};
    double used = 0;
    while (_heapwalk(&entry) == _HEAPOK) {
        if (entry._useflag == _USEDENTRY) used += static_cast<double>(entry._size);
    }
    return used;
}

}  // namespace

std::string utf8(const wchar_t* text, int length) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::string();
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, &out[0], size, nullptr, nullptr);
    if (length < 0) out.resize(static_cast<size_t>(size - 1));
    return out;
}

void pump_messages(DWORD ms) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

HostObject::HostObject(ScannerLine* line)
    : m_line(line), m_start(std::chrono::steady_clock::now()) {}

HRESULT HostObject::QueryInterface(REFIID iid, void** out) {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG HostObject::AddRef() { return ++m_ref; }
ULONG HostObject::Release() { return --m_ref; }  // lives on the page host's stack

HRESULT HostObject::GetTypeInfoCount(UINT* count) {
    *count = 0;
    return S_OK;
}

HRESULT HostObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    *info = nullptr;
    return E_NOTIMPL;
}

HRESULT HostObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        for (const auto& m : kMethods) {
            if (i == 0 && lstrcmpW(names[i], m.name) == 0) ids[i] = m.id;
        }
        if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

double HostObject::now() const {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - m_start)
        .count();
}

bool HostObject::pump(double ms, IDispatch* until) {
    const double end = now() + ms;
    for (;;) {
        if (until != nullptr && call_true(until)) return true;
        if (m_finished) return until == nullptr;
        const double left = end - now();
        if (left <= 0) return until == nullptr;
        pump_messages(static_cast<DWORD>(left < 1 ? 1 : left));
    }
}

double HostObject::plainScan(const std::wstring& text) {
    const std::u16string port = scanner_port();
    HANDLE line = CreateFileW(reinterpret_cast<const wchar_t*>(port.c_str()),
                              GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (line == INVALID_HANDLE_VALUE) return -1;
    // The add-in's own read settings: a read ends 100 ms after the last byte, or when full.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = 100;
    SetCommTimeouts(line, &timeouts);
    std::string bytes;
    for (wchar_t c : text) bytes += static_cast<char>(c & 0xFF);
    const double sent = now();
    double arrived = -1;
    if (m_line->send(bytes)) {
        std::string got;
        char buffer[512];
        DWORD count = 0;
        while (now() - sent < 5000 && ReadFile(line, buffer, sizeof buffer, &count, nullptr)) {
            got.append(buffer, count);
            if (got.find('\r') != std::string::npos) {
                arrived = now();
                break;
            }
        }
    }
    CloseHandle(line);
    return arrived < 0 ? -1 : arrived - sent;
}

void HostObject::finish(bool passed, const std::string& text) {
    if (m_finished) return;
    m_finished = true;
    m_passed = passed;
    if (passed) {
        m_passText = text;
        std::printf("page: log the page passed, tearing it down\n");
    } else {
        std::printf("page: FAIL %s\n", text.c_str());
    }
    std::fflush(stdout);
}

HRESULT HostObject::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                           EXCEPINFO*, UINT*) {
    VARIANT answer;
    VariantInit(&answer);
    switch (id) {
        case ePump: pump(number_argument(params, 0), nullptr); break;
        case ePumpUntil: {
            VARIANT* function = argument(params, 0);
            if (function == nullptr || function->vt != VT_DISPATCH) return DISP_E_TYPEMISMATCH;
            answer.vt = VT_BOOL;
            answer.boolVal =
                pump(number_argument(params, 1), function->pdispVal) ? VARIANT_TRUE : VARIANT_FALSE;
            break;
        }
        case eSend: {
            const std::wstring text = text_argument(params, 0);
            std::string bytes;
            for (wchar_t c : text) bytes += static_cast<char>(c & 0xFF);
            answer.vt = VT_BOOL;
            answer.boolVal = m_line->send(bytes) ? VARIANT_TRUE : VARIANT_FALSE;
            break;
        }
        case ePort: {
            const std::u16string port = scanner_port();
            answer.vt = VT_BSTR;
            answer.bstrVal = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(port.c_str()),
                                               static_cast<UINT>(port.size()));
            break;
        }
        case eNow:
            answer.vt = VT_R8;
            answer.dblVal = now();
            break;
        case eLog:
            std::printf("page: log %s\n", utf8(text_argument(params, 0).c_str()).c_str());
            std::fflush(stdout);
            break;
        case ePrint:
            std::printf("%s\n", utf8(text_argument(params, 0).c_str()).c_str());
            std::fflush(stdout);
            break;
        case eWaitTick: {
            // The wait from now to the next tick of a 10 ms timer that is already running,
            // as a scan's wait for the server's timer.
            static const UINT_PTR timer = SetTimer(nullptr, 0, 10, &count_tick);
            (void)timer;
            const unsigned seen = g_ticks;
            const double from = now();
            while (g_ticks == seen && now() - from < 1000) pump_messages(1);
            answer.vt = VT_R8;
            answer.dblVal = now() - from;
            break;
        }
        case ePlainScan:
            answer.vt = VT_R8;
            answer.dblVal = plainScan(text_argument(params, 0));
            break;
        case eHeapInUse:
            answer.vt = VT_R8;
            answer.dblVal = heap_in_use();
            break;
        case eArrayBytes:
            answer.vt = VT_BSTR;
            answer.bstrVal = array_bytes(argument(params, 0));
            if (answer.bstrVal == nullptr) answer.vt = VT_NULL;
            break;
        case eThread:
            answer.vt = VT_I4;
            answer.lVal = static_cast<LONG>(GetCurrentThreadId());
            break;
        case ePass: finish(true, utf8(text_argument(params, 0).c_str())); break;
        case eFail: finish(false, utf8(text_argument(params, 0).c_str())); break;
        default: return DISP_E_MEMBERNOTFOUND;
    }
    if (result != nullptr) {
        *result = answer;
    } else {
        VariantClear(&answer);
    }
    return S_OK;
}

}  // namespace velmor_test
