#include "cli/Options.h"

#include <getopt.h>

#include <array>

#include "core/ConversionOptions.h"

#ifndef BASEWRIGHT_VERSION
#define BASEWRIGHT_VERSION "unknown"
#endif

namespace bw {

namespace {

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// A whole number from `low` to `high` in decimal digits, or nothing.
std::optional<std::size_t> ParseCount(std::string_view text, std::size_t low, std::size_t high) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    std::size_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::size_t>(c - '0');
    }
    if (value < low || value > high) return std::nullopt;
    return value;
}

enum OptionId {
    kConversion = 256,
    kFrom,
    kTo,
    kFull,
    kAligned,
    kStrict,
    kBits,
    kSigned,
    kLower,
    kPrefix,
    kGroup,
    kSeparator,
    kWidth,
    kField,
    kDelimiter,
    kHelp,
    kVersion,
};

// In the order of --help.
constexpr std::array<option, 18> kLongOptions{{
    {"conversion", required_argument, nullptr, kConversion},
    {"from", required_argument, nullptr, kFrom},
    {"to", required_argument, nullptr, kTo},
    {"full", no_argument, nullptr, kFull},
    {"aligned", no_argument, nullptr, kAligned},
    {"strict", no_argument, nullptr, kStrict},
    {"bits", required_argument, nullptr, kBits},
    {"signed", no_argument, nullptr, kSigned},
    {"lower", no_argument, nullptr, kLower},
    {"prefix", no_argument, nullptr, kPrefix},
    {"group", required_argument, nullptr, kGroup},
    {"separator", required_argument, nullptr, kSeparator},
    {"width", required_argument, nullptr, kWidth},
    {"field", required_argument, nullptr, kField},
    {"delimiter", required_argument, nullptr, kDelimiter},
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
}};

std::string_view LongName(int id) {
    for (const option& o : kLongOptions) {
        if (o.name != nullptr && o.val == id) return o.name;
    }
    return {};
}

// The message for an argument getopt_long refused: unknown or ambiguous.
std::string Refused(std::string_view arg) {
    if (arg.size() < 2 || arg[1] != '-') return "unknown option '" + std::string(arg) + "'";
    const std::string_view name =
        arg.substr(2, arg.find('=') == std::string_view::npos ? std::string_view::npos : arg.find('=') - 2);
    std::string matches;
    for (const option& o : kLongOptions) {
        if (o.name != nullptr && std::string_view(o.name).starts_with(name)) {
            matches += matches.empty() ? "--" : ", --";
            matches += o.name;
        }
    }
    if (matches.find(',') != std::string::npos) {
        return "option '--" + std::string(name) + "' is ambiguous (" + matches + ")";
    }
    return "unknown option '--" + std::string(name) + "'";
}

}  // namespace

NumberForm CliOptions::Form() const {
    NumberForm f = form;
    f.targetBase = targetBase;
    if (naturalWidth) f.width = NaturalWidth(bits, targetBase);
    return f;
}

std::optional<int> ParseBase(std::string_view text) {
    static constexpr struct {
        std::string_view word;
        int base;
    } kWords[] = {{"dec", 10}, {"hex", 16}, {"bin", 2}, {"oct", 8}};
    for (const auto& w : kWords) {
        if (EqualsIgnoringAsciiCase(text, w.word)) return w.base;
    }
    if (text.size() > 2) return std::nullopt;
    const std::optional<std::size_t> value = ParseCount(text, kMinEntryBase, kMaxEntryBase);
    if (!value) return std::nullopt;
    return static_cast<int>(*value);
}

namespace {

// A conversion name as typed on a command line: one of the twelve names in
// any letter case ("decimal to hexadecimal"); blanks count as typed. The
// window's option box offers only the exact names, so it needs no such match.
const ConversionOption* FindConversionOptionAnyCase(std::string_view typed) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (const ConversionOption& option : ConversionOptions()) {
        if (option.name.size() != typed.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < typed.size() && same; ++i) same = lower(option.name[i]) == lower(typed[i]);
        if (same) return &option;
    }
    return nullptr;
}

}  // namespace

std::string ConversionName(int sourceBase, int targetBase) {
    for (const ConversionOption& option : ConversionOptions()) {
        if (option.sourceBase == sourceBase && option.targetBase == targetBase) return std::string(option.name);
    }
    return "Base " + std::to_string(sourceBase) + " To Base " + std::to_string(targetBase);
}

ParsedArguments ParseArguments(const std::vector<std::string_view>& args) {
    auto fail = [](std::string message) { return ParsedArguments{std::nullopt, std::move(message)}; };

    // getopt_long works on a C argument vector, which it reorders.
    std::vector<std::string> texts;
    texts.emplace_back(kProgramName);
    for (std::string_view a : args) texts.emplace_back(a);
    std::vector<char*> argv;
    for (std::string& t : texts) argv.push_back(t.data());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(texts.size());

    CliOptions options;
    std::optional<std::string> conversion, from, to, width;
    bool separatorGiven = false;
    optind = 0;  // start afresh (glibc)
    opterr = 0;  // the messages are ours
    for (;;) {
        const int id = getopt_long(argc, argv.data(), ":h", kLongOptions.data(), nullptr);
        if (id == -1) break;
        const std::string value = optarg != nullptr ? optarg : "";
        const std::string dashed = "--" + std::string(LongName(id));
        switch (id) {
            case 'h':
            case kHelp:
                options.showHelp = true;
                return {options, {}};
            case kVersion:
                options.showVersion = true;
                return {options, {}};
            case kConversion:
                conversion = value;
                break;
            case kFrom:
                from = value;
                break;
            case kTo:
                to = value;
                break;
            case kFull:
                options.format = OutputFormat::Full;
                break;
            case kAligned:
                options.aligned = true;
                break;
            case kStrict:
                options.strict = true;
                break;
            case kSigned:
                options.signedInput = true;
                break;
            case kLower:
                options.form.lowerCase = true;
                break;
            case kPrefix:
                options.form.prefix = true;
                break;
            case kBits: {
                const auto n = ParseCount(value, 1, static_cast<std::size_t>(kMaxWordBits));
                if (!n) return fail("invalid word size '" + value + "' for --bits (1 to 1024)");
                options.bits = static_cast<int>(*n);
                break;
            }
            case kGroup: {
                const auto n = ParseCount(value, 1, kMaxTextLength);
                if (!n) return fail("invalid group size '" + value + "' for --group (1 or more)");
                options.form.group = *n;
                break;
            }
            case kSeparator:
                if (value.empty() || value.find_first_of("\r\n") != std::string::npos) {
                    return fail("invalid separator for --separator (one or more characters, no line break)");
                }
                options.form.separator = value;
                separatorGiven = true;
                break;
            case kWidth:
                width = value;
                break;
            case kField: {
                const auto n = ParseCount(value, 1, 999999999);
                if (!n) return fail("invalid field number '" + value + "' for --field (1 or more)");
                options.field = *n;
                break;
            }
            case kDelimiter:
                if (value.empty() || value.find_first_of("\r\n") != std::string::npos) {
                    return fail("invalid delimiter for --delimiter (one or more characters, no line break)");
                }
                options.delimiter = value;
                break;
            case ':':
                return fail("option '" +
                            (optopt == 0 ? std::string(argv[optind - 1]) : "--" + std::string(LongName(optopt))) +
                            "' needs a value");
            default:  // '?'
                if (optopt != 0 && !LongName(optopt).empty()) {
                    return fail("option '--" + std::string(LongName(optopt)) + "' takes no value");
                }
                if (optopt != 0) return fail("unknown option '-" + std::string(1, static_cast<char>(optopt)) + "'");
                return fail(Refused(argv[optind - 1]));
        }
    }
    for (int i = optind; i < argc; ++i) options.files.emplace_back(argv[i]);

    if (conversion && (from || to)) return fail("--conversion cannot be combined with --from or --to");
    if (from.has_value() != to.has_value()) return fail("--from and --to must be given together");
    if (conversion) {
        const ConversionOption* option = FindConversionOptionAnyCase(*conversion);
        if (option == nullptr) {
            return fail("unknown conversion '" + *conversion + "' (see --help for the twelve names)");
        }
        options.sourceBase = option->sourceBase;
        options.targetBase = option->targetBase;
        options.conversionName = std::string(option->name);
    } else if (from) {
        const std::optional<int> source = ParseBase(*from);
        if (!source) return fail("invalid base '" + *from + "' for --from (2 to 36, dec, hex, bin or oct)");
        const std::optional<int> target = ParseBase(*to);
        if (!target) return fail("invalid base '" + *to + "' for --to (2 to 36, dec, hex, bin or oct)");
        options.sourceBase = *source;
        options.targetBase = *target;
        options.conversionName = ConversionName(*source, *target);
    }

    if (options.bits != 0 && !options.strict) return fail("--bits needs --strict");
    if (options.signedInput && options.bits == 0) return fail("--signed needs --strict and --bits");
    if (separatorGiven && options.form.group == 0) return fail("--separator needs --group");
    if (width) {
        if (*width == "bits") {
            if (options.bits == 0) return fail("--width bits needs --bits");
            options.naturalWidth = true;
        } else {
            const auto n = ParseCount(*width, 1, kMaxTextLength);
            if (!n) return fail("invalid width '" + *width + "' for --width (1 or more, or bits)");
            options.form.width = *n;
        }
    }
    if (options.field != 0 && (options.format == OutputFormat::Full || options.aligned)) {
        return fail("--field cannot be combined with --full or --aligned");
    }
    return {options, {}};
}

std::string UsageText() {
    std::string text =
        "Usage: basewright-cli [--conversion NAME | --from BASE --to BASE] [--full]\n"
        "         [--aligned] [--strict [--bits N [--signed]]] [--lower] [--prefix]\n"
        "         [--group K [--separator C]] [--width W] [--field K [--delimiter D]]\n"
        "         [FILE]...\n"
        "Converts numbers between number systems, one entry per line, exactly and at\n"
        "any length.\n"
        "\n"
        "Entries are read from each FILE in turn, or from standard input when no FILE\n"
        "is given or FILE is \"-\". Lines end with CR, CR LF or LF; text is UTF-8. Each\n"
        "entry is read in the smallest base that fits its characters when the source\n"
        "base does not; blanks count as 0 and other characters as zero digits. With\n"
        "--strict an entry must be a number of the source base instead.\n"
        "\n"
        "Options:\n"
        "  --conversion NAME  one of the conversion names below, in any letter case\n"
        "                     (default: \"Decimal To Hexadecimal\")\n"
        "  --from BASE        source base: 2 to 36, or dec, hex, bin, oct\n"
        "  --to BASE          target base: 2 to 36, or dec, hex, bin, oct\n"
        "  --full             print the entry as converted, the conversion's name and\n"
        "                     the result, separated by TAB characters; otherwise only\n"
        "                     the result\n"
        "  --aligned          write the column-aligned text file layout instead: a\n"
        "                     header line (\"Results\", or \"Numbers\", \"Conversion\",\n"
        "                     \"Results\" with --full), every cell padded with blanks to\n"
        "                     its column's widest text and followed by a TAB, every\n"
        "                     line ended by CR LF. The widths need every row, so the\n"
        "                     rows are kept in memory and written at the end:\n"
        "                     memory grows with the input in this mode (only)\n"
        "  --strict           an entry must be an optional sign (+ or -), an optional\n"
        "                     prefix of the source base (0x, 0b, 0o) and one or more\n"
        "                     digits of the source base, with single _ allowed between\n"
        "                     digits and blanks around it; anything else is an error\n"
        "                     for that entry. Negative numbers keep their sign\n"
        "  --bits N           with --strict: a word size of N bits (1 to 1024). Values\n"
        "                     from -2^(N-1) to 2^N-1 fit; a negative one is written as\n"
        "                     its N-bit two's complement (with a sign in decimal)\n"
        "  --signed           with --bits: read entries of a source base other than 10\n"
        "                     as N-bit two's complement values\n"
        "  --lower            write the digits A to Z in lower case\n"
        "  --prefix           write 0x, 0b or 0o before numbers in base 16, 2 or 8\n"
        "  --group K          separate the digits into groups of K, from the right\n"
        "  --separator C      the text between groups (default: _)\n"
        "  --width W          pad with leading zeros to at least W digits; W may be\n"
        "                     bits, the width of an N-bit word with --bits\n"
        "  --field K          convert only field K (from 1) of each line and copy the\n"
        "                     rest of the line unchanged; a line with fewer fields is\n"
        "                     copied unchanged (an error with --strict). Not with\n"
        "                     --full or --aligned\n"
        "  --delimiter D      the text between fields (default: TAB; \",\" for CSV,\n"
        "                     without quoting)\n"
        "  --help, -h         print this text and exit\n"
        "  --version          print the version and exit\n"
        "\n"
        "Long options may be shortened to any unambiguous beginning.\n"
        "\n"
        "Conversion names:\n";
    for (const ConversionOption& option : ConversionOptions()) {
        text += "  ";
        text += option.name;
        text += '\n';
    }
    text +=
        "\n"
        "Output: one line per entry, ended by LF. An entry that cannot be converted\n"
        "(more than 32767 characters, or a value above about 1.797e308) gets an empty\n"
        "result, and standard error gets \"basewright-cli: FILE:LINE: Overflow\";\n"
        "standard input is named <stdin> there. With --strict, an entry that is no\n"
        "number gets \"not a base-N number\" and one outside the word size \"out of\n"
        "range for N bits\", each followed by the entry in quotes.\n"
        "\n"
        "Exit status: 0 when every entry was converted, 1 when some entry failed,\n"
        "2 for a usage error or an input that could not be read (the other inputs are\n"
        "still converted) or an output that could not be written.\n";
    return text;
}

std::string VersionText() {
    return std::string(kProgramName) + " " + BASEWRIGHT_VERSION +
           "\n"
           "Copyright (C) 2026 The Basewright developers.\n"
           "License MIT: <https://opensource.org/licenses/MIT>.\n"
           "This is free software: you are free to change and redistribute it.\n"
           "There is NO WARRANTY, to the extent permitted by law.\n";
}

}  // namespace bw
