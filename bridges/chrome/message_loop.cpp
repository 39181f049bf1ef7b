#include "message_loop.h"

#include <new>

#include "addin_service.h"
#include "frame_output.h"
#include "frame_reader.h"
#include "host_globals.h"
#include "host_names.h"
#include "object_holder.h"
#include "query_id.h"
#include "scriptable_class_base.h"

namespace {

// The init message's texts: a string as it is, null as "", a boolean as "true"/"false";
// other kinds leave the stored text as it was.
void store_text(const JsValue& msg, const char* name, std::string& into) {
    if (!msg.isMember(name)) return;
    const JsValue& value = msg[name];
    if (value.isString() || value.isNull() || value.isBool()) into = value.asString();
}

void handle_init(const JsValue& msg) {
    store_text(msg, kNameVersion, g_version);
    store_text(msg, kNameUserAgent, g_userAgent);
    new AddInServiceEx();  // registers itself; the registry owns it
    JsValue reply(Json::objectValue);
    reply[kNameRetVal] = true;
    reply[kNameType] = static_cast<int>(eMsgInitResult);
    write_frame(json_write(reply));
}

void handle_create(JsValue& msg) {
    if (!msg.isMember(kNameCreate)) return;
    const JsValue& create = msg[kNameCreate];
    if (!create.isString() || create.asString() != "AddInServiceEx") return;
    ObjectHolder::ObjectPtr service =
        ObjectHolder::get().get_shared((new AddInServiceEx())->get_id());
    if (service) service->translateMsg(msg);
}

// Calls, property writes and reads: the addressed object's translateMsg; an escaping
// exception becomes an error message from that object.
void handle_request(JsValue& msg, int32_t type, cls_id id) {
    // The hold keeps the object alive for the whole request, even when the request itself
    // releases it (the service's "releaseObject").
    ObjectHolder::ObjectPtr obj = ObjectHolder::get().get_shared(id);
    if (!obj) {
        // No live object of that number: answered with an error instead of a crash.
        write_error_message(id, type, "Invalid operation", ScriptableClassBase::begin_request(msg));
        return;
    }
    std::string error;
    try {
        obj->translateMsg(msg);
        return;
    } catch (const lib_exception& e) {
        error = e.what();
    } catch (const std::bad_alloc&) {
        error = "Out of memory";
    } catch (...) {
        error = "Unknown error";
    }
    if (!error.empty()) obj->sendError(type, error);
}

}  // namespace

LoopStep handle_message(const std::string& text) {
    try {
        JsValue msg;
        json_read(text.data(), text.size(), msg);  // what was built is used, success or not
        if (!msg.isObject() || !msg.isMember(kNameType)) return eLoopContinue;
        int32_t type = 0;
        if (!js_to_int32(msg[kNameType], type)) return eLoopContinue;
        // Init, create and quit address no object and ignore "cls_id"; a request or release
        // whose "cls_id" is no usable number is dropped.
        cls_id id = 0;
        const bool usableId = !msg.isMember(kNameClsId) || cls_id_of(msg[kNameClsId], id);

        switch (static_cast<uint32_t>(type)) {
            case eMsgInit:
                handle_init(msg);
                break;
            case eMsgCall:
            case eMsgSetProperty:
            case eMsgGetProperty:
                if (usableId) handle_request(msg, type, id);
                break;
            case eMsgCreate:
                handle_create(msg);
                break;
            case eMsgRelease:
                if (usableId) ObjectHolder::get().remove(id);
                break;
            case eMsgQuit:
                return eLoopQuit;
            default:
                break;
        }
    } catch (...) {
        // Nothing that one message causes may end the host.
    }
    return eLoopContinue;
}

LoopStats run_message_loop(IByteSource& input, uint32_t maxMessage) {
    LoopStats stats;
    ObjectHolder::get();
    FrameReader reader(input, maxMessage);
    std::string text;
    for (;;) {
        const FrameReader::Result got = reader.next(text);
        if (got == FrameReader::eEnd) break;
        if (got == FrameReader::eOversized) {
            ++stats.oversized;
            continue;
        }
        ++stats.frames;
        if (handle_message(text) == eLoopQuit) {
            stats.quit = true;
            break;
        }
        if (text.capacity() > kKeptReadBuffer) std::string().swap(text);
    }
    return stats;
}
