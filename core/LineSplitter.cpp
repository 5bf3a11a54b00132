#include "LineSplitter.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace bw {

namespace {

// Position of the first CR or LF in data[from, n), or n. Lines are short
// and many, so both terminators are looked for in one pass, 16 bytes at a
// time where the processor has SSE2 (every x86-64 one does).
std::size_t FindTerminator(const char* data, std::size_t from, std::size_t n) {
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    while (from + 16 <= n) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + from));
        const int hits = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf)));
        if (hits != 0) {
            return from + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(hits)));
        }
        from += 16;
    }
#endif
    for (; from < n; ++from) {
        if (data[from] == '\r' || data[from] == '\n') {
            return from;
        }
    }
    return n;
}

}  // namespace

LineSplitter::LineSplitter(LineConsumer& consumer, std::size_t lineLimit)
    : consumer_(consumer), lineLimit_(lineLimit) {}

void LineSplitter::Feed(std::string_view block) {
    const std::size_t n = block.size();
    if (n == 0) {
        return;
    }
    const char* data = block.data();
    std::size_t pos = 0;
    if (pendingCr_) {
        pendingCr_ = false;
        if (data[0] == '\n') {
            pos = 1;
        }
    }
    while (pos < n) {
        const std::size_t end = FindTerminator(data, pos, n);
        if (end == n) {
            Keep(block.substr(pos));
            return;
        }
        Emit(block.substr(pos, end - pos));
        if (data[end] == '\r') {
            if (end + 1 < n) {
                pos = end + 1 + (data[end + 1] == '\n' ? 1 : 0);
            } else {
                pendingCr_ = true;
                pos = n;
            }
        } else {
            pos = end + 1;
        }
    }
}

void LineSplitter::Finish() {
    if (inLongLine_ || !carry_.empty()) {
        Emit({});
    }
    pendingCr_ = false;
}

void LineSplitter::Abandon() {
    carry_.clear();
    if (inLongLine_) {
        // Its beginning has gone out already; the line is closed so the
        // consumer keeps one line per entry.
        inLongLine_ = false;
        consumer_.LongLineEnd();
    }
    pendingCr_ = false;
}

void LineSplitter::Emit(std::string_view piece) {
    if (inLongLine_) {
        if (!piece.empty()) {
            consumer_.LongLinePart(piece);
        }
        consumer_.LongLineEnd();
        inLongLine_ = false;
        return;
    }
    if (carry_.empty()) {
        if (piece.size() > lineLimit_) {
            consumer_.LongLineBegin(piece);
            consumer_.LongLineEnd();
        } else {
            consumer_.Line(piece);
        }
        return;
    }
    if (carry_.size() + piece.size() > lineLimit_) {
        consumer_.LongLineBegin(carry_);
        consumer_.LongLinePart(piece);
        consumer_.LongLineEnd();
    } else {
        carry_.append(piece);
        consumer_.Line(carry_);
    }
    carry_.clear();
}

void LineSplitter::Keep(std::string_view piece) {
    if (inLongLine_) {
        consumer_.LongLinePart(piece);
    } else if (carry_.size() + piece.size() > lineLimit_) {
        if (carry_.empty()) {
            consumer_.LongLineBegin(piece);
        } else {
            consumer_.LongLineBegin(carry_);
            consumer_.LongLinePart(piece);
            carry_.clear();
        }
        inLongLine_ = true;
    } else {
        carry_.append(piece);
    }
}

}  // namespace bw
