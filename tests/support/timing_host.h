#pragma once
// A fake host that notes when each external event arrived, for the benchmarks: the time a
// scan takes to reach the add-in's event callback.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "fake_host.h"

namespace velmor_test {

class TimingHost : public FakeHost {
public:
    using Clock = std::chrono::steady_clock;

    bool ExternalEvent(uint16_t* source, uint16_t* message, uint16_t* data) override {
        const Clock::time_point now = Clock::now();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_arrivals.push_back(now);
        }
        m_arrived.notify_all();
        return FakeHost::ExternalEvent(source, message, data);
    }
    Clock::time_point waitForArrival(size_t index) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_arrived.wait(lock, [&] { return m_arrivals.size() > index; });
        return m_arrivals[index];
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<Clock::time_point> m_arrivals;
};

}  // namespace velmor_test
