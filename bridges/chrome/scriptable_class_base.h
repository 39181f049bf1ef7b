#pragma once
// The base of every object that the page can address through the Chrome host:
// its number, class name and method names, the message writers, and the output lock.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <set>
#include <string>

#include "host_types.h"
#include "js_value.h"

class ScriptableClassBase {
public:
    ScriptableClassBase();
    virtual ~ScriptableClassBase();
    ScriptableClassBase(const ScriptableClassBase&) = delete;
    ScriptableClassBase& operator=(const ScriptableClassBase&) = delete;

    virtual bool HasMethod(const std::string& name);
    virtual bool HasProperty(const std::string& name) = 0;
    virtual bool GetProperty(const std::string& name, CNPVariant& result) = 0;
    virtual bool SetProperty(const std::string& name, const CNPVariant& value) = 0;
    virtual JsValue getAllProps(JsValue& writable) = 0;
    virtual void setAllProps(const JsValue& val) = 0;
    virtual bool Construct(const JsValue& args, JsValue& result);
    virtual JsValue toJson() = 0;
    virtual bool Invoke(const std::string& name, JsValue& args, CNPVariant& result) = 0;
    virtual void sendError(int err_code, const std::string& err_decr);
    virtual bool translateMsg(JsValue& args) = 0;
    virtual bool methodsProc(int callMode, const std::string& name, JsValue& args,
                             CNPVariant& result);
    virtual bool propsProc(int callMode, const std::string& name, CNPVariant& result);
    // Writes `msg` as one frame, or as chunk messages when it is too long; chunks carry the
    // counter's value as it is now.
    virtual int write_message(std::string msg);
    virtual void sendMsg(const std::string& name, const JsValue& params, const JsValue& val,
                         int type) = 0;

    cls_id get_id() const { return m_clsid; }

    // The same as write_message for a message whose query id is `queryId`: every chunk of it
    // carries that id, and its chunks go out as one sequence that no other frame interrupts.
    int write_message_as(const std::string& msg, uint32_t queryId);

    // The output lock (see frame_output.h).
    static void lock();
    static void unlock();
    class AutoLocker {
    public:
        explicit AutoLocker(ScriptableClassBase* _prnt) : m_prnt(_prnt) { m_prnt->lock(); }
        ~AutoLocker() { m_prnt->unlock(); }
        AutoLocker(const AutoLocker&) = delete;
        AutoLocker& operator=(const AutoLocker&) = delete;

    private:
        ScriptableClassBase* m_prnt;
    };

    // The shared query counter. It is updated by the message thread (requests) and by the
    // add-in's reader thread (callbacks), hence atomic: each callback takes its own number.
    static uint32_t current_query_id() { return my_query_count.load(); }
    static void set_query_id(uint32_t id) { my_query_count.store(id); }
    static uint32_t next_query_id() { return my_query_count.fetch_add(1) + 1; }
    // A request begins (message thread): a numeric "query_id" becomes the counter's value.
    // Returns the request's own id, which its error replies carry whatever the reader thread
    // does to the counter meanwhile: the request's "query_id", or the counter's value at the
    // start when it had none that is a number.
    static uint32_t begin_request(const JsValue& request);
    static uint32_t request_query_id() { return m_requestQueryId.load(); }
    // Live scriptable objects (main thread only).
    static long live_objects() { return m_refCount; }

protected:
    // The method protocol over a class's table of names: mode 0 registers them all, mode 1
    // asks whether `name` is one, mode 2 finds the method being invoked.
    void registerMethods(const char* const names[], int count);
    static int methodIndex(const char* const names[], int count, const std::string& name);
    // The index of m_currentProc when it is a registered method of the table, or -1.
    int invokedMethod(const char* const names[], int count) const;

    int m_retCode;
    cls_id m_clsid;
    std::string m_currentProc;
    std::string m_clsName;
    std::set<std::string> m_procNames;

    static std::atomic<uint32_t> my_query_count;

private:
    static uint64_t cls_count;  // wider than cls_id, so exhaustion is seen, not wrapped
    // Set by the message thread; atomic as the reader thread's callbacks pass the code that
    // reads it.
    static std::atomic<uint32_t> m_requestQueryId;
    static long m_refCount;
};

// Writes an error message {"cls_id", "error_descr", "error_num", "query_id", "type": 11};
// shared by sendError and the loop's answer to requests for no live object.
void write_error_message(cls_id id, int error_num, const std::string& descr, uint32_t queryId);
