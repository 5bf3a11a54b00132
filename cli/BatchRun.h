#pragma once

// The batch converter's run: reads the inputs, converts their entries and
// writes the rows.
//   ByteSource -> LineSplitter (core) -> entry conversion -> RowWriter -> OutputBuffer -> ByteSink

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "cli/ByteStreams.h"
#include "cli/Options.h"

namespace bw {

// The name standard input goes by in error messages.
inline constexpr std::string_view kStdinDisplayName = "<stdin>";

struct BatchSettings {
    std::size_t readBlockSize = 1 << 20;
    std::size_t outputBlockSize = 1 << 20;
};

// Runs the converter over the inputs of `options` and returns the exit
// status: 0 all converted, 1 some entry failed, 2 an input could not be read
// or the output could not be written. Messages go to `errors`, each line
// starting with "basewright-cli: ".
int RunBatch(const CliOptions& options, ByteSource& standardInput, ByteSink& output, ByteSink& errors,
             const BatchSettings& settings = {});

// The whole program behind main(): parses the arguments, then runs.
int CliMain(const std::vector<std::string_view>& args, ByteSource& standardInput, ByteSink& output, ByteSink& errors,
            const BatchSettings& settings = {});

// An entry as error messages quote it: in double quotes, at most 40
// characters (then "..." after the closing quote), with control characters,
// quotes, backslashes and malformed UTF-8 bytes escaped.
std::string QuotedEntry(std::string_view entry);

}  // namespace bw
