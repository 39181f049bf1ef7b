#pragma once
// NativeAddIn: one object of a native add-in library, through its life as every bridge's
// adapter drives it: open the library, GetClassObject, the capabilities, Init, setMemManager;
// then Done, DestroyObject and closing the library.
//
// While any frame of the object is on the host's thread (the thread that connected it: a call
// into the object, or the object's own call into its host, from inside such a call or from a
// timer of its own) a finish asked for is deferred; meanwhile the object already counts as gone
// (component() is null), so every later call is answered as a finished adapter answers it.
// The finish runs when the outermost of those frames returns: at the end of a call into the
// object, or, when the outermost frame is the object's own call into its host, later on the
// host's thread (the owner runs it, Owner::endLater), since the object is still running
// its own code when that call returns. The owner is kept for every host call on that thread.
// Finishing is one act: Done and DestroyObject run once each, and a finish asked for from
// inside them does nothing more.
//
// The object's host is a HostRelay in front of the adapter, so that an object given up
// without DestroyObject (which may go on calling from its own threads) never reaches an
// adapter that is gone.

#include <memory>
#include <string>

#include "AddInDefBase.h"
#include "ComponentBase.h"
#include "IMemoryManager.h"
#include "addin_library.h"
#include "host_call_frames.h"
#include "host_relay.h"
#include "host_thread.h"

class NativeAddIn final : private HostCallFrames {
public:
    // What owns the object's NativeAddIn (a bridge's adapter); its endLater runs
    // finishIfPending() later on the host's thread.
    using Owner = FrameOwner;

    // How the host announces its capabilities to a library that exports
    // SetPlatformCapabilities.
    enum Capabilities {
        eAnnounceNot,     // it is not called
        eAnnounceOnly,    // it is called; its answer does not matter
        eAnnounceAndObey  // it is called; an answer of eAppCapabilitiesInvalid skips Init
    };
    enum ConnectResult {
        eConnected,
        eAlreadyConnected,  // an object is held already; nothing was done
        eNoLibrary,         // the library did not open
        eNoClassObject,     // the library has no GetClassObject (it is closed again)
        eNoObject,          // GetClassObject gave none (the library stays open)
        eInitRefused,       // Init said false (the object and the library stay)
        eMemoryRefused      // setMemManager said false (the object and the library stay)
    };
    typedef HMODULE (*LibraryOpener)(const std::string& path);

    explicit NativeAddIn(Owner* owner = nullptr) : m_hostCalls(owner) {}
    // Closes a library that holds no object of ours; an object that was never finished, or one
    // given up without DestroyObject, keeps its library loaded.
    ~NativeAddIn();
    NativeAddIn(const NativeAddIn&) = delete;
    NativeAddIn& operator=(const NativeAddIn&) = delete;

    // Opens the library at `path` with `open` unless one is held already; false when none is
    // held afterwards.
    bool openLibrary(const std::string& path, LibraryOpener open = open_library);
    // GetClassObject(className) and the set-up of the object it gives, with `host` and
    // `memory` (through a relay) as the object's host. While the object is being finished
    // nothing is done (eAlreadyConnected).
    ConnectResult connect(const uint16_t* className, IAddInDefBaseEx* host, IMemoryManager* memory,
                          Capabilities capabilities);
    // Done, then DestroyObject and closing the library (without DestroyObject the object is
    // only given up and the library stays). Nothing without an object or a library, or while
    // the object is being finished; during a call into the object, deferred to the end of the
    // outermost frame (see above).
    void finish();
    // The finish that a frame deferred, if it has not run yet.
    void finishIfPending() {
        if (m_finishPending) finish();
    }
    // The host has gone (the site the adapter calls back): none of the object's calls but
    // those of the memory manager reach the adapter any more (calls under way on other threads
    // are waited for); the object itself stays until it is finished.
    void cutHost();
    // Whether this is the thread that connected the object (the page's).
    bool onHostThread() const { return m_hostThread.isCurrent(); }

    // The object, or null when none is held or it is to be finished or being finished.
    IComponentBase* component() const {
        return m_finishPending || m_finishing ? nullptr : m_component;
    }
    bool hasLibrary() const { return m_library != nullptr; }

    // Marks a call into the object for as long as it lives: a finish asked for meanwhile runs
    // when the outermost one ends.
    class CallScope {
    public:
        explicit CallScope(NativeAddIn& addIn);
        ~CallScope();
        CallScope(const CallScope&) = delete;
        CallScope& operator=(const CallScope&) = delete;

    private:
        NativeAddIn& m_addIn;
    };

private:
    void hostCallBegins() override;
    void hostCallEnds() override;
    bool inFrames() const { return m_callDepth > 0 || m_hostCalls.depth() > 0; }
    void finishNow();
    // The object lives on inside the library, and so does its host, cut off the adapter.
    void giveUpObject();
    void closeLibrary();

    HMODULE m_library = nullptr;
    IComponentBase* m_component = nullptr;
    // The host the object holds; kept for the library's life when the object is given up.
    std::unique_ptr<HostRelay> m_relay;
    // The object was given up without DestroyObject: it lives on inside the library.
    bool m_objectInLibrary = false;
    // Set when the object is connected, before any thread of the object exists.
    HostThread m_hostThread;
    // Calls into the object under way on the host's thread (calls are not made from two
    // threads at once), the object's calls into its host on that thread, and whether a finish
    // waits for them.
    int m_callDepth = 0;
    HostFrameCount m_hostCalls;
    bool m_finishPending = false;
    // Done or DestroyObject is running.
    bool m_finishing = false;
};
