#include "host_relay.h"

#include "native_boundary.h"

namespace {

template <class Part>
Part* offered(IAddInDefBaseEx* host, Interfaces iface) {
    return host != nullptr ? static_cast<Part*>(host->GetInterface(iface)) : nullptr;
}

}  // namespace

HostRelay::HostRelay(IAddInDefBaseEx* host, IMemoryManager* memory, HostCallFrames* frames)
    : m_host(host),
      m_memory(memory),
      m_msgBox(offered<IMsgBoxN>(host, eIMsgBox)),
      m_platformInfo(offered<IPlatformInfoN>(host, eIPlatformInfo)),
      m_frames(frames),
      m_attached(host != nullptr),
      m_hostCut(false),
      m_passages(0),
      m_detaching(false) {}

void HostRelay::detach() {
    m_attached.store(false);
    waitForOtherThreads();
}

void HostRelay::cutHostOff() {
    m_hostCut.store(true);
    waitForOtherThreads();
}

void HostRelay::waitForOtherThreads() {
    m_detaching.store(true);
    const long mine = Passage::onThisThread(*this);
    {
        std::unique_lock<std::mutex> lock(m_lock);
        m_passagesEnded.wait(lock, [&] { return m_passages.load() <= mine; });
    }
    m_detaching.store(false);
}

// ---- Passage: the count is taken before the relay is looked at, and detach() clears the
// relay before it reads the count, so one of them always sees the other.

namespace {
// The innermost passage of the calling thread, through any relay.
thread_local const void* t_innermost = nullptr;
}  // namespace

HostRelay::Passage::Passage(HostRelay& relay, bool memory)
    : m_relay(relay), m_outer(static_cast<const Passage*>(t_innermost)), m_open(false),
      m_frame(false) {
    t_innermost = this;
    m_relay.m_passages.fetch_add(1);
    m_open = m_relay.m_attached.load() && (memory || !m_relay.m_hostCut.load());
    m_frame = m_open && m_relay.m_frames != nullptr && m_relay.m_hostThread.isCurrent();
    if (m_frame) m_relay.m_frames->hostCallBegins();
}

// The frame ends first: what it kept may go then, but the relay outlives every open passage
// (its owner gives it up, detached, rather than free it under one).
HostRelay::Passage::~Passage() {
    if (m_frame) m_relay.m_frames->hostCallEnds();
    t_innermost = m_outer;
    m_relay.m_passages.fetch_sub(1);
    if (m_relay.m_detaching.load()) {
        std::lock_guard<std::mutex> lock(m_relay.m_lock);
        m_relay.m_passagesEnded.notify_all();
    }
}

long HostRelay::Passage::onThisThread(const HostRelay& relay) {
    long count = 0;
    for (auto p = static_cast<const Passage*>(t_innermost); p != nullptr; p = p->m_outer) {
        if (&p->m_relay == &relay) ++count;
    }
    return count;
}

// ---- IAddInDefBaseEx

bool HostRelay::AddError(unsigned short wcode, const uint16_t* source, const uint16_t* descr,
                         long scode) {
    if (!m_hostThread.isCurrent()) return false;
    Passage passage(*this);
    return passage.open() && m_host->AddError(wcode, source, descr, scode);
}

bool HostRelay::Read(uint16_t* wszPropName, tVariant* pVal, long* pErrCode,
                     uint16_t** errDescriptor) {
    if (!m_hostThread.isCurrent()) return false;
    Passage passage(*this);
    return passage.open() && m_host->Read(wszPropName, pVal, pErrCode, errDescriptor);
}

bool HostRelay::Write(uint16_t* wszPropName, tVariant* pVar) {
    if (!m_hostThread.isCurrent()) return false;
    Passage passage(*this);
    return passage.open() && m_host->Write(wszPropName, pVar);
}

bool HostRelay::RegisterProfileAs(uint16_t* wszProfileName) {
    if (!m_hostThread.isCurrent()) return false;
    Passage passage(*this);
    return passage.open() && m_host->RegisterProfileAs(wszProfileName);
}

bool HostRelay::SetEventBufferDepth(long lDepth) {
    Passage passage(*this);
    return passage.open() && m_host->SetEventBufferDepth(lDepth);
}

long HostRelay::GetEventBufferDepth() {
    Passage passage(*this);
    return passage.open() ? m_host->GetEventBufferDepth() : 0;
}

bool HostRelay::ExternalEvent(uint16_t* wszSource, uint16_t* wszMessage, uint16_t* wszData) {
    Passage passage(*this);
    return passage.open() && m_host->ExternalEvent(wszSource, wszMessage, wszData);
}

void HostRelay::CleanEventBuffer() {
    if (!m_hostThread.isCurrent()) return;
    Passage passage(*this);
    if (passage.open()) m_host->CleanEventBuffer();
}

bool HostRelay::SetStatusLine(uint16_t* wszStatusLine) {
    if (!m_hostThread.isCurrent()) return false;
    Passage passage(*this);
    return passage.open() && m_host->SetStatusLine(wszStatusLine);
}

void HostRelay::ResetStatusLine() {
    if (!m_hostThread.isCurrent()) return;
    Passage passage(*this);
    if (passage.open()) m_host->ResetStatusLine();
}

// The relay's own parts, so that a part the object keeps is as safe to call as the relay.
IInterface* HostRelay::GetInterface(Interfaces iface) {
    if (iface == eIMsgBox && m_msgBox != nullptr) return static_cast<IMsgBoxN*>(this);
    if (iface == eIPlatformInfo && m_platformInfo != nullptr) {
        return static_cast<IPlatformInfoN*>(this);
    }
    return nullptr;
}

// ---- IMemoryManager: detached, nothing is handed out, and a block from the adapter's heap
// is left where it is (its heap is the adapter's to know).

bool HostRelay::AllocMemory(void** pMemory, unsigned long ulCountByte) {
    Passage passage(*this, true);
    if (passage.open() && m_memory != nullptr) return m_memory->AllocMemory(pMemory, ulCountByte);
    if (pMemory != nullptr) *pMemory = nullptr;
    return false;
}

void HostRelay::FreeMemory(void** pMemory) {
    Passage passage(*this, true);
    if (passage.open() && m_memory != nullptr) m_memory->FreeMemory(pMemory);
}

// ---- IMsgBoxN, IPlatformInfoN

bool HostRelay::Confirm(const uint16_t* queryText, tVariant* retVal) {
    if (!m_hostThread.isCurrent()) return false;
    Passage passage(*this);
    return passage.open() && m_msgBox->Confirm(queryText, retVal);
}

bool HostRelay::Alert(const uint16_t* text) {
    if (!m_hostThread.isCurrent()) return false;
    Passage passage(*this);
    return passage.open() && m_msgBox->Alert(text);
}

// Off the host's thread nothing is asked of the page: the answer is the record last made here.
const AppInfo* HostRelay::GetPlatformInfo() {
    if (!m_hostThread.isCurrent()) {
        return m_attached.load() ? m_platformRecords.latest() : nullptr;
    }
    Passage passage(*this);
    if (!passage.open()) return nullptr;
    const AppInfo* info = m_platformInfo->GetPlatformInfo();
    if (info == nullptr) return nullptr;
    return native_boundary::guarded<const AppInfo*>(
        nullptr, [&] { return m_platformRecords.keep(*info); });
}
