// A stand-in add-in library for the host's tests: it behaves as the environment variable
// STUB_ADDIN asks, so that one library covers the cases the real add-in never shows.
//   STUB_ADDIN=noobject      GetClassObject makes no component
//   STUB_ADDIN=refuse        the component refuses Init
//   STUB_ADDIN=shared        the component's version is 1500 (one site for all requests)
//   STUB_ADDIN=error_in_done Done reports an error to the host (which may end the object again)
//   STUB_ADDIN=event_in_destroy  the destructor sends an event "stub"/"destroyed" to the host
//   STUB_ADDIN=unterminated  the extension name "Stub", the name "Value" of property 0 and
//                            "Add" of method 0 come in blocks that hold no terminator
//   STUB_ADDIN=host_in_done  Done reports an error, reads the platform information, then sends
//                 an event "stub"/"done" and reads the depth: it calls its host again after
//                 each callback in which the page may have let go of everything
//   STUB_ADDIN=event_in_reflection  GetNProps sends an event "stub"/"reflection" first
//   anything else            version 2000
// Class list "Stub||Other" (three classes, one with an empty name). The component has one
// property, "Value" (readable and writable, an integer; "ReadOnly" readable only and
// "WriteOnly" writable only), and methods:
//   Add(a, b = 10) -> a + b, and sets its first argument to "changed";
//   One(a) -> a;
//   Callbacks() -> calls every host callback once, returns the platform information text;
//   Reentrant() -> reports an error to the host (which may end the object meanwhile), then
//                  counts the call in its own state and returns the count, or -1 when the
//                  object was destroyed under it. It is found by name only (not among the
//                  GetNMethods methods).
//   Rewrite(a, b, c, d) -> the text "out", which it also writes over a and c; b gets the block
//                  of d, and d keeps its own: out-parameters that replace, move, share and
//                  keep the host's blocks. Found by name only.
//   OverlongText(), OverlongBlob() -> the six bytes C3 41 42 43 FF 41 in a block of their own
//                  size, as VTYPE_PSTR or VTYPE_BLOB, claiming 4096 bytes (by name only).
//   Narrow(hex) -> the bytes that the text `hex` spells in hex digits, as VTYPE_PSTR in a
//                  block of their own (by name only).
//   Stray(what, where, text) -> leaves in the result (where "result") or over `where` (any
//                  other text; the result is then 1) what is no block the host gave: with what
//                  "middle" a pointer one unit into the block of `text`, "freed" the block of
//                  `text` once freed through the memory manager (the record's own pointer, as
//                  the manager left it), "static" a static buffer "static" (by name only).
//   Defaulted(a, b, c = "default" and 50000 "x") -> the first 7 units of the text it got as
//                  c, and writes "out" over c without freeing what was there (by name only).
// The property "Stray" reads as the static buffer "static"; written with a text that is one of
// Stray's `what`, it does the same to the record it was given.
//   Claim(c, where) -> the value of claim case c (kClaims below: a text or blob in a block of
//                  its own, claiming a length that may run past it) as the result (where 0),
//                  written over the first parameter (1), or given to the host's Write under the
//                  name "claim" (2; a block the host did not take is freed after it). By name
//                  only; the property "Claimed" (by name only) reads as the case last set in it.
//   Stream() -> starts a thread that, until the process ends, sends events "stub"/"tick" and
//               reads and sets the event buffer depth through the host this object was given
//               (found by name only);
//   AwaitStream() -> waits (10 s at most) until that thread has made 100 more rounds, and says
//               whether it did (found by name only).
//   Platform() -> the platform information asked for on the host's thread, "version|agent" or
//               "null" (found by name only).
//   StartCallers(n) -> starts n threads that, until the object is destroyed, call every other
//               host operation than the events from outside the host's thread (by name only);
//   AwaitCallers() -> waits (10 s at most) until each of them has made 100 more rounds, and
//               gives what each answered in its last round, joined by ";" (by name only).
// Built with STUB_WITHOUT_DESTROY_OBJECT, the library exports no DestroyObject.
// The test's controls (exports):
//   stub_host_call_now(method) -> on the calling thread and outside any call into them, every
//                  live object calls its host: "event" sends "stub"/"timer", "read" reads the
//                  profile value "key", as an add-in's own timer on the page's thread does;
//                  then it goes on in its own code. 1 when every object was still alive
//                  after its host call returned.
//   stub_counts(done, destroyed) -> how many times Done and DestroyObject ran.
//   stub_stop_streams() -> ends the Stream threads (for a host that unloads the code they call)
//                  and says whether they ended within 10 s.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "AddInDefBase.h"
#include "ComponentBase.h"
#include "IMemoryManager.h"
#include "interface_text.h"

#ifdef _WIN32
#define STUB_EXPORT extern "C" __declspec(dllexport)
#else
#define STUB_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

using velmor_test::Text;
using velmor_test::text;
using velmor_test::equal;

std::string mode() {
    const char* m = std::getenv("STUB_ADDIN");
    return m ? m : "";
}

// A text of no memory manager's.
uint16_t g_static[] = {'s', 't', 'a', 't', 'i', 'c', 0};
const size_t kStaticLength = 6;
class StubComponent;

// The objects not yet destroyed, so that a method can tell when it was destroyed under it.
std::set<StubComponent*> g_liveObjects;
std::atomic<long> g_doneCalls{0};
std::atomic<long> g_destroyCalls{0};

// Values whose claimed length the host must not take on trust: the block holds `bytes`
// (`size` of them, no terminator added) and the record claims `claimed` (bytes, or units
// for VTYPE_PWSTR). A null `bytes` points at kStaticText, outside any block of the host's,
// which only the Chrome host's Write leaves to the add-in.
struct ClaimCase {
    TYPEVAR vt;
    const char* bytes;
    size_t size;
    uint32_t claimed;
};

const char kStaticText[] = "static";

const ClaimCase kClaims[] = {
    {VTYPE_PSTR, "abcdefgh", 8, 4096},                       // 0: no terminator
    {VTYPE_PSTR, "abcdefgh", 8, 65536},                      // 1
    {VTYPE_PSTR, "abc", 4, 0x7fffffff},                      // 2: its terminator in the block
    {VTYPE_PSTR, "a\0b", 4, 3},                              // 3: honest, an embedded zero
    {VTYPE_PWSTR, "a\0b\0", 4, 1000},                        // 4: "ab", no terminator
    {VTYPE_PWSTR, "a\0b\0c\0d\0e\0f\0g\0h\0", 16, 64},        // 5: "abcdefgh", no terminator
    {VTYPE_PWSTR, "a\0b\0c\0d\0e\0f\0g\0h\0", 16, 32u << 20}, // 6
    {VTYPE_BLOB, "0123456789abcdef", 16, 64},                // 7
    {VTYPE_BLOB, "0123456789abcdef", 16, 64u << 20},         // 8
    {VTYPE_PSTR, nullptr, 0, 4096},                          // 9: the add-in's own memory
};

// The streaming thread's rounds (Stream, AwaitStream). Made on first use and never destroyed:
// the thread runs until the process ends, past the library's static destructors.
const long kAwaitedRounds = 100;

struct StreamRounds {
    std::mutex lock;
    std::condition_variable round;
    long rounds = 0;
    long running = 0;  // threads under way
    bool stop = false;
};

StreamRounds& stream_rounds() {
    static StreamRounds* const rounds = new StreamRounds;
    return *rounds;
}

void stream_to(IAddInDefBaseEx* host) {
    StreamRounds& state = stream_rounds();
    Text source = text("stub"), message = text("tick"), data = text("");
    {
        std::lock_guard<std::mutex> lock(state.lock);
        ++state.running;
    }
    for (;;) {
        host->ExternalEvent(&source[0], &message[0], &data[0]);
        host->SetEventBufferDepth(host->GetEventBufferDepth());
        {
            std::lock_guard<std::mutex> lock(state.lock);
            ++state.rounds;
            if (state.stop) {
                --state.running;
                state.round.notify_all();
                return;
            }
        }
        state.round.notify_all();
        // The pace of a busy scanner, not a wait for anything.
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
}

bool await_stream(long rounds) {
    StreamRounds& state = stream_rounds();
    std::unique_lock<std::mutex> lock(state.lock);
    const long until = state.rounds + rounds;
    return state.round.wait_for(lock, std::chrono::seconds(10),
                                [&] { return state.rounds >= until; });
}

Text or_null(const uint16_t* t) { return t != nullptr ? Text(t) : text("null"); }
Text flag(bool on) { return text(on ? "1" : "0"); }

// What the host answers to one round of every operation but the event itself, asked from
// outside its thread: message boxes, errors, the profile, the status line, the event buffer's
// depth and the platform information.
Text off_thread_round(IAddInDefBaseEx* host, IMemoryManager* memory) {
    Text word = text("off"), name = text("key");
    IMsgBoxN* box = static_cast<IMsgBoxN*>(host->GetInterface(eIMsgBox));
    IPlatformInfoN* platform = static_cast<IPlatformInfoN*>(host->GetInterface(eIPlatformInfo));
    tVariant answer{};
    const bool alerted = box != nullptr && box->Alert(word.c_str());
    const bool confirmed = box != nullptr && box->Confirm(word.c_str(), &answer);
    const bool error = host->AddError(1, word.c_str(), word.c_str(), 0);
    tVariant read{};
    long code = -1;
    const bool wasRead = host->Read(&name[0], &read, &code, nullptr);
    for (tVariant* got : {&answer, &read}) {
        if ((got->vt == VTYPE_PWSTR || got->vt == VTYPE_PSTR) && memory != nullptr) {
            void* block = got->pwstrVal;
            memory->FreeMemory(&block);
        }
    }
    tVariant value{};
    value.vt = VTYPE_I4;
    value.lVal = 1;
    const bool written = host->Write(&name[0], &value);
    const bool profile = host->RegisterProfileAs(&name[0]);
    const bool status = host->SetStatusLine(&word[0]);
    host->ResetStatusLine();
    host->CleanEventBuffer();
    host->SetEventBufferDepth(7);
    const long depth = host->GetEventBufferDepth();
    const AppInfo* info = platform != nullptr ? platform->GetPlatformInfo() : nullptr;
    Text said = text("alert=") + flag(alerted) + text(" confirm=") + flag(confirmed) +
                text(" error=") + flag(error) + text(" read=") + flag(wasRead) +
                text(" write=") + flag(written) + text(" profile=") + flag(profile) +
                text(" status=") + flag(status) + text(depth == 7 ? " depth=7" : " depth=?") +
                text(" info=");
    said += info == nullptr ? text("null")
                            : or_null(info->AppVersion) + text("|") +
                                  or_null(info->UserAgentInformation);
    return said;
}

// The threads of StartCallers and AwaitCallers; stopped and joined when the object goes, as a
// real add-in's reader is.
class OffThreadCallers {
public:
    ~OffThreadCallers() {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_stop = true;
        }
        for (std::thread& t : m_threads) t.join();
    }
    void start(IAddInDefBaseEx* host, IMemoryManager* memory, long count) {
        std::lock_guard<std::mutex> lock(m_lock);
        for (long i = 0; i < count; ++i) {
            m_rounds.push_back(0);
            m_said.push_back(Text());
            m_threads.emplace_back(&OffThreadCallers::run, this, host, memory, m_threads.size());
        }
    }
    Text await() {
        std::unique_lock<std::mutex> lock(m_lock);
        const std::vector<long> from = m_rounds;
        const bool done = m_round.wait_for(lock, std::chrono::seconds(10), [&] {
            for (size_t i = 0; i < from.size(); ++i) {
                if (m_rounds[i] < from[i] + kAwaitedRounds) return false;
            }
            return true;
        });
        if (!done) return text("timeout");
        Text all;
        for (const Text& said : m_said) all += (all.empty() ? Text() : text(";")) + said;
        return all;
    }

private:
    void run(IAddInDefBaseEx* host, IMemoryManager* memory, size_t index) {
        for (;;) {
            Text said = off_thread_round(host, memory);
            {
                std::lock_guard<std::mutex> lock(m_lock);
                if (m_stop) return;
                m_said[index] = said;
                ++m_rounds[index];
            }
            m_round.notify_all();
            // The pace of an add-in that keeps calling, not a wait for anything.
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
    }

    std::mutex m_lock;
    std::condition_variable m_round;
    bool m_stop = false;
    std::vector<long> m_rounds;
    std::vector<Text> m_said;
    std::vector<std::thread> m_threads;
};

class StubComponent : public IComponentBase {
public:
    // Properties and methods found by name only.
    static const long kStrayProperty = 3;
    static const long kClaimed = 4;
    static const long kOverlongText = 40;
    static const long kOverlongBlob = 41;
    static const long kRewrite = 42;
    static const long kStray = 43;
    static const long kDefaulted = 44;
    static const long kNarrow = 45;
    static const long kClaim = 46;
    static const long kPlatform = 50;
    static const long kStartCallers = 51;
    static const long kAwaitCallers = 52;
    // Makes the default a large block, so that losing it shows in a heap's size.
    static const size_t kDefaultPadding = 50000;

    StubComponent() { g_liveObjects.insert(this); }
    ~StubComponent() override {
        g_liveObjects.erase(this);
        if (mode() == "event_in_destroy" && m_host != nullptr) {
            Text source = text("stub"), message = text("destroyed"), data = text("");
            m_host->ExternalEvent(&source[0], &message[0], &data[0]);
        }
    }
    bool Init(void* connection) override {
        m_host = static_cast<IAddInDefBaseEx*>(connection);
        return mode() != "refuse";
    }
    bool setMemManager(void* mem) override {
        m_memory = static_cast<IMemoryManager*>(mem);
        return mem != nullptr;
    }
    long GetInfo() override { return mode() == "shared" ? 1500 : 2000; }
    void Done() override {
        ++g_doneCalls;
        if ((mode() == "error_in_done" || mode() == "host_in_done") && m_host != nullptr) {
            Text source = text("stub"), descr = text("done");
            m_host->AddError(1, source.c_str(), descr.c_str(), 0);
        }
        if (mode() == "host_in_done" && m_host != nullptr) hostAgainInDone();
    }

    // A host call of the object's own, outside any call into it (see stub_host_call_now).
    bool hostCallNow(const std::string& method) {
        if (m_host == nullptr) return true;
        if (method == "read") {
            Text name = text("key");
            tVariant read{};
            long code = -1;
            m_host->Read(&name[0], &read, &code, nullptr);
            if ((read.vt == VTYPE_PWSTR || read.vt == VTYPE_PSTR) && m_memory) {
                void* block = read.pwstrVal;
                m_memory->FreeMemory(&block);
            }
        } else {
            Text source = text("stub"), message = text("timer"), data = text("");
            m_host->ExternalEvent(&source[0], &message[0], &data[0]);
        }
        if (g_liveObjects.count(this) == 0) return false;
        ++m_ownCalls;  // goes on in its own state
        return true;
    }

    bool RegisterExtensionAs(uint16_t** name) override {
        *name = name_block(text("Stub"));
        return *name != nullptr;
    }
    long GetNProps() override {
        if (mode() == "event_in_reflection" && m_host != nullptr) {
            Text source = text("stub"), message = text("reflection"), data = text("");
            m_host->ExternalEvent(&source[0], &message[0], &data[0]);
        }
        return 3;
    }
    long FindProp(const uint16_t* name) override {
        if (equal(name, "Value")) return 0;
        if (equal(name, "ReadOnly")) return 1;
        if (equal(name, "WriteOnly")) return 2;
        if (equal(name, "Stray")) return kStrayProperty;
        if (equal(name, "Claimed")) return kClaimed;
        return -1;
    }
    const uint16_t* GetPropName(long num, long) override {
        return mode() == "unterminated" && num == 0 ? name_block(text("Value")) : nullptr;
    }
    bool GetPropVal(const long num, tVariant* var) override {
        if (num == kStrayProperty) {
            set_text(*var, g_static, kStaticLength);
            return true;
        }
        if (num == kClaimed) return claimed(m_claimCase, var);
        var->vt = VTYPE_I4;
        var->lVal = num == 0 ? m_value : 7;
        return true;
    }
    bool SetPropVal(const long num, tVariant* var) override {
        if (num == kStrayProperty) {
            if (var->vt != VTYPE_PWSTR || var->pwstrVal == nullptr) return false;
            const Text what(var->pwstrVal, var->wstrLen);
            return stray(what, *var, *var);
        }
        if (var->vt != VTYPE_I4) return false;
        if (num == kClaimed) {
            m_claimCase = var->lVal;
        } else {
            m_value = var->lVal;
        }
        return true;
    }
    bool IsPropReadable(const long num) override { return num != 2; }
    bool IsPropWritable(const long num) override { return num != 1; }

    long GetNMethods() override { return 3; }
    long FindMethod(const uint16_t* name) override {
        if (equal(name, "Add")) return 0;
        if (equal(name, "One")) return 1;
        if (equal(name, "Callbacks")) return 2;
        if (equal(name, "Reentrant")) return 3;
        if (equal(name, "Rewrite")) return kRewrite;
        if (equal(name, "OverlongText")) return kOverlongText;
        if (equal(name, "OverlongBlob")) return kOverlongBlob;
        if (equal(name, "Stray")) return kStray;
        if (equal(name, "Defaulted")) return kDefaulted;
        if (equal(name, "Narrow")) return kNarrow;
        if (equal(name, "Claim")) return kClaim;
        if (equal(name, "Stream")) return 4;
        if (equal(name, "AwaitStream")) return 5;
        if (equal(name, "Platform")) return kPlatform;
        if (equal(name, "StartCallers")) return kStartCallers;
        if (equal(name, "AwaitCallers")) return kAwaitCallers;
        return -1;
    }
    const uint16_t* GetMethodName(const long num, const long) override {
        return mode() == "unterminated" && num == 0 ? name_block(text("Add")) : nullptr;
    }
    long GetNParams(const long num) override {
        if (num == kStray || num == kDefaulted) return 3;
        if (num == kNarrow || num == kStartCallers) return 1;
        if (num == kRewrite) return 4;
        return num == 0 || num == kClaim ? 2 : num == 1 ? 1 : 0;
    }
    bool GetParamDefValue(const long method, const long param, tVariant* var) override {
        if (method == 0 && param == 1) {
            var->vt = VTYPE_I4;
            var->lVal = 10;
        }
        if (method == kDefaulted && param == 2) {
            const Text given = text("default") + Text(kDefaultPadding, 'x');
            set_text(*var, alloc(given), given.size());
        }
        return true;
    }
    bool HasRetVal(const long) override { return true; }
    bool CallAsProc(const long, tVariant*, const long) override { return false; }
    bool CallAsFunc(const long method, tVariant* ret, tVariant* params, const long count) override {
        switch (method) {
            case 0: {
                if (count != 2 || params[0].vt != VTYPE_I4 || params[1].vt != VTYPE_I4) return false;
                ret->vt = VTYPE_I4;
                ret->lVal = params[0].lVal + params[1].lVal;
                params[0].vt = VTYPE_PWSTR;  // an out-parameter, in host memory
                params[0].pwstrVal = alloc(text("changed"));
                params[0].wstrLen = 7;
                return true;
            }
            case 1:
                *ret = params[0];
                if (ret->vt == VTYPE_PWSTR) {  // the host frees both records: copy the text
                    ret->pwstrVal = alloc(Text(params[0].pwstrVal, params[0].wstrLen));
                }
                return true;
            case 2:
                return callbacks(ret);
            case 3:
                return reentrant(ret);
            case kRewrite:
                return rewrite(ret, params, count);
            case kOverlongText:
                return overlong(ret, VTYPE_PSTR);
            case kOverlongBlob:
                return overlong(ret, VTYPE_BLOB);
            case kStray:
                return strayCall(ret, params, count);
            case kDefaulted:
                return defaulted(ret, params, count);
            case kNarrow:
                return narrow(ret, params, count);
            case kClaim:
                return claim(ret, params, count);
            case 4:
                std::thread(stream_to, m_host).detach();
                ret->vt = VTYPE_BOOL;
                ret->bVal = true;
                return true;
            case 5:
                ret->vt = VTYPE_BOOL;
                ret->bVal = await_stream(kAwaitedRounds);
                return true;
            case kPlatform:
                return platform(ret);
            case kStartCallers:
                if (count != 1 || params[0].vt != VTYPE_I4) return false;
                m_callers.start(m_host, m_memory, params[0].lVal);
                return true;
            case kAwaitCallers:
                return give_text(ret, m_callers.await());
        }
        return false;
    }
    void SetLocale(const uint16_t*) override {}

private:
    uint16_t* alloc(const Text& t) {
        void* block = nullptr;
        if (!m_memory || !m_memory->AllocMemory(&block, (t.size() + 1) * sizeof(uint16_t))) {
            return nullptr;
        }
        std::memcpy(block, t.c_str(), (t.size() + 1) * sizeof(uint16_t));
        return static_cast<uint16_t*>(block);
    }

    // A name for the host, with its terminator unless the mode says otherwise.
    uint16_t* name_block(const Text& t) {
        if (mode() != "unterminated") return alloc(t);
        void* block = nullptr;
        if (!m_memory || !m_memory->AllocMemory(&block, t.size() * sizeof(uint16_t))) return nullptr;
        std::memcpy(block, t.data(), t.size() * sizeof(uint16_t));
        return static_cast<uint16_t*>(block);
    }

    bool callbacks(tVariant* ret) {
        Text source = text("src"), descr = text("descr"), name = text("key");
        Text profile = text("profile"), status = text("busy");
        m_host->AddError(3, source.c_str(), descr.c_str(), 42);
        tVariant value{};
        value.vt = VTYPE_I4;
        value.lVal = 5;
        m_host->Write(&name[0], &value);
        tVariant read{};
        long code = -1;
        m_host->Read(&name[0], &read, &code, nullptr);
        if ((read.vt == VTYPE_PWSTR || read.vt == VTYPE_PSTR) && m_memory) {
            void* block = read.pwstrVal;  // what Read stored is the component's to free
            m_memory->FreeMemory(&block);
        }
        m_host->RegisterProfileAs(&profile[0]);
        m_host->SetStatusLine(&status[0]);
        m_host->ResetStatusLine();
        m_host->ExternalEvent(&source[0], &descr[0], nullptr);
        m_host->SetEventBufferDepth(5);

        IMsgBoxN* box = static_cast<IMsgBoxN*>(m_host->GetInterface(eIMsgBox));
        tVariant answer{};
        const bool confirmed = box && box->Confirm(descr.c_str(), &answer);
        const bool alerted = box && box->Alert(descr.c_str());
        IPlatformInfoN* platform =
            static_cast<IPlatformInfoN*>(m_host->GetInterface(eIPlatformInfo));
        const AppInfo* info = platform ? platform->GetPlatformInfo() : nullptr;

        Text result;
        if (info) result = Text(info->AppVersion) + text("|") + Text(info->UserAgentInformation);
        result += text(confirmed && answer.vt == VTYPE_BOOL && !answer.bVal ? "|confirm=false" : "|?");
        result += text(alerted ? "|alert" : "|?");
        result += text(m_host->GetEventBufferDepth() == 5 ? "|depth=5" : "|?");
        result += text(code == 0 ? "|read=0" : "|?");
        ret->vt = VTYPE_PWSTR;
        ret->pwstrVal = alloc(result);
        ret->wstrLen = static_cast<uint32_t>(result.size());
        return true;
    }

    bool platform(tVariant* ret) {
        IPlatformInfoN* platform =
            static_cast<IPlatformInfoN*>(m_host->GetInterface(eIPlatformInfo));
        const AppInfo* info = platform ? platform->GetPlatformInfo() : nullptr;
        return give_text(ret, info == nullptr ? text("null")
                                              : or_null(info->AppVersion) + text("|") +
                                                    or_null(info->UserAgentInformation));
    }

    bool give_text(tVariant* ret, const Text& said) {
        ret->vt = VTYPE_PWSTR;
        ret->pwstrVal = alloc(said);
        ret->wstrLen = static_cast<uint32_t>(said.size());
        return ret->pwstrVal != nullptr;
    }

    bool reentrant(tVariant* ret) {
        Text source = text("stub"), descr = text("reentrant");
        m_host->AddError(1, source.c_str(), descr.c_str(), 0);
        ret->vt = VTYPE_I4;
        if (g_liveObjects.count(this) == 0) {
            ret->lVal = -1;
            return true;
        }
        ++m_reentrantCalls;
        ret->lVal = m_reentrantCalls;
        return true;
    }

    bool rewrite(tVariant* ret, tVariant* params, const long count) {
        if (count != 4) return false;
        const Text out = text("out");
        ret->vt = VTYPE_PWSTR;
        ret->pwstrVal = alloc(out);
        ret->wstrLen = static_cast<uint32_t>(out.size());
        params[0] = *ret;
        params[2] = *ret;
        params[1] = params[3];
        return true;
    }

    static void set_text(tVariant& var, uint16_t* units, size_t length) {
        var.vt = VTYPE_PWSTR;
        var.pwstrVal = units;
        var.wstrLen = units != nullptr ? static_cast<uint32_t>(length) : 0;
    }

    // Writes into `into` what is no block of the host's, taken from the text record `of`.
    bool stray(const Text& what, tVariant& of, tVariant& into) {
        if (of.vt != VTYPE_PWSTR || of.pwstrVal == nullptr || of.wstrLen == 0) return false;
        if (what == text("middle")) {
            uint16_t* const inside = of.pwstrVal + 1;
            set_text(into, inside, of.wstrLen - 1);
        } else if (what == text("freed")) {
            const uint32_t length = of.wstrLen;
            m_memory->FreeMemory(reinterpret_cast<void**>(&of.pwstrVal));
            set_text(into, of.pwstrVal, length);
        } else if (what == text("static")) {
            set_text(into, g_static, kStaticLength);
        } else {
            return false;
        }
        return true;
    }

    bool strayCall(tVariant* ret, tVariant* params, const long count) {
        if (count != 3 || params[0].vt != VTYPE_PWSTR || params[1].vt != VTYPE_PWSTR) return false;
        const Text what(params[0].pwstrVal, params[0].wstrLen);
        if (Text(params[1].pwstrVal, params[1].wstrLen) == text("result")) {
            return stray(what, params[2], *ret);
        }
        ret->vt = VTYPE_I4;
        ret->lVal = 1;
        return stray(what, params[2], params[1]);
    }

    bool defaulted(tVariant* ret, tVariant* params, const long count) {
        if (count != 3 || params[2].vt != VTYPE_PWSTR) return false;
        const Text given(params[2].pwstrVal, std::min<size_t>(params[2].wstrLen, 7));
        set_text(*ret, alloc(given), given.size());
        const Text out = text("out");
        set_text(params[2], alloc(out), out.size());
        return true;
    }

    // The bytes spelt by a text of hex digits.
    bool narrow(tVariant* ret, tVariant* params, const long count) {
        if (count != 1 || params[0].vt != VTYPE_PWSTR) return false;
        std::string bytes;
        for (uint32_t i = 0; i + 1 < params[0].wstrLen; i += 2) {
            const char digits[] = {char(params[0].pwstrVal[i]), char(params[0].pwstrVal[i + 1]), 0};
            bytes += char(std::strtol(digits, nullptr, 16));
        }
        void* block = nullptr;
        if (!m_memory || !m_memory->AllocMemory(&block, bytes.size() + 1)) return false;
        std::memcpy(block, bytes.c_str(), bytes.size() + 1);
        ret->vt = VTYPE_PSTR;
        ret->pstrVal = static_cast<char*>(block);
        ret->strLen = static_cast<uint32_t>(bytes.size());
        return true;
    }

    void hostAgainInDone() {
        IPlatformInfoN* platform =
            static_cast<IPlatformInfoN*>(m_host->GetInterface(eIPlatformInfo));
        if (platform != nullptr) platform->GetPlatformInfo();
        Text source = text("stub"), message = text("done"), data = text("");
        m_host->ExternalEvent(&source[0], &message[0], &data[0]);
        m_host->SetEventBufferDepth(m_host->GetEventBufferDepth());
    }

    // A block shorter than the length the add-in claims for it.
    bool overlong(tVariant* ret, TYPEVAR vt) {
        static const char kBytes[] = {'\xC3', 'A', 'B', 'C', '\xFF', 'A'};
        void* block = nullptr;
        if (!m_memory || !m_memory->AllocMemory(&block, sizeof kBytes)) return false;
        std::memcpy(block, kBytes, sizeof kBytes);
        ret->vt = vt;
        ret->pstrVal = static_cast<char*>(block);
        ret->strLen = 4096;
        return true;
    }

    // The value of claim case `c`, in a block of its own.
    bool claimed(long c, tVariant* var) {
        if (c < 0 || c >= static_cast<long>(sizeof kClaims / sizeof kClaims[0])) return false;
        const ClaimCase& claim = kClaims[c];
        char* at = const_cast<char*>(kStaticText);
        if (claim.bytes != nullptr) {
            void* block = nullptr;
            if (!m_memory || !m_memory->AllocMemory(&block, claim.size)) return false;
            std::memcpy(block, claim.bytes, claim.size);
            at = static_cast<char*>(block);
        }
        var->vt = claim.vt;
        if (claim.vt == VTYPE_PWSTR) {
            var->pwstrVal = reinterpret_cast<uint16_t*>(at);
            var->wstrLen = claim.claimed;
        } else {
            var->pstrVal = at;
            var->strLen = claim.claimed;
        }
        return true;
    }

    bool claim(tVariant* ret, tVariant* params, const long count) {
        if (count != 2 || params[0].vt != VTYPE_I4 || params[1].vt != VTYPE_I4) return false;
        const long where = params[1].lVal;
        if (where == 0) return claimed(params[0].lVal, ret);
        if (where == 1) return claimed(params[0].lVal, &params[0]);
        if (where != 2) return false;
        tVariant value{};
        if (!claimed(params[0].lVal, &value)) return false;
        Text name = text("claim");
        m_host->Write(&name[0], &value);
        void* left = value.vt != VTYPE_EMPTY ? value.pstrVal : nullptr;
        if (left != nullptr && left != kStaticText) m_memory->FreeMemory(&left);
        return true;
    }

    IAddInDefBaseEx* m_host = nullptr;
    IMemoryManager* m_memory = nullptr;
    long m_claimCase = 0;
    int m_value = 0;
    int m_reentrantCalls = 0;
    long m_ownCalls = 0;
    // Last, so that its threads stop before anything they use goes.
    OffThreadCallers m_callers;
};

const Text g_classNames = text("Stub||Other");

#ifdef STUB_WITHOUT_DESTROY_OBJECT
// The objects are never destroyed: the library holds them for as long as it is loaded, as an
// add-in without DestroyObject does (a leak checker finds them held).
void keep_object(const void* object) {
    static std::set<const void*>* const kept = new std::set<const void*>;
    kept->insert(object);
}
#else
void keep_object(const void*) {}
#endif

}  // namespace

STUB_EXPORT long GetClassObject(const uint16_t*, IComponentBase** component) {
    if (mode() == "noobject" || *component != nullptr) return 0;
    *component = new StubComponent;
    keep_object(*component);
    return 1;
}

#ifndef STUB_WITHOUT_DESTROY_OBJECT
STUB_EXPORT long DestroyObject(IComponentBase** component) {
    if (*component == nullptr) return -1;
    ++g_destroyCalls;
    delete *component;
    *component = nullptr;
    return 0;
}
#endif

STUB_EXPORT const uint16_t* GetClassNames() {
    return g_classNames.c_str();
}

STUB_EXPORT int stub_host_call_now(const char* method) {
    const std::set<StubComponent*> objects = g_liveObjects;
    bool allAlive = true;
    for (StubComponent* object : objects) {
        if (g_liveObjects.count(object) != 0 && !object->hostCallNow(method)) allAlive = false;
    }
    return allAlive ? 1 : 0;
}

STUB_EXPORT void stub_counts(long* done, long* destroyed) {
    *done = g_doneCalls;
    *destroyed = g_destroyCalls;
}

STUB_EXPORT int stub_stop_streams() {
    StreamRounds& state = stream_rounds();
    std::unique_lock<std::mutex> lock(state.lock);
    state.stop = true;
    return state.round.wait_for(lock, std::chrono::seconds(10), [&] { return state.running == 0; })
               ? 1
               : 0;
}
