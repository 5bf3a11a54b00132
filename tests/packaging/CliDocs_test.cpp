// The documents that describe basewright-cli stay in step with the program:
// the man page lists every option of "basewright-cli --help" with the same
// text and the same conversion names; the bash completion offers the same
// options and names; and every place that states the version states the
// project's version.

#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << "cannot read " << path;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string RunCli(const std::string& arguments) {
    const std::string command = std::string("'") + BASEWRIGHT_CLI_PATH + "' " + arguments;
    FILE* pipe = popen(command.c_str(), "r");
    EXPECT_NE(pipe, nullptr) << command;
    if (pipe == nullptr) return {};
    std::string output;
    std::array<char, 4096> buffer{};
    std::size_t n = 0;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) output.append(buffer.data(), n);
    EXPECT_EQ(pclose(pipe), 0) << command;
    return output;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

void AppendWords(std::string& text, const std::string& more) {
    if (more.empty()) return;
    if (!text.empty()) text += ' ';
    text += more;
}

// One option as documented: its heading ("--from BASE", "--help, -h") and
// its text, with the lines joined by single blanks.
using Options = std::vector<std::pair<std::string, std::string>>;

struct HelpText {
    Options options;
    std::vector<std::string> conversionNames;
};

// "Options:" lines are "  --name ARG   text"; continuation lines start with
// blanks only. "Conversion names:" lines are "  Name".
HelpText ParseHelp(const std::string& help) {
    HelpText parsed;
    enum { None, InOptions, InNames } section = None;
    for (const std::string& line : Lines(help)) {
        if (line == "Options:") {
            section = InOptions;
        } else if (line == "Conversion names:") {
            section = InNames;
        } else if (line.empty() || line[0] != ' ') {
            section = None;
        } else if (section == InOptions) {
            // The heading ends at the first run of two blanks.
            const auto gap = line.find("  ", 2);
            if (line.compare(0, 3, "  -") == 0 && gap != std::string::npos) {
                parsed.options.emplace_back(line.substr(2, gap - 2), Trim(line.substr(gap)));
            } else if (!parsed.options.empty()) {
                AppendWords(parsed.options.back().second, Trim(line));
            }
        } else if (section == InNames) {
            parsed.conversionNames.push_back(Trim(line));
        }
    }
    return parsed;
}

// The plain text of a line of roff: font changes dropped, the escapes the
// pages use turned into their characters.
std::string PlainRoff(std::string text) {
    static const std::array<std::pair<const char*, const char*>, 12> kEscapes{{
        {"\\fB", ""},
        {"\\fI", ""},
        {"\\fR", ""},
        {"\\fP", ""},
        {"\\-", "-"},
        {"\\(dq", "\""},
        {"\\(aq", "'"},
        {"\\(ti", "~"},
        {"\\&", ""},
        {"\\|", ""},
        {"\\~", " "},
        {"\\e", "\\"},
    }};
    for (const auto& [from, to] : kEscapes) {
        for (std::size_t at = text.find(from); at != std::string::npos;
             at = text.find(from, at + std::string(to).size())) {
            text.replace(at, std::string(from).size(), to);
        }
    }
    return text;
}

// The lines of one section (".SH NAME" up to the next ".SH") or subsection.
std::vector<std::string> RoffSection(const std::string& page, const std::string& heading) {
    std::vector<std::string> lines;
    bool inside = false;
    for (const std::string& line : Lines(page)) {
        if (line.rfind(".SH", 0) == 0 || line.rfind(".SS", 0) == 0) {
            if (inside) break;
            inside = Trim(line.substr(3)) == heading;
            continue;
        }
        if (inside) lines.push_back(line);
    }
    return lines;
}

// Under OPTIONS each option is ".TP", a heading line, then its text up to
// the next ".TP" or the first paragraph macro.
Options ManPageOptions(const std::string& page) {
    Options options;
    bool wantHeading = false, inText = false;
    for (const std::string& line : RoffSection(page, "OPTIONS")) {
        if (line == ".TP") {
            wantHeading = true;
            inText = false;
        } else if (wantHeading) {
            options.emplace_back(PlainRoff(line), std::string());
            wantHeading = false;
            inText = true;
        } else if (!line.empty() && line[0] == '.') {
            inText = false;
        } else if (inText) {
            AppendWords(options.back().second, PlainRoff(line));
        }
    }
    return options;
}

std::vector<std::string> ManPageConversionNames(const std::string& page) {
    std::vector<std::string> names;
    for (const std::string& line : RoffSection(page, "Conversion names")) {
        if (line == ".PP") break;  // the list ends; prose follows
        if (line.empty() || line[0] == '.') continue;
        names.push_back(PlainRoff(line));
    }
    return names;
}

// The words of a bash array assignment "name=( ... )" in the completion.
std::vector<std::string> CompletionArray(const std::string& script, const std::string& name) {
    const auto start = script.find(name + "=(");
    EXPECT_NE(start, std::string::npos) << name;
    if (start == std::string::npos) return {};
    const auto end = script.find(')', start);
    const std::string body = script.substr(start + name.size() + 2, end - start - name.size() - 2);
    // Words are blank-separated, or in double quotes.
    std::vector<std::string> words;
    for (std::size_t at = 0; at < body.size();) {
        if (std::isspace(static_cast<unsigned char>(body[at]))) {
            ++at;
        } else if (body[at] == '"') {
            const auto close = body.find('"', at + 1);
            words.push_back(body.substr(at + 1, close - at - 1));
            at = close + 1;
        } else {
            auto end = at;
            while (end < body.size() && !std::isspace(static_cast<unsigned char>(body[end]))) ++end;
            words.push_back(body.substr(at, end - at));
            at = end;
        }
    }
    return words;
}

class CliDocs : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        help_ = new HelpText(ParseHelp(RunCli("--help")));
        page_ = new std::string(ReadFile(BASEWRIGHT_SOURCE_DIR "/man/basewright-cli.1"));
        completion_ = new std::string(ReadFile(BASEWRIGHT_SOURCE_DIR "/completion/basewright-cli"));
    }
    static void TearDownTestSuite() {
        delete help_;
        delete page_;
        delete completion_;
    }
    static HelpText* help_;
    static std::string* page_;
    static std::string* completion_;
};
HelpText* CliDocs::help_ = nullptr;
std::string* CliDocs::page_ = nullptr;
std::string* CliDocs::completion_ = nullptr;

TEST_F(CliDocs, HelpTextIsReadable) {
    // Guards the parsing below: an empty parse would make the other tests pass.
    EXPECT_GE(help_->options.size(), 7u);
    EXPECT_EQ(help_->conversionNames.size(), 12u);
}

TEST_F(CliDocs, ManPageHasEveryOptionWithTheHelpText) {
    const Options documented = ManPageOptions(*page_);
    std::map<std::string, std::string> byHeading(documented.begin(), documented.end());
    for (const auto& [heading, text] : help_->options) {
        ASSERT_TRUE(byHeading.count(heading)) << "the man page lacks the option " << heading;
        EXPECT_EQ(byHeading[heading], text) << "the man page's text of " << heading;
    }
    std::vector<std::string> helpOrder, pageOrder;
    for (const auto& option : help_->options) helpOrder.push_back(option.first);
    for (const auto& option : documented) pageOrder.push_back(option.first);
    EXPECT_EQ(pageOrder, helpOrder) << "the man page lists other options, or in another order";
}

TEST_F(CliDocs, ManPageListsTheConversionNames) { EXPECT_EQ(ManPageConversionNames(*page_), help_->conversionNames); }

TEST_F(CliDocs, CompletionOffersTheConversionNames) {
    EXPECT_EQ(CompletionArray(*completion_, "names"), help_->conversionNames);
}

TEST_F(CliDocs, CompletionOffersEveryOption) {
    std::vector<std::string> fromHelp;
    for (const auto& option : help_->options) {
        // "--help, -h" is two options; "--from BASE" is the option "--from".
        std::string heading = option.first;
        for (std::size_t comma; (comma = heading.find(", ")) != std::string::npos; heading.erase(0, comma + 2)) {
            fromHelp.push_back(heading.substr(0, heading.find_first_of(" ,")));
        }
        fromHelp.push_back(heading.substr(0, heading.find(' ')));
    }
    EXPECT_EQ(CompletionArray(*completion_, "options"), fromHelp);
}

// ------------------------------------------------------------ versions

// The text between `before` (its first occurrence after `from`) and the next
// `after`, or "(none)".
std::string Between(const std::string& text, const std::string& from, const std::string& before,
                    const std::string& after) {
    const auto origin = text.find(from);
    if (origin == std::string::npos) return "(none)";
    const auto start = text.find(before, origin);
    if (start == std::string::npos) return "(none)";
    const auto end = text.find(after, start + before.size());
    if (end == std::string::npos) return "(none)";
    return text.substr(start + before.size(), end - start - before.size());
}

// A Debian version without its Debian revision ("1.0.0-1" -> "1.0.0").
std::string Upstream(const std::string& version) { return version.substr(0, version.rfind('-')); }

TEST(Versions, EveryPlaceStatesTheProjectVersion) {
    const std::string version = BASEWRIGHT_PROJECT_VERSION;
    const std::string root = BASEWRIGHT_SOURCE_DIR;
    struct Place {
        std::string what;
        std::string found;
    };
    const Place places[] = {
        {"basewright-cli --version", Between(RunCli("--version"), "", "basewright-cli ", "\n")},
        {"debian/changelog (upstream part)",
         Upstream(Between(ReadFile(root + "/debian/changelog"), "", "basewright (", ")"))},
        {"man/basewright.1", Between(ReadFile(root + "/man/basewright.1"), "\n.TH ", "\"Basewright ", "\"")},
        {"man/basewright-cli.1", Between(ReadFile(root + "/man/basewright-cli.1"), "\n.TH ", "\"Basewright ", "\"")},
        {"the newest AppStream release",
         Between(ReadFile(root + "/data/example.basewright.Basewright.metainfo.xml"), "", "<release version=\"", "\"")},
    };
    for (const Place& place : places) {
        EXPECT_EQ(place.found, version) << place.what;
    }
}

}  // namespace
