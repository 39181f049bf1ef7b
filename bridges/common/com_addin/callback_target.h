#pragma once
// Where a COM adapter forwards the add-in's callbacks (its site, or the site's listener), as
// the add-in's own threads reach it. Cutting it waits for the callbacks that other threads
// are making into it at that moment, so the target may go as soon as cut() returns and no
// callback reaches it afterwards. A callback on the home thread (the page's, which cuts) is
// not waited for: it may itself be what leads to the cut.

#include <windows.h>

#include <atomic>

namespace com_addin {

template <class Target>
class CallbackTarget {
public:
    // One callback's hold on the target: null when there is none.
    class Use {
    public:
        explicit Use(CallbackTarget& gate)
            : m_gate(gate), m_waitedFor(GetCurrentThreadId() != gate.m_homeThread) {
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

private:
    const DWORD m_homeThread = GetCurrentThreadId();
    std::atomic<Target*> m_target{nullptr};
    SRWLOCK m_cutting = SRWLOCK_INIT;
};

}  // namespace com_addin
