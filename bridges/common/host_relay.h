#pragma once
// HostRelay: the host that a native add-in object is given (its IAddInDefBaseEx, memory
// manager, IMsgBoxN and IPlatformInfoN), standing in front of the bridge's adapter.
//
// While attached it passes every call to the adapter. An object given up without
// DestroyObject keeps calling from its own threads for as long as its library is loaded, long
// after the adapter is gone; detach() cuts the relay off the adapter (waiting for the calls
// already passed on from other threads), and from then on the relay answers as a host without
// a site: events are dropped, the depth is 0, every other call fails.
//
// The add-in may call only the events and the event buffer's depth from a thread of its own;
// they pass on there as they come, and so does the memory manager, whose heaps serve any
// thread. Every other call belongs to the host's thread (the one that made the relay, which
// connects the object): from any other thread it is refused with the call's failure and
// reaches neither the adapter nor the page, except that the platform information answers the
// record last made on the host's thread.

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>

#include "AddInDefBase.h"
#include "IMemoryManager.h"
#include "host_call_frames.h"
#include "host_thread.h"
#include "platform_info_records.h"

class HostRelay : public IAddInDefBaseEx,
                  public IMemoryManager,
                  public IMsgBoxN,
                  public IPlatformInfoN {
public:
    // `host` answers GetInterface for the message boxes and the platform information once,
    // here; a part it does not offer is not offered by the relay either. `frames`, when given,
    // hears of every call passed on.
    HostRelay(IAddInDefBaseEx* host, IMemoryManager* memory, HostCallFrames* frames = nullptr);
    ~HostRelay() override {}
    HostRelay(const HostRelay&) = delete;
    HostRelay& operator=(const HostRelay&) = delete;

    // No call reaches the adapter once this returns. Calls that other threads passed on before
    // are waited for; those of the calling thread (this is called from inside one) are not.
    void detach();
    // The same for every call but the memory manager's: the adapter stays (until the object is
    // finished) to take back the blocks it handed out, but its site is gone.
    void cutHostOff();

    bool AddError(unsigned short wcode, const uint16_t* source, const uint16_t* descr,
                  long scode) override;
    bool Read(uint16_t* wszPropName, tVariant* pVal, long* pErrCode,
              uint16_t** errDescriptor) override;
    bool Write(uint16_t* wszPropName, tVariant* pVar) override;
    bool RegisterProfileAs(uint16_t* wszProfileName) override;
    bool SetEventBufferDepth(long lDepth) override;
    long GetEventBufferDepth() override;
    bool ExternalEvent(uint16_t* wszSource, uint16_t* wszMessage, uint16_t* wszData) override;
    void CleanEventBuffer() override;
    bool SetStatusLine(uint16_t* wszStatusLine) override;
    void ResetStatusLine() override;
    IInterface* GetInterface(Interfaces iface) override;

    bool AllocMemory(void** pMemory, unsigned long ulCountByte) override;
    void FreeMemory(void** pMemory) override;

    bool Confirm(const uint16_t* queryText, tVariant* retVal) override;
    bool Alert(const uint16_t* text) override;

    const AppInfo* GetPlatformInfo() override;

private:
    // One call passed on to the adapter: it holds the relay's count of such calls, and marks
    // the calling thread so that detach() does not wait for a call beneath itself.
    class Passage {
    public:
        // `memory`: a call of the memory manager, which a relay cut off its host still passes.
        explicit Passage(HostRelay& relay, bool memory = false);
        ~Passage();
        Passage(const Passage&) = delete;
        Passage& operator=(const Passage&) = delete;
        // False once the relay is detached: the call is answered here.
        bool open() const { return m_open; }
        // Passages through `relay` that the calling thread is inside.
        static long onThisThread(const HostRelay& relay);

    private:
        HostRelay& m_relay;
        const Passage* m_outer;
        bool m_open;
        bool m_frame;  // a frame of the host's thread, told to m_frames
    };

    IAddInDefBaseEx* const m_host;
    IMemoryManager* const m_memory;
    IMsgBoxN* const m_msgBox;
    IPlatformInfoN* const m_platformInfo;
    HostCallFrames* const m_frames;

    // Whose calls are taken beyond the events and the depth.
    const HostThread m_hostThread;
    // The platform information answered, in the relay's own keeping: the object may read it
    // from its own threads, and after the adapter that answered it is gone.
    PlatformInfoRecords m_platformRecords;

    void waitForOtherThreads();

    std::atomic<bool> m_attached;
    std::atomic<bool> m_hostCut;
    std::atomic<long> m_passages;
    std::atomic<bool> m_detaching;
    std::mutex m_lock;
    std::condition_variable m_passagesEnded;
};
