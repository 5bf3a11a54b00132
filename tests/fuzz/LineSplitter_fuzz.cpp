// The line splitter against a plain reference: the input is fed in blocks
// whose sizes come from the first bytes, with a small line limit so that
// long lines arrive in pieces; the lines put back together must be the
// lines of the whole input split at CR, CR LF and LF.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/LineSplitter.h"
#include "support/ReferenceLines.h"

namespace {

using namespace bw;

class Collector : public LineConsumer {
public:
    void Line(std::string_view text) override { lines.emplace_back(text); }
    void LongLineBegin(std::string_view head) override {
        if (inLong) std::abort();
        inLong = true;
        lines.emplace_back(head);
    }
    void LongLinePart(std::string_view part) override {
        if (!inLong) std::abort();
        lines.back().append(part);
    }
    void LongLineEnd() override {
        if (!inLong) std::abort();
        inLong = false;
    }
    std::vector<std::string> lines;
    bool inLong = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const std::size_t block = 1 + data[0] % 64;
    const std::size_t limit = data[1] % 48;
    const std::string_view text(reinterpret_cast<const char*>(data) + 3, size - 3);

    Collector collector;
    LineSplitter splitter(collector, limit);
    for (std::size_t at = 0; at < text.size(); at += block) splitter.Feed(text.substr(at, block));
    splitter.Finish();
    if (collector.inLong) std::abort();
    if (collector.lines != bw::test::ReferenceLines(text)) std::abort();
    return 0;
}
