#include "addin_connection.h"

#include "bstr_holder.h"
#include "info_array.h"
#include "release_interface.h"

namespace com_addin {

namespace {

// In process or out, as the add-in's registration offers it.
constexpr DWORD kAddInClassContext =
    CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;

}  // namespace

AddInConnection::~AddInConnection() { releaseAll(); }

ConnectOutcome AddInConnection::connect(const std::wstring& progId, IDispatch* connection) {
    ConnectOutcome outcome;
    // One object in a connection's life: a second connect would lose the first one's references.
    if (m_object != nullptr || m_finishAsked) {
        outcome.created = E_UNEXPECTED;
        return outcome;
    }
    m_progId = progId;
    outcome.coInitialize = CoInitialize(nullptr);
    outcome.created = CLSIDFromProgID(m_progId.c_str(), &m_clsid);
    if (FAILED(outcome.created)) return outcome;
    outcome.created = CoCreateInstance(m_clsid, nullptr, kAddInClassContext, IID_IUnknown,
                                       reinterpret_cast<void**>(&m_object));
    if (FAILED(outcome.created)) {
        m_object = nullptr;
        return outcome;
    }
    outcome.initQuery =
        m_object->QueryInterface(IID_IInitDoneCom, reinterpret_cast<void**>(&m_init));
    if (FAILED(outcome.initQuery)) m_init = nullptr;
    if (FAILED(m_object->QueryInterface(IID_ILanguageExtenderCom,
                                        reinterpret_cast<void**>(&m_extender)))) {
        m_extender = nullptr;
    }
    if (m_init != nullptr) {
        CallScope scope(*this);
        outcome.init = m_init->Init(connection);
    }
    return outcome;
}

HRESULT AddInConnection::setLocale(const wchar_t* locale) {
    if (object() == nullptr) return E_FAIL;
    CallScope scope(*this);
    ILocaleCom* localeCom = nullptr;
    if (FAILED(m_object->QueryInterface(IID_ILocaleCom, reinterpret_cast<void**>(&localeCom))) ||
        localeCom == nullptr) {
        if (localeCom != nullptr) localeCom->Release();
        return E_NOINTERFACE;
    }
    BstrHolder text(locale);
    const HRESULT hr = localeCom->SetLocale(text.get());
    localeCom->Release();
    return hr;
}

VersionOutcome AddInConnection::readVersion() {
    VersionOutcome outcome;
    if (initDone() == nullptr) return outcome;
    CallScope scope(*this);
    SAFEARRAY* info = create_info_array();
    if (info == nullptr) {
        outcome.getInfo = E_OUTOFMEMORY;
        return outcome;
    }
    outcome.getInfo = m_init->GetInfo(&info);
    outcome.version = info_array_version(info);
    // The add-in may have replaced the array: destroy the one the pointer now holds.
    if (info != nullptr) SafeArrayDestroy(info);
    return outcome;
}

// Inside a frame of the object (its owner ended there) the references are given up, not
// released: the object is still running.
void AddInConnection::releaseExtender() {
    if (!inFrames()) release_interface(m_extender);
}

void AddInConnection::releaseObject() {
    if (inFrames()) return;
    release_interface(m_init);
    release_interface(m_object);
    CoFreeUnusedLibraries();
}

HRESULT AddInConnection::disconnect(AfterFailedDone afterFailedDone) {
    if (m_finishAsked) return S_OK;  // one disconnection at a time, whoever asks again
    m_finishAsked = true;
    m_afterFailedDone = afterFailedDone;
    return inFrames() ? S_OK : disconnectNow();
}

void AddInConnection::disconnectIfPending() {
    if (m_finishAsked && !m_finishing && !inFrames()) disconnectNow();
}

void AddInConnection::hostCallBegins() { m_hostCalls.begins(); }

// The object is still in its own code when its host call returns: a disconnection that waits
// for this frame runs later, never here.
void AddInConnection::hostCallEnds() {
    m_hostCalls.ends(m_callDepth == 0 && m_finishAsked && !m_finishing);
}

// Done may call the host, and the page may ask for the end again from there: it is already
// under way, and the object already answers as disconnected.
HRESULT AddInConnection::disconnectNow() {
    m_finishing = true;
    releaseExtender();
    const HRESULT done = m_init != nullptr ? m_init->Done() : S_OK;
    if (SUCCEEDED(done) || m_afterFailedDone == eReleaseAfterFailedDone) releaseObject();
    m_finishing = false;
    m_finishAsked = false;
    if (m_finishListener != nullptr) m_finishListener->connectionFinished();
    return done;
}

AddInConnection::CallScope::CallScope(AddInConnection& connection)
    : m_connection(connection), m_counted(connection.m_homeThread.isCurrent()) {
    if (m_counted) ++m_connection.m_callDepth;
}

AddInConnection::CallScope::~CallScope() {
    if (!m_counted) return;
    --m_connection.m_callDepth;
    if (!m_connection.inFrames() && m_connection.m_finishAsked && !m_connection.m_finishing) {
        m_connection.disconnectNow();
    }
}

void AddInConnection::releaseAll() {
    if (inFrames()) return;
    release_interface(m_extender);
    release_interface(m_init);
    release_interface(m_object);
}

}  // namespace com_addin
