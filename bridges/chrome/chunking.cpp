#include "chunking.h"

#include "frame_limits.h"
#include "host_names.h"
#include "js_value.h"

namespace {

// An upper bound of the bytes that one text byte takes inside a JSON string as the compact
// writer escapes it: quote and backslash 2 ("\\\""), control characters up to 6 ("\u001f"),
// bytes of multi-byte characters up to 6 each (a character is written as one "\uXXXX", or
// two for those beyond U+FFFF, never more than 6 bytes per byte of its UTF-8 form).
size_t escaped_cost(unsigned char c) {
    if (c == '"' || c == '\\') return 2;
    if (c < 0x20 || c >= 0x80) return 6;
    return 1;
}

// The longest chunk message without its piece: every number at its widest.
size_t chunk_overhead() {
    JsValue msg(Json::objectValue);
    msg[kNameChunkData] = "";
    msg[kNameChunkCount] = 4294967295u;
    msg[kNameChunkNum] = 4294967295u;
    msg[kNameQueryId] = 4294967295u;
    msg[kNameType] = static_cast<int>(eMsgChunk);
    return json_write(msg).size();
}

bool is_continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

std::vector<ChunkPiece> plan_chunks(const std::string& text) {
    static const size_t kBudget = kMaxFrameText - chunk_overhead();
    std::vector<ChunkPiece> pieces;
    const size_t n = text.size();
    size_t pos = 0;
    while (pos < n) {
        size_t end = pos;
        size_t cost = 0;
        while (end < n && end - pos < kChunkPieceSize) {
            const size_t c = escaped_cost(static_cast<unsigned char>(text[end]));
            if (cost + c > kBudget) break;
            cost += c;
            ++end;
        }
        // Do not end inside a UTF-8 sequence (unless the piece would become empty).
        size_t cut = end;
        while (cut < n && cut > pos && is_continuation(static_cast<unsigned char>(text[cut]))) --cut;
        if (cut > pos) end = cut;
        pieces.push_back(ChunkPiece{pos, end - pos});
        pos = end;
    }
    if (pieces.empty() || pieces.back().length == kChunkPieceSize) {
        pieces.push_back(ChunkPiece{n, 0});
    }
    return pieces;
}

std::string chunk_message(const std::string& text, const ChunkPiece& piece, size_t count,
                          size_t num, uint32_t queryId) {
    JsValue msg(Json::objectValue);
    msg[kNameChunkData] = JsValue(text.data() + piece.offset,
                                  text.data() + piece.offset + piece.length);
    msg[kNameChunkCount] = static_cast<unsigned>(count);
    msg[kNameChunkNum] = static_cast<unsigned>(num);
    msg[kNameQueryId] = queryId;
    msg[kNameType] = static_cast<int>(eMsgChunk);
    return json_write(msg);
}
