// The Chrome host's output costs, measured against baselines taken in the same run:
//  - 10,000 external events from an add-in thread to the host's output, against writing the
//    same frames to a pipe directly (in process, through the host's own event interface);
//  - the same 10,000 events through the real host process, from a pty scanner to its stdout;
//  - one message of 1, 2, 4 and 8 MiB sent in chunks (in process, and 4 MiB through the
//    process), to show that chunking is linear in size;
//  - the host process's peak resident size during both.

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "adapter_native.h"
#include "addin_site.h"
#include "frame_driver.h"
#include "frame_output.h"
#include "object_holder.h"
#include "pty_scanner.h"

using Clock = std::chrono::steady_clock;

namespace {

constexpr int kEvents = 10000;
constexpr int kRounds = 9;

double ms_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Reads a pipe until `bytes` have come, on its own thread.
class Drain {
public:
    Drain(int fd, size_t bytes) : m_thread([fd, bytes] {
        std::vector<char> buffer(1 << 16);
        size_t got = 0;
        while (got < bytes) {
            const ssize_t n = ::read(fd, buffer.data(), buffer.size());
            if (n <= 0) break;
            got += static_cast<size_t>(n);
        }
    }) {}
    void join() { m_thread.join(); }

private:
    std::thread m_thread;
};

std::u16string u16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

std::string event_text(unsigned site, unsigned query, const std::string& code) {
    return "{\"cls_id\":" + std::to_string(site) +
           ",\"method\":\"externalEvent\",\"params\":[\"Scandor\",\"Barcode\",\"" + code +
           "\"],\"query_id\":" + std::to_string(query) + ",\"type\":15}\n";
}

std::string code_of(int i) { return "46000" + std::to_string(10000000 + i); }

// In process: events through AdapterNative::ExternalEvent on a thread of their own (as the
// add-in's reader thread calls it), against plain write()s of the same frames.
void events_in_process(double& hostMs, double& rawMs, double& hostMin, double& rawMin) {
    int fds[2];
    if (::pipe(fds) != 0) return;
    set_output_fd(fds[1]);
    AddInSite* site = new AddInSite();  // owned by the registry
    AdapterNative* adapter = new AdapterNative();
    adapter->initialize(site);

    std::vector<std::u16string> codes;
    std::vector<std::string> frames;
    size_t total = 0;
    for (int i = 0; i < kEvents; ++i) {
        codes.push_back(u16(code_of(i)));
        frames.push_back(velmor_test::make_frame(event_text(site->get_id(), i + 1, code_of(i))));
        total += frames.back().size();
    }
    std::u16string source = u16("Scandor");
    std::u16string message = u16("Barcode");

    std::vector<double> host, raw;
    for (int round = 0; round < kRounds; ++round) {
        {
            ScriptableClassBase::set_query_id(0);
            Drain drain(fds[0], total);
            const Clock::time_point start = Clock::now();
            std::thread reader([&] {
                for (int i = 0; i < kEvents; ++i) {
                    adapter->ExternalEvent(reinterpret_cast<uint16_t*>(&source[0]),
                                           reinterpret_cast<uint16_t*>(&message[0]),
                                           reinterpret_cast<uint16_t*>(&codes[i][0]));
                }
            });
            reader.join();
            drain.join();
            host.push_back(ms_since(start));
        }
        {
            Drain drain(fds[0], total);
            const Clock::time_point start = Clock::now();
            std::thread writer([&] {
                for (const std::string& f : frames) {
                    if (::write(fds[1], f.data(), f.size()) < 0) break;
                }
            });
            writer.join();
            drain.join();
            raw.push_back(ms_since(start));
        }
    }
    adapter->destroy();
    ObjectHolder::get().remove(site->get_id());
    set_output_fd(1);
    ::close(fds[0]);
    ::close(fds[1]);
    hostMs = median(host);
    rawMs = median(raw);
    hostMin = *std::min_element(host.begin(), host.end());
    rawMin = *std::min_element(raw.begin(), raw.end());
}

// In process: one message of `size` bytes through write_message, chunked, into a pipe.
double chunked_in_process(size_t size) {
    int fds[2];
    if (::pipe(fds) != 0) return 0;
    set_output_fd(fds[1]);
    AddInSite* site = new AddInSite();
    const std::string text(size, 'a');
    std::vector<double> times;
    for (int round = 0; round < kRounds; ++round) {
        // Drains the pipe while the message is written: waits in poll for data (no spinning)
        // and stops once the writer is done and the pipe is empty.
        std::atomic<bool> done{false};
        std::thread drain([&] {
            std::vector<char> buffer(1 << 16);
            ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
            for (;;) {
                const bool finished = done.load();
                pollfd ready{fds[0], POLLIN, 0};
                if (::poll(&ready, 1, finished ? 0 : 50) > 0) {
                    if (::read(fds[0], buffer.data(), buffer.size()) > 0) continue;
                }
                if (finished) break;
            }
        });
        const Clock::time_point start = Clock::now();
        site->write_message(text);
        done.store(true);
        times.push_back(ms_since(start));
        drain.join();
    }
    ObjectHolder::get().remove(site->get_id());
    set_output_fd(1);
    ::close(fds[0]);
    ::close(fds[1]);
    return median(times);
}

// Through the process: a claimed site on a pty, then kEvents codes into the pty.
bool process_figures(double& eventsMs, double& chunkMs, long& rssKiB) {
    velmor_test::PtyScanner scanner;
    velmor_test::FrameDriver host;
    if (!host.start(VELMOR_CHROME_HOST, {VELMOR_ALLOWED_ORIGIN})) return false;
    std::string text;
    auto step = [&](const std::string& msg) {
        return host.writeFrame(msg) && host.readFrame(text);
    };
    if (!step("{\"type\":0}")) return false;
    if (!host.writeFrame("{\"type\":2,\"cls_id\":0,\"query_id\":1,\"method\":\"loadAddIn\","
                         "\"params\":[\"Dev\",\"x\"]}") ||
        !host.readFrame(text) || !host.readFrame(text)) {
        return false;
    }
    if (!step("{\"type\":2,\"cls_id\":0,\"query_id\":2,\"method\":\"createInstance\","
              "\"params\":[\"Dev.Scandor\"]}") ||
        !step("{\"type\":2,\"cls_id\":1,\"query_id\":3,\"method\":\"setPropertyValue\","
              "\"params\":[\"Port\",\"" + scanner.path() + "\"]}") ||
        !step("{\"type\":2,\"cls_id\":1,\"query_id\":4,\"method\":\"callExt\",\"params\":[\"Claim\"]}")) {
        return false;
    }

    std::string codes;
    for (int i = 0; i < kEvents; ++i) codes += code_of(i) + "\r";
    const Clock::time_point start = Clock::now();
    std::thread writer([&] { scanner.send(codes); });
    int events = 0;
    while (events < kEvents && host.readFrame(text)) ++events;
    eventsMs = ms_since(start);
    writer.join();
    if (events != kEvents) {
        std::fprintf(stderr, "only %d events: %s\n", events, host.lastError().c_str());
        return false;
    }

    const std::string pad(4 * 1024 * 1024, 'p');
    const Clock::time_point chunkStart = Clock::now();
    if (!host.writeFrame("{\"type\":2,\"cls_id\":0,\"query_id\":5,\"method\":\"init\","
                         "\"params\":[],\"pad\":\"" + pad + "\"}")) {
        return false;
    }
    for (int i = 0; i < 5; ++i) {
        if (!host.readFrame(text)) return false;
    }
    chunkMs = ms_since(chunkStart);
    rssKiB = host.peakRssKiB();
    host.writeFrame("{\"type\":12}");
    host.waitExit();
    return true;
}

}  // namespace

int main() {
    double hostMs = 0, rawMs = 0, hostMin = 0, rawMin = 0;
    events_in_process(hostMs, rawMs, hostMin, rawMin);
    std::printf("%d events, add-in thread to host output (in process, %d rounds): median host "
                "%.1f ms, raw frame writes %.1f ms, ratio %.2f; best host %.1f ms, raw %.1f ms, "
                "ratio %.2f (goal <= 2)\n",
                kEvents, kRounds, hostMs, rawMs, rawMs > 0 ? hostMs / rawMs : 0.0, hostMin, rawMin,
                rawMin > 0 ? hostMin / rawMin : 0.0);

    for (size_t mib : {1, 2, 4, 8}) {
        const double ms = chunked_in_process(mib * 1024 * 1024);
        std::printf("chunked message of %zu MiB (in process, median of %d): %.2f ms, %.2f ms/MiB\n",
                    mib, kRounds, ms, ms / static_cast<double>(mib));
    }

    double eventsMs = 0, chunkMs = 0;
    long rss = 0;
    if (!process_figures(eventsMs, chunkMs, rss)) {
        std::fprintf(stderr, "the host process could not be measured\n");
        return 1;
    }
    std::printf("%d events through the host process, pty to stdout: %.1f ms (%.1f us each)\n",
                kEvents, eventsMs, eventsMs * 1000.0 / kEvents);
    std::printf("4 MiB message through the host process, request to last chunk: %.1f ms\n", chunkMs);
    std::printf("host process peak RSS over both: %ld KiB\n", rss);
    return 0;
}
