// The host's framing without a process: the frame reader over inputs that arrive in pieces
// or lie about their length, and the chunk plan over texts that escape badly.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "callback_text.h"
#include "chunking.h"
#include "frame_limits.h"
#include "frame_reader.h"
#include "js_value.h"

namespace {

std::string prefix(uint32_t n) {
    char p[4];
    std::memcpy(p, &n, 4);
    return std::string(p, 4);
}

// Hands out at most `step` bytes per read, as a pipe may.
class TrickleSource : public IByteSource {
public:
    TrickleSource(const std::string& data, size_t step) : m_data(data), m_step(step) {}
    size_t readSome(uint8_t* buffer, size_t size) override {
        size_t n = std::min(std::min(size, m_step), m_data.size() - m_pos);
        std::memcpy(buffer, m_data.data() + m_pos, n);
        m_pos += n;
        return n;
    }
    size_t consumed() const { return m_pos; }

private:
    std::string m_data;
    size_t m_step;
    size_t m_pos = 0;
};

struct ReadCase {
    const char* name;
    std::string input;
    uint32_t maxMessage;
    std::vector<std::string> frames;  // "<skipped>" for an oversized frame
};

class FrameReading : public ::testing::TestWithParam<ReadCase> {};

TEST_P(FrameReading, YieldsTheFramesWhateverThePiecesTheInputArrivesIn) {
    for (size_t step : {size_t(1), size_t(3), size_t(1) << 20}) {
        TrickleSource source(GetParam().input, step);
        FrameReader reader(source, GetParam().maxMessage);
        std::vector<std::string> got;
        std::string text;
        for (;;) {
            const FrameReader::Result r = reader.next(text);
            if (r == FrameReader::eEnd) break;
            got.push_back(r == FrameReader::eOversized ? "<skipped>" : text);
        }
        EXPECT_EQ(GetParam().frames, got) << "reads of " << step << " byte(s)";
        EXPECT_EQ(GetParam().input.size(), source.consumed());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, FrameReading,
    ::testing::Values(
        ReadCase{"Empty", "", 100, {}},
        ReadCase{"HalfAPrefix", "\x01\x00", 100, {}},
        ReadCase{"Two", prefix(3) + "abc" + prefix(0) + prefix(2) + "de", 100, {"abc", "", "de"}},
        ReadCase{"CutShort", prefix(10) + "abc", 100, {"abc"}},
        ReadCase{"ZeroEndsTheText", prefix(5) + std::string("ab\0cd", 5) + prefix(1) + "x", 100,
                 {"ab", "x"}},
        ReadCase{"AtTheMaximum", prefix(4) + "abcd", 4, {"abcd"}},
        ReadCase{"OverTheMaximumIsSkippedWhole", prefix(5) + "abcde" + prefix(1) + "x", 4,
                 {"<skipped>", "x"}},
        ReadCase{"OverTheMaximumAtTheEnd", prefix(0xFFFFFFFFu) + "abc", 4, {"<skipped>"}}),
    [](const ::testing::TestParamInfo<ReadCase>& p) { return std::string(p.param.name); });

// ---- Chunk plan

std::string reassemble(const std::string& text, std::vector<size_t>* sizes) {
    const std::vector<ChunkPiece> pieces = plan_chunks(text);
    std::string joined;
    for (size_t i = 0; i < pieces.size(); ++i) {
        const std::string msg = chunk_message(text, pieces[i], pieces.size(), i + 1, 4294967295u);
        if (sizes) sizes->push_back(msg.size());
        JsValue value;
        EXPECT_TRUE(json_read(msg.data(), msg.size(), value));
        joined += value["chunk"].asString();
    }
    return joined;
}

struct PlanCase {
    const char* name;
    std::string text;
    size_t count;
};

class ChunkPlan : public ::testing::TestWithParam<PlanCase> {};

TEST_P(ChunkPlan, EveryChunkFitsOneFrameAndTheTextComesBack) {
    std::vector<size_t> sizes;
    const std::string& text = GetParam().text;
    EXPECT_TRUE(reassemble(text, &sizes) == text);
    EXPECT_EQ(GetParam().count, sizes.size());
    for (size_t size : sizes) EXPECT_LE(size, kMaxFrameText);
}

std::string filled(size_t n, const std::string& unit) {
    std::string s;
    while (s.size() + unit.size() <= n) s += unit;
    s.append(n - s.size(), 'z');
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ChunkPlan,
    ::testing::Values(
        PlanCase{"JustOver", std::string(kMaxFrameText + 1, 'a'), 2},
        PlanCase{"ExactMultiple", std::string(2 * kChunkPieceSize, 'a'), 3},
        PlanCase{"MultipleMinusOne", std::string(2 * kChunkPieceSize - 1, 'a'), 2},
        PlanCase{"Backslashes", std::string(3000000, '\\'), 6},
        PlanCase{"Quotes", std::string(1100000, '"'), 3},
        PlanCase{"ControlCharacters", std::string(1100000, '\x01'), 7},
        // Non-ASCII bytes are costed at their worst escaped size, 6 each.
        PlanCase{"TwoByteCharacters", filled(1100000, "\xd0\x96"), 7},
        PlanCase{"FourByteCharacters", filled(1100000, "\xf0\x9f\x98\x80"), 7}),
    [](const ::testing::TestParamInfo<PlanCase>& p) { return std::string(p.param.name); });

TEST(ChunkPlan, NominalPiecesForPlainText) {
    const std::vector<ChunkPiece> pieces = plan_chunks(std::string(2 * kChunkPieceSize + 5, 'a'));
    ASSERT_EQ(3u, pieces.size());
    EXPECT_EQ(kChunkPieceSize, pieces[0].length);
    EXPECT_EQ(kChunkPieceSize, pieces[1].length);
    EXPECT_EQ(5u, pieces[2].length);
}

TEST(ChunkPlan, PiecesNeverEndInsideACharacter) {
    const std::string text = "a" + filled(kChunkPieceSize * 2, "\xe2\x82\xac");
    for (const ChunkPiece& piece : plan_chunks(text)) {
        if (piece.offset < text.size()) {
            EXPECT_NE(0x80, static_cast<unsigned char>(text[piece.offset]) & 0xC0)
                << "a piece starts inside a character at " << piece.offset;
        }
    }
}

}  // namespace

// ---- The external event's text, written without a JSON value

namespace {

struct EventTextCase {
    const char* name;
    std::u16string data;
};

class EventText : public ::testing::TestWithParam<EventTextCase> {};

TEST_P(EventText, IsWhatTheJsonWriterMakesOfTheSameMessage) {
    const std::u16string& data = GetParam().data;
    const UnicodeChar* units = reinterpret_cast<const UnicodeChar*>(data.c_str());
    JsValue msg(Json::objectValue);
    msg["cls_id"] = 4294967295u;
    msg["method"] = "externalEvent";
    JsValue params(Json::arrayValue);
    params.append(CNPVariant(units));
    params.append(CNPVariant(static_cast<const UnicodeChar*>(nullptr)));
    params.append(CNPVariant(units));
    msg["params"] = params;
    msg["query_id"] = 123u;
    msg["type"] = 15;
    EXPECT_EQ(json_write(msg), external_event_text(4294967295u, units, nullptr, units, 123u));
}

INSTANTIATE_TEST_SUITE_P(
    Table, EventText,
    ::testing::Values(
        EventTextCase{"Ascii", u"4600000000011"},
        EventTextCase{"Empty", u""},
        EventTextCase{"QuoteAndBackslash", u"a\"b\\c/d"},
        EventTextCase{"NamedControls", u"\b\f\n\r\t"},
        EventTextCase{"OtherControls", std::u16string(u"\x01\x1f\x7f x")},
        EventTextCase{"Cyrillic", u"Штрихкод"},
        EventTextCase{"HighBmp", u"\uffff\u00e9\u0800"},
        EventTextCase{"SurrogatePair", u"\U0001F600!"},
        EventTextCase{"LoneHigh", std::u16string(1, char16_t(0xD83D)) + u"x"},
        EventTextCase{"LoneLow", std::u16string(1, char16_t(0xDE00)) + u"x"},
        EventTextCase{"HighAtTheEnd", std::u16string(u"x") + char16_t(0xD83D)}),
    [](const ::testing::TestParamInfo<EventTextCase>& p) { return std::string(p.param.name); });

}  // namespace
