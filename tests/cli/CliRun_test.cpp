// Runs of the batch converter: output formats, failing entries, files.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "StringStreams.h"
#include "cli/BatchConverter.h"

namespace bw {
namespace {

struct RunOutcome {
    int status;
    std::string out;
    std::string err;
};

RunOutcome RunCli(std::vector<std::string_view> args, std::string input, BatchSettings settings = {},
                  std::size_t pieceSize = static_cast<std::size_t>(-1)) {
    StringSource source(std::move(input), pieceSize);
    StringSink out;
    StringSink err;
    int status = CliMain(args, source, out, err, settings);
    return {status, out.text, err.text};
}

// A decimal value of 310 digits, above the largest double.
const std::string kTooLarge = "1" + std::string(309, '0');

struct OutputCase {
    const char* label;
    std::vector<std::string_view> args;
    std::string input;
    std::string out;
};

class OutputTest : public ::testing::TestWithParam<OutputCase> {};

// Each case also runs with tiny read and write blocks: the output must not
// depend on where the blocks end.
TEST_P(OutputTest, WritesOneLinePerEntry) {
    const OutputCase& c = GetParam();
    RunOutcome whole = RunCli(c.args, c.input);
    EXPECT_EQ(whole.status, 0) << whole.err;
    EXPECT_EQ(whole.out, c.out);
    EXPECT_EQ(whole.err, "");
    for (std::size_t block : {1, 2, 3, 7}) {
        RunOutcome small = RunCli(c.args, c.input, BatchSettings{block, block}, block + 1);
        EXPECT_EQ(small.out, c.out) << "block size " << block;
        EXPECT_EQ(small.status, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, OutputTest,
    ::testing::Values(OutputCase{"default is decimal to hexadecimal", {}, "255\n16\n", "FF\n10\n"},
                      OutputCase{"empty input gives no output", {}, "", ""},
                      OutputCase{"empty line converts as zero", {}, "\r\n\r\n", "0\n0\n"},
                      OutputCase{"crlf and cr lines", {}, "255\r\n16\r15", "FF\n10\nF\n"},
                      OutputCase{"final lf adds no entry", {}, "1\n", "1\n"},
                      OutputCase{"full output",
                                 {"--full"},
                                 "255\n\n1 2\n",
                                 "255\tDecimal To Hexadecimal\tFF\n0\tDecimal To Hexadecimal\t0\n"
                                 "102\tDecimal To Hexadecimal\t66\n"},
                      OutputCase{"full output with a named option",
                                 {"--conversion", "Octal To Decimal", "--full"},
                                 "1 2\n",
                                 "102\tOctal To Decimal\t66\n"},
                      OutputCase{
                          "base raising", {"--conversion", "Binary To Decimal"}, "123\n12\n0010\n", "27\n5\n2\n"},
                      OutputCase{"letters keep their case in the shown text",
                                 {"--conversion", "Hexadecimal To Decimal", "--full"},
                                 "ff\n",
                                 "ff\tHexadecimal To Decimal\t255\n"},
                      OutputCase{"other bases are named by number",
                                 {"--from", "7", "--to", "16", "--full"},
                                 "66\n",
                                 "66\tBase 7 To Base 16\t30\n"},
                      OutputCase{"from and to giving one of the options use its name",
                                 {"--from", "bin", "--to", "hex", "--full"},
                                 "11111\n",
                                 "11111\tBinary To Hexadecimal\t1F\n"},
                      OutputCase{"utf-8 characters read as zero digits",
                                 {"--full"},
                                 "1\xC3\xA9\n",
                                 "1\xC3\xA9\tDecimal To Hexadecimal\tA\n"}),
    [](const auto& info) {
        std::string name = info.param.label;
        for (char& ch : name) {
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        }
        return name;
    });

TEST(FailingEntryTest, KeepsItsLineWithEmptyResultAndIsReportedWithLine) {
    RunOutcome r = RunCli({}, "255\n" + kTooLarge + "\n16\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "FF\n\n10\n");
    EXPECT_EQ(r.err, "basewright-cli: <stdin>:2: Overflow\n");
}

TEST(FailingEntryTest, FullOutputShowsTheEntryWithBlanksAsZeros) {
    RunOutcome r = RunCli({"--full"}, "1 " + kTooLarge + "\r\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "10" + kTooLarge + "\tDecimal To Hexadecimal\t\n");
    EXPECT_EQ(r.err, "basewright-cli: <stdin>:1: Overflow\n");
}

TEST(FailingEntryTest, EntriesOfTooManyCharactersFailWhereverTheBlocksEnd) {
    // 32767 characters still convert; 32768 fail, also when held in pieces
    // and also far past the length at which lines stop being held whole.
    const std::string fits(32767, '0');
    const std::string tooLong(32768, '0');
    const std::string huge = std::string(300000, ' ') + "1";
    const std::string input = fits + "\n" + tooLong + "\n" + huge + "\n7";
    for (std::size_t block : {std::size_t{1} << 20, std::size_t{4096}, std::size_t{999}}) {
        RunOutcome r = RunCli({}, input, BatchSettings{block, block});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "0\n\n\n7\n") << "block size " << block;
        EXPECT_EQ(r.err, "basewright-cli: <stdin>:2: Overflow\nbasewright-cli: <stdin>:3: Overflow\n");

        RunOutcome full = RunCli({"--full"}, input, BatchSettings{block, block});
        const std::string name = "\tDecimal To Hexadecimal\t";
        EXPECT_EQ(full.out, fits + name + "0\n" + tooLong + name + "\n" + std::string(300000, '0') + "1" + name +
                                "\n7" + name + "7\n");
    }
}

class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/bw-cli-test-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        EXPECT_NE(made, nullptr);
        path_ = made ? made : "/tmp";
    }
    ~TempDir() {
        for (const std::string& f : files_) ::unlink(f.c_str());
        ::rmdir(path_.c_str());
    }
    std::string Write(const std::string& name, const std::string& content) {
        std::string full = path_ + "/" + name;
        std::ofstream(full, std::ios::binary) << content;
        files_.push_back(full);
        return full;
    }
    std::string Path(const std::string& name) const { return path_ + "/" + name; }
    const std::string& Root() const { return path_; }

private:
    std::string path_;
    std::vector<std::string> files_;
};

TEST(FilesTest, AreReadInOrderWithStandardInputForDash) {
    TempDir dir;
    std::string a = dir.Write("a.txt", "10\r\n20");  // no final terminator
    std::string b = dir.Write("b.txt", "30\n");
    std::string empty = dir.Write("empty.txt", "");
    RunOutcome r = RunCli({a, "-", empty, b}, "255\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "A\n14\nFF\n1E\n");
}

TEST(FilesTest, FailuresNameTheFileAndTheLineWithinIt) {
    TempDir dir;
    std::string a = dir.Write("a.txt", "1\n" + kTooLarge + "\n");
    std::string b = dir.Write("b.txt", "\n\n" + kTooLarge);
    RunOutcome r = RunCli({a, "-", b}, kTooLarge + "\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "1\n\n\n0\n0\n\n");
    EXPECT_EQ(r.err, "basewright-cli: " + a + ":2: Overflow\n" + "basewright-cli: <stdin>:1: Overflow\n" +
                         "basewright-cli: " + b + ":3: Overflow\n");
}

TEST(FilesTest, UnreadableInputsAreReportedWithTheSystemsReasonAndTheRestIsConverted) {
    TempDir dir;
    std::string good = dir.Write("good.txt", "255\n");
    std::string missing = dir.Path("missing.txt");
    struct Case {
        std::string path;
        std::string reason;
    };
    for (const Case& c : {Case{missing, std::strerror(ENOENT)}, Case{dir.Root(), std::strerror(EISDIR)}}) {
        RunOutcome r = RunCli({c.path, good}, "");
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "FF\n");
        EXPECT_EQ(r.err, "basewright-cli: " + c.path + ": " + c.reason + "\n");
    }
}

TEST(FilesTest, AnUnreadableInputOutranksAFailedEntryInTheStatus) {
    TempDir dir;
    RunOutcome r = RunCli({"-", dir.Path("missing.txt")}, kTooLarge);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "\n");
}

// A source that fails after some data, like a disk error in mid-file.
class FailingSource : public ByteSource {
public:
    long Read(char* buffer, std::size_t size, int& error) override {
        if (!served_) {
            served_ = true;
            const std::string_view data = "1\n2\n12";  // the last line is cut off
            std::size_t n = std::min(size, data.size());
            std::memcpy(buffer, data.data(), n);
            return static_cast<long>(n);
        }
        error = EIO;
        return -1;
    }

private:
    bool served_ = false;
};

TEST(ReadErrorTest, StopsThatInputDropsItsCutLineAndFailsWithStatusTwo) {
    FailingSource source;
    StringSink out;
    StringSink err;
    int status = CliMain({}, source, out, err);
    EXPECT_EQ(status, 2);
    EXPECT_EQ(out.text, "1\n2\n");
    EXPECT_EQ(err.text, std::string("basewright-cli: <stdin>: ") + std::strerror(EIO) + "\n");
}

// A terminal: one typed line per read; remembers what had been written
// out by the time of each read.
class TypedLinesSource : public ByteSource {
public:
    TypedLinesSource(std::vector<std::string> lines, const StringSink& out) : lines_(std::move(lines)), out_(out) {}
    long Read(char* buffer, std::size_t size, int& /*error*/) override {
        seenBeforeRead.push_back(out_.text);
        if (next_ == lines_.size()) return 0;
        const std::string& line = lines_[next_++];
        std::size_t n = std::min(size, line.size());
        std::memcpy(buffer, line.data(), n);
        return static_cast<long>(n);
    }
    bool Interactive() const override { return true; }
    std::vector<std::string> seenBeforeRead;

private:
    std::vector<std::string> lines_;
    std::size_t next_ = 0;
    const StringSink& out_;
};

TEST(InteractiveInputTest, EachResultIsShownBeforeWaitingForTheNextLine) {
    StringSink out;
    StringSink err;
    TypedLinesSource source({"255\n", "16\n"}, out);
    EXPECT_EQ(CliMain({}, source, out, err), 0);
    EXPECT_EQ(source.seenBeforeRead, (std::vector<std::string>{"", "FF\n", "FF\n10\n"}));
}

class FullDiskSink : public ByteSink {
public:
    int Write(std::string_view data) override {
        ++calls;
        written += data.size();
        return ENOSPC;
    }
    int calls = 0;
    std::size_t written = 0;
};

TEST(WriteErrorTest, IsReportedOnceAndTheRunStopsWithStatusTwo) {
    std::string input;
    for (int i = 0; i < 10000; ++i) input += "12345\n";
    StringSource source(input);
    FullDiskSink out;
    StringSink err;
    int status = CliMain({}, source, out, err, BatchSettings{64, 64});
    EXPECT_EQ(status, 2);
    EXPECT_EQ(out.calls, 1);
    EXPECT_EQ(err.text, std::string("basewright-cli: write error: ") + std::strerror(ENOSPC) + "\n");
}

TEST(OutputBufferTest, PassesTextOnInOrderWhateverItsSize) {
    StringSink sink;
    OutputBuffer buffer(sink, 4);
    buffer.Append("ab");
    buffer.Append('c');
    buffer.Append("defghij");  // longer than the buffer
    buffer.Append('k');
    buffer.Append("lmno");
    buffer.Flush();
    EXPECT_EQ(sink.text, "abcdefghijklmno");
    EXPECT_EQ(buffer.Error(), 0);
}

}  // namespace
}  // namespace bw
