// A stand-in add-in library for the host's tests: it behaves as the environment variable
// STUB_ADDIN asks, so that one library covers the cases the real add-in never shows.
//   STUB_ADDIN=noobject      GetClassObject makes no component
//   STUB_ADDIN=refuse        the component refuses Init
//   STUB_ADDIN=shared        the component's version is 1500 (one site for all requests)
//   STUB_ADDIN=error_in_done Done reports an error to the host (which may end the object again)
//   STUB_ADDIN=event_in_destroy  the destructor sends an event "stub"/"destroyed" to the host
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
//   Stream() -> starts a thread that, until the process ends, sends events "stub"/"tick" and
//               reads and sets the event buffer depth through the host this object was given
//               (found by name only);
//   AwaitStream() -> waits (10 s at most) until that thread has made 100 more rounds, and says
//               whether it did (found by name only).
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

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <thread>

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

class StubComponent;

// The objects not yet destroyed, so that a method can tell when it was destroyed under it.
std::set<StubComponent*> g_liveObjects;
std::atomic<long> g_doneCalls{0};
std::atomic<long> g_destroyCalls{0};

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

class StubComponent : public IComponentBase {
public:
    static const long kOverlongText = 40;
    static const long kOverlongBlob = 41;
    static const long kRewrite = 42;

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
        *name = alloc(text("Stub"));
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
        return -1;
    }
    const uint16_t* GetPropName(long, long) override { return nullptr; }
    bool GetPropVal(const long num, tVariant* var) override {
        var->vt = VTYPE_I4;
        var->lVal = num == 0 ? m_value : 7;
        return true;
    }
    bool SetPropVal(const long, tVariant* var) override {
        if (var->vt != VTYPE_I4) return false;
        m_value = var->lVal;
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
        if (equal(name, "Stream")) return 4;
        if (equal(name, "AwaitStream")) return 5;
        return -1;
    }
    const uint16_t* GetMethodName(const long, const long) override { return nullptr; }
    long GetNParams(const long num) override {
        return num == 0 ? 2 : num == 1 ? 1 : num == kRewrite ? 4 : 0;
    }
    bool GetParamDefValue(const long method, const long param, tVariant* var) override {
        if (method == 0 && param == 1) {
            var->vt = VTYPE_I4;
            var->lVal = 10;
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
            case 4:
                std::thread(stream_to, m_host).detach();
                ret->vt = VTYPE_BOOL;
                ret->bVal = true;
                return true;
            case 5:
                ret->vt = VTYPE_BOOL;
                ret->bVal = await_stream(kAwaitedRounds);
                return true;
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

    IAddInDefBaseEx* m_host = nullptr;
    IMemoryManager* m_memory = nullptr;
    int m_value = 0;
    int m_reentrantCalls = 0;
    long m_ownCalls = 0;
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
