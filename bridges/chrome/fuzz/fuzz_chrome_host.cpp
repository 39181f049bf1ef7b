// libFuzzer target over the host's message handling: framing, dispatch, the service, sites,
// the native adapter and the add-in itself, which the service loads from beside the fuzz
// binary as the host does from beside its own file. Object numbers in an input are relative
// to the first object it makes (see with_relative_ids), so inputs reach their own objects. Whatever the bytes, the host must stay
// alive, keep its memory bounded by what it was given, and stay in step with its framing: it
// consumes exactly the frames that a plain reading of the length prefixes finds, up to the
// end of the input or a quit message.
//
// Inputs that name the add-in's claim (the method Claim, the property Claimed, or their
// Russian names) are not run: claiming opens a serial device, the default port or whatever
// path the input gives, and a fuzzer must not take over the machine's terminals.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "addin_service.h"
#include "bridge_config.h"
#include "frame_limits.h"
#include "frame_output.h"
#include "frame_reader.h"
#include "host_names.h"
#include "message_loop.h"
#include "object_holder.h"
#include "platform.h"
#include "query_id.h"
#include "utils.h"

namespace {

// The end offset of every frame, as a reader that only follows the prefixes sees them; an
// announced length beyond the input ends at the input's end.
std::vector<size_t> frame_ends(const uint8_t* data, size_t size) {
    std::vector<size_t> ends;
    size_t pos = 0;
    while (size - pos >= 4) {
        uint32_t n = 0;
        std::memcpy(&n, data + pos, 4);
        pos += 4;
        pos = size - pos < n ? size : pos + n;
        ends.push_back(pos);
    }
    return ends;
}

void fail(const char* what) {
    std::fprintf(stderr, "fuzz_chrome_host: %s\n", what);
    std::abort();
}

// The names under which the add-in opens its port, as the add-in compares them.
bool is_claim_name(const std::string& utf8) {
    static const std::u16string kNames[] = {
        u"Claim", u"Claimed",
        u"\u0417\u0430\u043d\u044f\u0442\u044c",  // Russian "Claim"
        u"\u0423\u0441\u0442\u0440\u043e\u0439\u0441\u0442\u0432\u043e"
        u"\u0417\u0430\u043d\u044f\u0442\u043e",  // Russian "Claimed"
    };
    UnicodeString name;
    Utils::UTF8ToWide(utf8, name, false);
    const size_t zero = name.find(UnicodeChar(0));  // the add-in's strings end there
    if (zero != UnicodeString::npos) name.resize(zero);
    for (const std::u16string& known : kNames) {
        if (std::equal(name.begin(), name.end(), known.begin(), known.end())) return true;
    }
    return false;
}

bool names_a_claim(const JsValue& value) {
    if (value.isString()) return is_claim_name(value.asString());
    if (value.isArray()) {
        for (Json::ArrayIndex i = 0; i < value.size(); ++i) {
            if (names_a_claim(value[i])) return true;
        }
    }
    if (value.isObject()) {
        for (const std::string& member : value.getMemberNames()) {
            if (is_claim_name(member) || names_a_claim(value[member])) return true;
        }
    }
    return false;
}

// Parses as the host does. The reader throws where nesting is too deep for it; the host
// then skips the message (message_loop.cpp), so here it reads as no value at all.
bool read_as_host(const char* text, size_t len, JsValue& msg) {
    try {
        return json_read(text, len, msg);
    } catch (...) {
        msg = JsValue();
        return false;
    }
}

// Reads the input's messages exactly as the host will and looks for a claim in any of them.
bool input_names_a_claim(const uint8_t* data, size_t size) {
    MemoryByteSource source(data, size);
    FrameReader reader(source);
    std::string text;
    for (;;) {
        const FrameReader::Result got = reader.next(text);
        if (got == FrameReader::eEnd) return false;
        if (got != FrameReader::eFrame) continue;
        JsValue msg;
        read_as_host(text.data(), text.size(), msg);
        if (names_a_claim(msg)) return true;
    }
}

// The number that the next scriptable object will get. Numbers are never given out twice in
// a run, so every input starts further on; a probe object tells where.
cls_id next_object_number() {
    const cls_id probe = (new AddInServiceEx())->get_id();
    ObjectHolder::get().remove(probe);
    return probe + 1;
}

// Object numbers in an input count from the first object that the input makes: the input as
// the host is to get it, with `base` added to every small "cls_id" (0 when absent) of a frame
// that is a well-formed JSON object, so that an input reaches the service and sites it made
// whatever ran before it. Every other frame, and bytes after the last whole frame, pass
// unchanged.
std::string with_relative_ids(const uint8_t* data, size_t size, cls_id base) {
    const uint32_t kRelativeLimit = 1000;
    std::string out;
    size_t pos = 0;
    while (size - pos >= 4) {
        uint32_t n = 0;
        std::memcpy(&n, data + pos, 4);
        const size_t start = pos;
        pos = size - pos - 4 < n ? size : pos + 4 + n;
        const char* text = reinterpret_cast<const char*>(data + start + 4);
        const size_t length = pos - start - 4;
        JsValue msg;
        uint32_t relative = 0;
        const bool rewrite = length == n && std::memchr(text, 0, length) == nullptr &&
                             read_as_host(text, length, msg) && msg.isObject() &&
                             (!msg.isMember(kNameClsId) ||
                              (msg[kNameClsId].isIntegral() && !msg[kNameClsId].isBool() &&
                               cls_id_of(msg[kNameClsId], relative) && relative < kRelativeLimit));
        if (!rewrite) {
            out.append(reinterpret_cast<const char*>(data + start), pos - start);
            continue;
        }
        msg[kNameClsId] = base + relative;
        const std::string written = json_write(msg);
        const uint32_t writtenLength = static_cast<uint32_t>(written.size());
        out.append(reinterpret_cast<const char*>(&writtenLength), 4);
        out += written;
    }
    out.append(reinterpret_cast<const char*>(data + pos), size - pos);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Replies go nowhere; what is checked is the host's state, not its answers.
    const int sink = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (sink < 0) fail("cannot open /dev/null");
    set_output_fd(sink);
    // The add-in must be there, or the service's paths would go unexercised. It stays
    // loaded for the whole run, so that each input does not load it afresh.
    const std::string directory = own_directory(nameFilePrj);
    if (directory.empty()) fail("the fuzz binary does not find its own directory");
    if (open_library(directory + nameFileComponent) == nullptr) {
        fail("the add-in cannot be loaded from beside the fuzz binary");
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input = with_relative_ids(data, size, next_object_number());
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(input.data());
    if (input_names_a_claim(bytes, input.size())) return -1;  // not run, kept out of the corpus
    MemoryByteSource source(bytes, input.size());
    const LoopStats stats = run_message_loop(source);
    const std::vector<size_t> ends = frame_ends(bytes, input.size());
    const size_t handled = stats.frames + stats.oversized;

    if (stats.quit) {
        if (handled == 0 || handled > ends.size()) fail("quit outside the frames");
        if (source.consumed() != ends[handled - 1]) fail("out of step at a quit message");
    } else {
        if (handled != ends.size()) fail("frame count differs from the prefixes");
        if (source.consumed() != input.size()) fail("input not read to its end");
    }
    // Every object of this input goes, so that inputs do not pile up objects.
    ObjectHolder::get().clear();
    return 0;
}
