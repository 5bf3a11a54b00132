#pragma once

// The batch converter's command line: its options, their parsing, and the
// texts of --help and --version.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/StrictNumber.h"

namespace bw {

enum class OutputFormat {
    ResultsOnly,  // the result text
    Full,         // shown text TAB conversion name TAB result text
};

struct CliOptions {
    int sourceBase = 10;
    int targetBase = 16;
    std::string conversionName = "Decimal To Hexadecimal";
    OutputFormat format = OutputFormat::ResultsOnly;
    // --aligned: the column-aligned text file layout (header line, padded
    // columns, TAB CR LF line ends); the rows are kept until the end.
    bool aligned = false;
    // --strict: an entry must be a number of the source base (StrictNumber.h).
    bool strict = false;
    int bits = 0;              // --bits N, 0 when not given
    bool signedInput = false;  // --signed
    // --lower, --prefix, --group, --separator, --width; its target base is
    // targetBase. naturalWidth: --width bits, the width of an N-bit word.
    NumberForm form;
    bool naturalWidth = false;
    // --field K (from 1; 0: the whole line is the entry) and --delimiter D.
    std::size_t field = 0;
    std::string delimiter = "\t";
    std::vector<std::string> files;  // empty: standard input; "-" also means standard input
    bool showHelp = false;
    bool showVersion = false;

    // The reading and the form that strict conversion uses.
    StrictReading Reading() const { return {sourceBase, bits, signedInput}; }
    NumberForm Form() const;
};

struct ParsedArguments {
    std::optional<CliOptions> options;  // empty on a usage error
    std::string error;                  // the usage error's message, without program name
};

// Reads the arguments after the program name, with the GNU conventions:
// options and files in any order, "--" ends the options, a long option may
// be abbreviated to any unambiguous beginning, and its value may follow an
// "=" or stand in the next argument.
ParsedArguments ParseArguments(const std::vector<std::string_view>& args);

// A base given on the command line: 2 to 36 in decimal, or dec, hex, bin, oct.
std::optional<int> ParseBase(std::string_view text);

// The name of the conversion from one base to another: the option's name for
// the twelve conversion options, "Base 7 To Base 16" for every other pair.
std::string ConversionName(int sourceBase, int targetBase);

std::string UsageText();
std::string VersionText();

inline constexpr std::string_view kProgramName = "basewright-cli";

}  // namespace bw
