#pragma once

// Working through a long UTF-8 text in pieces (so that a long command can
// let the window run in between) without cutting a character in two.

#include <cstddef>
#include <string_view>

#include "core/Utf8.h"

namespace bw {

// Bytes of a piece: texts longer than this are read, counted, converted
// and written in pieces of at most this size.
inline constexpr std::size_t kTextPieceBytes = std::size_t{1} << 20;

// The length of the first piece of `text` of at most `limit` bytes (at
// least 4) that ends before a character that does not start inside it: the
// cut moves back by up to three bytes onto the start of a character.
// Where no well-formed character can span the cut, it stays at `limit`.
inline std::size_t Utf8PieceLength(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return text.size();
    auto continuation = [&](std::size_t i) { return (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80; };
    for (std::size_t back = 0; back < 4 && back < limit; ++back)
        if (!continuation(limit - back)) return limit - back;
    return limit;
}

// Calls piece(text) for consecutive pieces of the text of at most
// kTextPieceBytes (the whole text, when it is not longer), cut by
// Utf8PieceLength. Stops early when piece returns false; returns whether it
// went through the whole text.
template <class F>
bool ForEachTextPiece(std::string_view text, F&& piece) {
    do {
        const std::size_t n = Utf8PieceLength(text, kTextPieceBytes);
        if (!piece(text.substr(0, n))) return false;
        text.remove_prefix(n);
    } while (!text.empty());
    return true;
}

// The characters of a text (CharacterCount); a long one is counted in
// pieces, with between(pieceBytes) called after each piece. When between
// returns false the count stops there and `ended` is set.
template <class F>
std::size_t CountCharactersInPieces(std::string_view text, F&& between, bool& ended) {
    if (text.size() <= kTextPieceBytes) return CharacterCount(text);
    std::size_t count = 0;
    ended = !ForEachTextPiece(text, [&](std::string_view piece) {
        count += CharacterCount(piece);
        return between(piece.size());
    });
    return count;
}

}  // namespace bw
