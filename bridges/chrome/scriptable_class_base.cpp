#include "scriptable_class_base.h"

#include "arguments.h"
#include "chunking.h"
#include "frame_limits.h"
#include "frame_output.h"
#include "host_exceptions.h"
#include "host_names.h"
#include "object_holder.h"
#include "query_id.h"

std::atomic<uint32_t> ScriptableClassBase::my_query_count{0};
uint64_t ScriptableClassBase::cls_count = 0;
std::atomic<uint32_t> ScriptableClassBase::m_requestQueryId{0};
long ScriptableClassBase::m_refCount = 0;

namespace {
constexpr uint64_t kClsIdLimit = uint64_t(1) << 32;
}  // namespace

ScriptableClassBase::ScriptableClassBase() : m_retCode(0), m_clsid(0) {
    // Numbers are never reused within a run; when all 2^32 are spent, no object can be made.
    if (cls_count >= kClsIdLimit) throw lib_exception("Invalid operation", false);
    m_clsid = static_cast<cls_id>(cls_count++);
    ++m_refCount;
    register_object(this);
}

ScriptableClassBase::~ScriptableClassBase() { --m_refCount; }

bool ScriptableClassBase::HasMethod(const std::string& name) {
    JsValue args;
    CNPVariant result;
    return methodsProc(1, name, args, result);
}

bool ScriptableClassBase::Construct(const JsValue&, JsValue&) { return false; }

bool ScriptableClassBase::methodsProc(int, const std::string&, JsValue&, CNPVariant&) {
    return false;
}

void ScriptableClassBase::registerMethods(const char* const names[], int count) {
    for (int i = 0; i < count; ++i) m_procNames.insert(names[i]);
}

int ScriptableClassBase::methodIndex(const char* const names[], int count,
                                     const std::string& name) {
    for (int i = 0; i < count; ++i) {
        if (name == names[i]) return i;
    }
    return -1;
}

int ScriptableClassBase::invokedMethod(const char* const names[], int count) const {
    const int i = methodIndex(names, count, m_currentProc);
    return i >= 0 && m_procNames.count(names[i]) != 0 ? i : -1;
}

bool ScriptableClassBase::propsProc(int, const std::string&, CNPVariant&) { return false; }

void ScriptableClassBase::lock() { output_mutex().lock(); }
void ScriptableClassBase::unlock() { output_mutex().unlock(); }

uint32_t ScriptableClassBase::begin_request(const JsValue& request) {
    uint32_t id = 0;
    if (js_has_member(request, kNameQueryId) && query_id_of(request[kNameQueryId], id)) {
        set_query_id(id);
    } else {
        id = current_query_id();
    }
    m_requestQueryId.store(id);
    return id;
}

void write_error_message(cls_id id, int error_num, const std::string& descr, uint32_t queryId) {
    JsValue msg(Json::objectValue);
    msg[kNameClsId] = id;
    msg[kNameErrorDescr] = descr;
    msg[kNameErrorNum] = error_num;
    msg[kNameQueryId] = queryId;
    msg[kNameType] = static_cast<int>(eMsgError);
    write_frame(json_write(msg));
}

// Errors come only from requests, on the message thread: they answer the current request.
void ScriptableClassBase::sendError(int err_code, const std::string& err_decr) {
    write_error_message(m_clsid, m_retCode != 0 ? m_retCode : err_code, err_decr,
                        request_query_id());
    m_retCode = 0;
}

int ScriptableClassBase::write_message(std::string msg) {
    return write_message_as(msg, current_query_id());
}

int ScriptableClassBase::write_message_as(const std::string& msg, uint32_t queryId) {
    if (msg.size() + 1 <= kMaxFrameTextPlusOne) return write_frame(msg);
    const std::vector<ChunkPiece> pieces = plan_chunks(msg);
    int total = 0;
    // The whole sequence under one hold of the lock: a page puts a message together from
    // consecutive chunks of one id. Each chunk text is made just before it is written, so
    // that only one is held at a time.
    std::lock_guard<std::mutex> guard(output_mutex());
    for (size_t i = 0; i < pieces.size(); ++i) {
        total += write_frame_locked(chunk_message(msg, pieces[i], pieces.size(), i + 1, queryId));
    }
    return total;
}
