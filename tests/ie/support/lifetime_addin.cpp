// A test add-in for the lifetimes of the Internet Explorer server's sites: one class,
// "Lifetime", whose component calls its host back where a page can end or re-enter the site
// (from Init, from Done) and sends events from threads of its own. The test that loads it
// steers and reads it through the lifetime_* exports (the same module as the server's).
//   Init         reports an error to the host when lifetime_set asked for it
//   Done         counted; stops the event thread; when asked, calls Confirm, Alert and
//                GetPlatformInfo
//   SendEvents() sends three events from another thread, which has ended when it returns
//   StartEvents() starts a thread that sends numbered events ("1", "2", ...) without pause
//                until StopEvents or Done, or for at most kSendingLimitMs
//   StopEvents() stops that thread; returns the number of events it sent
// lifetime_host_call_now() makes every live object send an event "timer" from the calling
// thread, outside any call into it, as a timer of the add-in's own on the page's thread does.

#include <windows.h>

#include <atomic>
#include <cstring>
#include <set>
#include <string>
#include <thread>

#include "AddInDefBase.h"
#include "ComponentBase.h"
#include "IMemoryManager.h"
#include "interface_text.h"

#define LIFETIME_EXPORT extern "C" __declspec(dllexport)

namespace {

constexpr DWORD kSendingLimitMs = 10000;

std::atomic<bool> g_errorOnInit{false};
std::atomic<bool> g_callbacksOnDone{false};
std::atomic<long> g_liveObjects{0};
std::atomic<long> g_doneCalls{0};

using velmor_test::Text;
using velmor_test::text;
using velmor_test::equal;

class LifetimeComponent;
std::set<LifetimeComponent*> g_objects;  // the page's thread only

class LifetimeComponent : public IComponentBase {
public:
    LifetimeComponent() {
        ++g_liveObjects;
        g_objects.insert(this);
    }
    ~LifetimeComponent() override {
        g_objects.erase(this);
        stopEvents();
        --g_liveObjects;
    }

    // False when the object was gone once its host call returned.
    bool timerEvent() {
        Text source = text("Lifetime"), message = text("event"), data = text("timer");
        m_host->ExternalEvent(&source[0], &message[0], &data[0]);
        if (g_objects.count(this) == 0) return false;
        ++m_timerEvents;  // goes on in its own state
        return true;
    }

    bool Init(void* connection) override {
        m_host = static_cast<IAddInDefBaseEx*>(connection);
        if (g_errorOnInit) {
            Text source = text("lifetime"), descr = text("init");
            m_host->AddError(1, source.c_str(), descr.c_str(), 0);
        }
        return true;
    }
    bool setMemManager(void* mem) override {
        m_memory = static_cast<IMemoryManager*>(mem);
        return mem != nullptr;
    }
    long GetInfo() override { return 2000; }
    void Done() override {
        ++g_doneCalls;
        stopEvents();
        if (g_callbacksOnDone) callBack();
    }

    bool RegisterExtensionAs(uint16_t** name) override {
        const Text t = text("Lifetime");
        void* block = nullptr;
        if (!m_memory || !m_memory->AllocMemory(&block, (t.size() + 1) * sizeof(uint16_t))) {
            return false;
        }
        std::memcpy(block, t.c_str(), (t.size() + 1) * sizeof(uint16_t));
        *name = static_cast<uint16_t*>(block);
        return true;
    }
    long GetNProps() override { return 0; }
    long FindProp(const uint16_t*) override { return -1; }
    const uint16_t* GetPropName(long, long) override { return nullptr; }
    bool GetPropVal(const long, tVariant*) override { return false; }
    bool SetPropVal(const long, tVariant*) override { return false; }
    bool IsPropReadable(const long) override { return false; }
    bool IsPropWritable(const long) override { return false; }

    long GetNMethods() override { return 3; }
    long FindMethod(const uint16_t* name) override {
        if (equal(name, "SendEvents")) return 0;
        if (equal(name, "StartEvents")) return 1;
        if (equal(name, "StopEvents")) return 2;
        return -1;
    }
    const uint16_t* GetMethodName(const long, const long) override { return nullptr; }
    long GetNParams(const long) override { return 0; }
    bool GetParamDefValue(const long, const long, tVariant*) override { return false; }
    bool HasRetVal(const long) override { return true; }
    bool CallAsProc(const long, tVariant*, const long) override { return false; }
    bool CallAsFunc(const long method, tVariant* ret, tVariant*, const long) override {
        ret->vt = VTYPE_I4;
        ret->lVal = 0;
        switch (method) {
            case 0: std::thread([this] { sendThree(); }).join(); return true;
            case 1: startEvents(); return true;
            case 2: ret->lVal = stopEvents(); return true;
        }
        return false;
    }
    void SetLocale(const uint16_t*) override {}

private:
    void send(long number) {
        Text source = text("Lifetime"), message = text("event");
        Text data = text(std::to_string(number).c_str());
        m_host->ExternalEvent(&source[0], &message[0], &data[0]);
    }

    void sendThree() {
        for (long i = 1; i <= 3; ++i) send(i);
    }

    void startEvents() {
        if (m_sender.joinable()) return;
        m_stop = false;
        m_sent = 0;
        m_sender = std::thread([this] {
            const DWORD start = GetTickCount();
            while (!m_stop && GetTickCount() - start < kSendingLimitMs) send(++m_sent);
        });
    }

    long stopEvents() {
        m_stop = true;
        if (m_sender.joinable()) m_sender.join();
        return m_sent;
    }

    void callBack() {
        const Text query = text("done?");
        IMsgBoxN* box = static_cast<IMsgBoxN*>(m_host->GetInterface(eIMsgBox));
        if (box != nullptr) {
            tVariant answer{};
            box->Confirm(query.c_str(), &answer);
            box->Alert(query.c_str());
        }
        IPlatformInfoN* platform =
            static_cast<IPlatformInfoN*>(m_host->GetInterface(eIPlatformInfo));
        if (platform != nullptr) platform->GetPlatformInfo();
    }

    IAddInDefBaseEx* m_host = nullptr;
    IMemoryManager* m_memory = nullptr;
    std::thread m_sender;
    std::atomic<bool> m_stop{false};
    std::atomic<long> m_sent{0};
    long m_timerEvents = 0;
};

const Text g_classNames = text("Lifetime");

}  // namespace

LIFETIME_EXPORT long GetClassObject(const uint16_t*, IComponentBase** component) {
    if (*component != nullptr) return 0;
    *component = new LifetimeComponent;
    return 1;
}

LIFETIME_EXPORT long DestroyObject(IComponentBase** component) {
    delete *component;
    *component = nullptr;
    return 0;
}

LIFETIME_EXPORT const uint16_t* GetClassNames() { return g_classNames.c_str(); }

// The test's controls.
LIFETIME_EXPORT void lifetime_set(int errorOnInit, int callbacksOnDone) {
    g_errorOnInit = errorOnInit != 0;
    g_callbacksOnDone = callbacksOnDone != 0;
}
LIFETIME_EXPORT long lifetime_live_objects() { return g_liveObjects; }
LIFETIME_EXPORT long lifetime_done_calls() { return g_doneCalls; }
LIFETIME_EXPORT int lifetime_host_call_now() {
    const std::set<LifetimeComponent*> objects = g_objects;
    bool allAlive = true;
    for (LifetimeComponent* object : objects) {
        if (g_objects.count(object) != 0 && !object->timerEvent()) allAlive = false;
    }
    return allAlive ? 1 : 0;
}
