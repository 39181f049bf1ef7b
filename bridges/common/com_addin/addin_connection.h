#pragma once
// One object of a COM add-in, as every Windows bridge's COM adapter connects, drives and
// disconnects it. The adapter stays the connection object; this holds the object's
// references and performs the steps that the bridges share. Each bridge decides what a
// failure means for its own caller.
//
// An add-in may call its host while one of its methods runs, and the page may end the object
// from that callback. Disconnecting then (Done, the last references, CoFreeUnusedLibraries)
// would destroy the object, and may unload its library, under its running method: the
// disconnection waits for the outermost call into the object to return. Meanwhile the
// connection already answers as a disconnected one (nothing loaded, no interfaces).
//
// The same holds for the object's own calls into its host on the page's thread, made from
// outside any call into it (a timer of its own): each is a frame (HostCallFrames, told by the
// adapter's callbacks) that keeps the adapter, the connection's owner. When the outermost
// frame is such a host call, the object is still running its own code when it returns, so
// the disconnection that waits for it runs later on the page's thread (Owner::endLater).

#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <string>

#include "com_addin_interfaces.h"
#include "host_call_frames.h"
#include "home_thread.h"

namespace com_addin {

struct ConnectOutcome {
    HRESULT coInitialize = E_FAIL;  // S_OK or S_FALSE must be balanced by CoUninitialize
    HRESULT created = E_FAIL;       // a failure of CLSIDFromProgID or CoCreateInstance
    HRESULT initQuery = E_NOINTERFACE;  // the QueryInterface for IInitDoneCom
    HRESULT init = S_FALSE;             // Init's result; S_FALSE when Init was not called
};

struct VersionOutcome {
    HRESULT getInfo = E_FAIL;  // E_FAIL without an init interface
    long version = 0;
};

class AddInConnection final : public HostCallFrames {
public:
    // What owns the connection (the bridge's COM adapter); its endLater runs
    // disconnectIfPending() later on the page's thread.
    using Owner = FrameOwner;
    // Told when a disconnection has run, at once or at the end of the call it waited for:
    // the bridge's own last steps (the Firefox component's CoUninitialize).
    class FinishListener {
    public:
        virtual void connectionFinished() = 0;

    protected:
        ~FinishListener() = default;
    };
    // What a disconnection does after a failed Done.
    enum AfterFailedDone {
        eReleaseAfterFailedDone,  // releases the object all the same
        eKeepAfterFailedDone      // stops: the object stays held until the connection ends
    };

    // Marks a call into the object for as long as it lives, on the thread that made the
    // connection (the page's); on any other thread it marks nothing. A disconnection asked
    // for meanwhile runs when the outermost one ends.
    class CallScope {
    public:
        explicit CallScope(AddInConnection& connection);
        ~CallScope();
        CallScope(const CallScope&) = delete;
        CallScope& operator=(const CallScope&) = delete;

    private:
        AddInConnection& m_connection;
        const bool m_counted;
    };

    AddInConnection() = default;
    explicit AddInConnection(Owner* owner, FinishListener* listener = nullptr)
        : m_finishListener(listener), m_hostCalls(owner) {}
    // Releases whatever is still held, without Done; inside a frame of the object it only gives
    // the object up.
    ~AddInConnection();
    AddInConnection(const AddInConnection&) = delete;
    AddInConnection& operator=(const AddInConnection&) = delete;

    // CoInitialize, CLSIDFromProgID, CoCreateInstance (in-process or out, for IUnknown), the
    // two queries, then Init with `connection` when the object has IInitDoneCom. A connection
    // that holds an object refuses another (created E_UNEXPECTED, nothing called).
    ConnectOutcome connect(const std::wstring& progId, IDispatch* connection);

    // The object and its interfaces; null when none is held or a disconnection is asked for.
    bool loaded() const { return extender() != nullptr; }
    IUnknown* object() const { return m_finishAsked ? nullptr : m_object; }
    IInitDoneCom* initDone() const { return m_finishAsked ? nullptr : m_init; }
    ILanguageExtenderCom* extender() const { return m_finishAsked ? nullptr : m_extender; }
    const std::wstring& progId() const { return m_progId; }
    const CLSID& clsid() const { return m_clsid; }

    // E_FAIL without an object, E_NOINTERFACE when it has no ILocaleCom (it then gets no
    // locale), else SetLocale's result.
    HRESULT setLocale(const wchar_t* locale);
    // GetInfo on a fresh information array and the version read from element 0, whatever
    // GetInfo answered.
    VersionOutcome readVersion();

    // Releasing what is held without Done, when the adapter ends: the extender, then the init
    // interface and the object, then CoFreeUnusedLibraries.
    void releaseExtender();
    void releaseObject();
    // Disconnecting: the extender released, Done, the init interface and the object released,
    // CoFreeUnusedLibraries, then the finish listener told. During a call into the object it
    // waits for the outermost one to end (S_OK); a disconnection asked for while one waits
    // or runs changes nothing. Done's result when it ran at once.
    HRESULT disconnect(AfterFailedDone afterFailedDone = eReleaseAfterFailedDone);
    // The disconnection that a host call of the object deferred, if no frame holds it still.
    void disconnectIfPending();

    // HostCallFrames: one host call of the object on the page's thread (others are not told).
    void hostCallBegins() override;
    void hostCallEnds() override;

private:
    bool inFrames() const { return m_callDepth > 0 || m_hostCalls.depth() > 0; }
    HRESULT disconnectNow();
    void releaseAll();

    std::wstring m_progId;
    CLSID m_clsid = {};
    IUnknown* m_object = nullptr;
    IInitDoneCom* m_init = nullptr;
    ILanguageExtenderCom* m_extender = nullptr;
    FinishListener* const m_finishListener = nullptr;
    // The page's thread, which makes the connection, the calls and the disconnection; the
    // add-in's own threads may read the interfaces.
    const HomeThread m_homeThread;
    // Calls into the object under way on the home thread, the object's host calls there, and
    // a disconnection asked for (waiting or running).
    int m_callDepth = 0;
    HostFrameCount m_hostCalls{nullptr};
    std::atomic<bool> m_finishAsked{false};
    bool m_finishing = false;
    AfterFailedDone m_afterFailedDone = eReleaseAfterFailedDone;
};

}  // namespace com_addin
