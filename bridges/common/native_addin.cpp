#include "native_addin.h"

namespace {

const char kGetClassObject[] = "GetClassObject";
const char kDestroyObject[] = "DestroyObject";
const char kSetPlatformCapabilities[] = "SetPlatformCapabilities";

template <class F>
F library_function(HMODULE library, const char* name) {
    return reinterpret_cast<F>(library_symbol(library, name));
}

}  // namespace

NativeAddIn::~NativeAddIn() {
    if (m_component != nullptr) giveUpObject();
    if (!m_objectInLibrary) closeLibrary();
}

bool NativeAddIn::openLibrary(const std::string& path, LibraryOpener open) {
    if (m_library == nullptr) m_library = open(path);
    return m_library != nullptr;
}

NativeAddIn::ConnectResult NativeAddIn::connect(const uint16_t* className, IAddInDefBaseEx* host,
                                                IMemoryManager* memory,
                                                Capabilities capabilities) {
    if (m_component != nullptr || m_finishing) return eAlreadyConnected;
    if (m_library == nullptr) return eNoLibrary;
    auto getClassObject = library_function<GetClassObjectPtr>(m_library, kGetClassObject);
    if (getClassObject == nullptr) {
        closeLibrary();
        return eNoClassObject;
    }
    m_finishPending = false;
    m_hostThread = HostThread();
    std::unique_ptr<HostRelay> relay(new HostRelay(host, memory, this));
    if (getClassObject(className, &m_component) == 0 || m_component == nullptr) {
        m_component = nullptr;
        return eNoObject;
    }
    m_relay = std::move(relay);
    bool callInit = true;
    auto announce =
        library_function<SetPlatformCapabilitiesPtr>(m_library, kSetPlatformCapabilities);
    if (announce != nullptr && capabilities != eAnnounceNot) {
        const AppCapabilities answer = announce(eAppCapabilities1);
        if (capabilities == eAnnounceAndObey && answer == eAppCapabilitiesInvalid) callInit = false;
    }
    CallScope scope(*this);
    IComponentBase* const component = m_component;
    if (callInit && !component->Init(static_cast<IAddInDefBaseEx*>(m_relay.get()))) {
        return eInitRefused;
    }
    return component->setMemManager(static_cast<IMemoryManager*>(m_relay.get())) ? eConnected
                                                                                 : eMemoryRefused;
}

void NativeAddIn::finish() {
    if (m_finishing) return;
    if (inFrames()) {
        m_finishPending = m_component != nullptr;
        return;
    }
    finishNow();
}

void NativeAddIn::cutHost() {
    if (m_relay) m_relay->cutHostOff();
}

void NativeAddIn::hostCallBegins() { m_hostCalls.begins(); }

// The object is still in its own code when its host call returns: a finish that waits for
// this frame runs later, never here.
void NativeAddIn::hostCallEnds() { m_hostCalls.ends(m_callDepth == 0 && m_finishPending); }

// The object may call its host from Done or from its destructor, and the host may be asked to
// finish it again from there: m_finishing makes that ask do nothing.
void NativeAddIn::finishNow() {
    m_finishPending = false;
    if (m_component == nullptr || m_library == nullptr || m_finishing) return;
    m_finishing = true;
    m_component->Done();
    auto destroyObject = library_function<DestroyObjectPtr>(m_library, kDestroyObject);
    if (destroyObject == nullptr) {
        giveUpObject();
        m_finishing = false;
        return;
    }
    // Destroying the object stops its threads, which may be passing a callback to the host
    // right now; the host stays whole until this returns.
    destroyObject(&m_component);
    m_component = nullptr;
    m_relay.reset();
    m_finishing = false;
    closeLibrary();
}

void NativeAddIn::giveUpObject() {
    if (m_relay) m_relay->detach();
    m_relay.release();  // the object may call it for as long as the library is loaded
    m_component = nullptr;
    m_objectInLibrary = true;
}

void NativeAddIn::closeLibrary() {
    close_library(m_library);
    m_library = nullptr;
}

NativeAddIn::CallScope::CallScope(NativeAddIn& addIn) : m_addIn(addIn) { ++m_addIn.m_callDepth; }

NativeAddIn::CallScope::~CallScope() {
    --m_addIn.m_callDepth;
    if (!m_addIn.inFrames() && m_addIn.m_finishPending) m_addIn.finishNow();
}
