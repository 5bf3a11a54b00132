// libFuzzer target: the list-file reader.
//
// The first byte chooses how the file is read (how long a line may be held
// whole before it goes into the list in pieces, and the size of a read
// block), so that short inputs reach the paths that long lines and block
// ends take; the other bytes are the file. The rows must be the file's
// lines by an independent reading: split at CR, CR LF or LF, no row after a
// final terminator, each line decoded as Qt decodes UTF-8 (with a leading
// U+FEFF kept). For input that is well-formed UTF-8, that means the rows
// joined with LF (and a final LF where the file ends with a terminator) give
// back the input with its terminators written as LF.

#include <sanitizer/lsan_interface.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/Utf8.h"
#include "shell/ListFileReader.h"
#include "shell/ListView.h"
#include "shell/Platform.h"
#include "support/ReferenceListRows.h"

namespace {

// Answers nothing: a list file that exists shows no box.
class NoDialogs : public bw::Dialogs {
public:
    void MessageBox(const QString&, int, const QString&) override { std::abort(); }
    QString InputBox(const QString&, const QString&, const QString&) override { return {}; }
    QStringList OpenFiles(const QString&, const QStringList&) override { return {}; }
    QString SaveFile(const QString&, const QStringList&, const QString&) override { return {}; }
};

void Fail(const char* what) {
    std::fprintf(stderr, "ListFileReader_fuzz: %s\n", what);
    std::abort();
}

}  // namespace

namespace {

// The application, the list and the file, made once before the first input
// (Qt's fonts and caches are set up then, not counted against an input).
struct Fixture {
    Fixture() : list(false), path(dir.filePath(QStringLiteral("list.txt"))) {}
    QTemporaryDir dir;
    NoDialogs dialogs;
    bw::ListView list;
    QString path;
};
Fixture* fixture = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Fontconfig keeps what it reads for the life of the process; that is
    // not a leak of the code under test.
    __lsan::ScopedDisabler setUpOnce;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(*argc, *argv);  // kept until the process ends
    fixture = new Fixture;
    fixture->list.AddColumn(QStringLiteral("Numbers"));
    // One load and one turn of the event loop, so that what Qt sets up on
    // first use is in place before the inputs.
    {
        QFile file(fixture->path);
        if (!file.open(QIODevice::WriteOnly) || file.write("1\n") != 2) Fail("cannot write the list file");
    }
    bw::LoadListviewFromTextFile(fixture->list, fixture->path, fixture->dialogs, QStringLiteral("Basewright"));
    QCoreApplication::processEvents();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const QString& path = fixture->path;
    bw::ListView& list = fixture->list;
    list.ClearRows();

    bw::ListFileLimits limits;
    limits.heldLine = 1 + (data[0] & 0x0F) * 4;  // 1 to 61 bytes
    limits.readBlock = 1 + (data[0] >> 4) * 5;   // 1 to 76 bytes
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) Fail("cannot write the list file");
        if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()))
            Fail("cannot write the list file");
    }

    bw::LoadListviewFromTextFile(list, path, fixture->dialogs, QStringLiteral("Basewright"), {}, limits);

    const std::vector<std::string> expected = bw::test::ReferenceListRows(bytes);
    const bool endsWithTerminator = !bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r');
    if (list.RowCount() != static_cast<int>(expected.size())) Fail("row count");
    std::string joined;
    for (int r = 1; r <= list.RowCount(); ++r) {
        const std::string_view row = list.CellUtf8(r, 1);
        if (row != expected[static_cast<std::size_t>(r - 1)]) Fail("row text");
        if (r > 1) joined.push_back('\n');
        joined.append(row);
    }
    if (endsWithTerminator) joined.push_back('\n');
    if (bw::IsWellFormedUtf8(bytes)) {
        std::string lf;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == '\r') {
                lf.push_back('\n');
                if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
            } else {
                lf.push_back(bytes[i]);
            }
        }
        if (joined != lf) Fail("rows joined differ from the input");
    }
    return 0;
}
