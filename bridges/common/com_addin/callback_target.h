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

#include <windows.h>

#include <atomic>

#include "home_thread.h"

namespace com_addin {

template <class Target>
class CallbackTarget {
public:
    // One callback's hold on the target, from any thread: null when there is none.
    class Use {
    public:
        explicit Use(CallbackTarget& gate)
            : m_gate(gate), m_waitedFor(!gate.m_home.isCurrent()) {
            if (m_waitedFor) AcquireSRWLockShared(&m_gate.m_cutting);
            m_target = m_gate.m_target.load();
        }
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
        Target* m_target;
    };

    // A callback that only the home thread may make: the target there, null on any other
    // thread (and whenever there is none).
    class HomeUse {
    public:
        explicit HomeUse(const CallbackTarget& gate)
            : m_target(gate.m_home.isCurrent() ? gate.m_target.load() : nullptr) {}
        HomeUse(const HomeUse&) = delete;
        HomeUse& operator=(const HomeUse&) = delete;

        Target* operator->() const { return m_target; }
        Target* get() const { return m_target; }
        explicit operator bool() const { return m_target != nullptr; }

    private:
        Target* const m_target;
    };

    CallbackTarget() = default;
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
    const HomeThread m_home;
    std::atomic<Target*> m_target{nullptr};
    SRWLOCK m_cutting = SRWLOCK_INIT;
};

}  // namespace com_addin
