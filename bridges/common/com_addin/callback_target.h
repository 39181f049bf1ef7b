#pragma once
// Where a COM adapter forwards the add-in's callbacks (its site, or the site's listener), as
// the add-in's own threads reach it. Cutting it waits for the callbacks that other threads
// are making into it at that moment, so the target may go as soon as cut() returns and no
// callback reaches it afterwards. A callback on the home thread (the page's, which cuts) is
// not waited for: it may itself be what leads to the cut.
//
// Only the events and the event buffer's depth may come from other threads (Use); every
// other callback is the home thread's alone (HomeUse), and finds no target elsewhere. So a
// callback that the cut waits for never waits for the page itself.
//
// On the home thread a callback is a frame of the add-in that the page may end from inside
// it: it holds a reference to the target, and tells the frames (the connection, which keeps
// its adapter and defers a disconnection asked for meanwhile) of its start and end. The
// add-in's own threads pass without either. A target that is no counted object (kCounted
// false) is not referenced: its bridge's page thread makes no callback outside a call into the
// object, which keeps it.

#include <windows.h>

#include <atomic>

#include "home_thread.h"
#include "host_call_frames.h"

namespace com_addin {

template <class Target, bool kCounted = true>
class CallbackTarget {
    // A home-thread callback's frame: the target referenced and the frames told, for its
    // length. Its end may end the frames' owner, and this gate with it.
    class Frame {
    public:
        Frame(HostCallFrames* frames, Target* target)
            : m_frames(target != nullptr ? frames : nullptr), m_target(target) {
            if (m_frames != nullptr) m_frames->hostCallBegins();
            if constexpr (kCounted) {
                if (m_target != nullptr) m_target->AddRef();
            }
        }
        ~Frame() {
            if constexpr (kCounted) {
                if (m_target != nullptr) m_target->Release();
            }
            if (m_frames != nullptr) m_frames->hostCallEnds();
        }
        Frame(const Frame&) = delete;
        Frame& operator=(const Frame&) = delete;

    private:
        HostCallFrames* const m_frames;
        Target* const m_target;
    };

public:
    // One callback's hold on the target, from any thread: null when there is none.
    class Use {
    public:
        explicit Use(CallbackTarget& gate)
            : m_gate(gate),
              m_waitedFor(!gate.m_home.isCurrent()),
              m_target(gate.enter(m_waitedFor)),
              m_frame(m_waitedFor ? nullptr : gate.m_frames, m_waitedFor ? nullptr : m_target) {}
        ~Use() {
            if (m_waitedFor) ReleaseSRWLockShared(&m_gate.m_cutting);
        }
        Use(const Use&) = delete;
        Use& operator=(const Use&) = delete;

        Target* operator->() const { return m_target; }
        explicit operator bool() const { return m_target != nullptr; }

    private:
        CallbackTarget& m_gate;
        const bool m_waitedFor;
        Target* const m_target;
        const Frame m_frame;
    };

    // A callback that only the home thread may make: the target there, null on any other
    // thread (and whenever there is none).
    class HomeUse {
    public:
        explicit HomeUse(const CallbackTarget& gate)
            : m_target(gate.m_home.isCurrent() ? gate.m_target.load() : nullptr),
              m_frame(gate.m_frames, m_target) {}
        HomeUse(const HomeUse&) = delete;
        HomeUse& operator=(const HomeUse&) = delete;

        Target* operator->() const { return m_target; }
        Target* get() const { return m_target; }
        explicit operator bool() const { return m_target != nullptr; }

    private:
        Target* const m_target;
        const Frame m_frame;
    };

    // `frames`, when given, hears of every home-thread callback that finds a target.
    explicit CallbackTarget(HostCallFrames* frames = nullptr) : m_frames(frames) {}
    CallbackTarget(const CallbackTarget&) = delete;
    CallbackTarget& operator=(const CallbackTarget&) = delete;

    void set(Target* target) { m_target = target; }
    // No target from now on; returns once no other thread's callback holds the old one.
    void cut() {
        m_target = nullptr;
        AcquireSRWLockExclusive(&m_cutting);
        ReleaseSRWLockExclusive(&m_cutting);
    }
    bool onHomeThread() const { return m_home.isCurrent(); }

private:
    Target* enter(bool waitedFor) {
        if (waitedFor) AcquireSRWLockShared(&m_cutting);
        return m_target.load();
    }

    const HomeThread m_home;
    HostCallFrames* const m_frames;
    std::atomic<Target*> m_target{nullptr};
    SRWLOCK m_cutting = SRWLOCK_INIT;
};

}  // namespace com_addin
