#pragma once
// Chunking of oversized output texts. A text longer than kMaxFrameText goes out
// as chunk messages {"chunk": piece, "count": C, "num": K, "query_id": Q, "type": 17}.
//
// Pieces are kChunkPieceSize bytes, unless the escaped form of a piece inside the "chunk"
// string would make its chunk message too long for one frame; such a piece is made shorter
// instead (chunking the chunk message again would recurse without bound on texts full of
// quotes and backslashes). So every chunk message fits one frame, there is no recursion, and
// the wire format stays the same. A piece never ends inside a UTF-8 sequence, so that each
// piece is a valid text and reassembly gives back the original bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ChunkPiece {
    size_t offset;
    size_t length;
};

// The pieces of `text` in order. When the last piece has the nominal size (the text is an
// exact multiple of it), an empty piece follows: for every text without escapes "count" is
// then ceil((n + 1) / kChunkPieceSize), as the page's reassembly expects.
std::vector<ChunkPiece> plan_chunks(const std::string& text);

// The compact text of one chunk message.
std::string chunk_message(const std::string& text, const ChunkPiece& piece, size_t count,
                          size_t num, uint32_t queryId);
