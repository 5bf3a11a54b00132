// The spreadsheet export against a real, headless LibreOffice: the office
// is started once for the suite with its own profile and pipe, each test
// reads the cells back over UNO and closes its documents, and the office is
// ended at the end (also when a test fails).

#include <gtest/gtest.h>

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/table/CellContentType.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableColumns.hpp>
#include <com/sun/star/text/XTextRange.hpp>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>
#include <com/sun/star/frame/Desktop.hpp>

#include <array>
#include <csignal>
#include <optional>
#include <unistd.h>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "export/Spreadsheet.h"
#include "export/uno/LibreOffice.h"
#include "spreadsheet/OfficeProcess.h"
#include "export/uno/UnoSession.h"
#include "support/ScriptedPlatform.h"
#include "support/QtPrinters.h"
#include "window/Form1.h"

namespace bw {
namespace {

namespace css = com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

// A cell as read back: its content type and its text.
struct Cell {
    char type;  // 'E'mpty, 'T'ext, 'V'alue, 'F'ormula
    QString text;
    bool operator==(const Cell&) const = default;
};
void PrintTo(const Cell& c, std::ostream* os) { *os << c.type << ':' << '"' << c.text.toStdString() << '"'; }

Cell T(const char* text) { return {'T', QString::fromUtf8(text)}; }
const Cell E{'E', {}};

// One headless office for the whole program, started by the first test
// that needs it and ended after the last test (also when tests fail).
class OfficeEnvironment : public ::testing::Environment {
public:
    static OfficeProcess* Get() {
        if (!office && startFailure.empty()) {
            try {
                office = std::make_unique<OfficeProcess>(60000);
                std::printf("office up in %.1f s\n", office->StartSeconds());
            } catch (const std::exception& e) {
                startFailure = e.what();
            }
        }
        return office.get();
    }
    void TearDown() override { office.reset(); }

    static inline std::unique_ptr<OfficeProcess> office;
    static inline std::string startFailure;
};
::testing::Environment* const g_officeEnvironment = ::testing::AddGlobalTestEnvironment(new OfficeEnvironment);

class SpreadsheetIntegration : public ::testing::Test {
protected:
    void SetUp() override {
        if (uno::OfficeProgram().isEmpty()) GTEST_SKIP() << "soffice is not installed";
        ASSERT_TRUE(OfficeEnvironment::Get()) << "the office did not start: " << startFailure_;
        LibreOfficeOptions options;
        options.pipeName = office_->PipeName();
        options.startOffice = false;
        options.showWindows = false;
        launcher_ = std::make_unique<LibreOfficeLauncher>(options);
    }
    void TearDown() override {
        if (office_) office_->CloseDocuments();
    }

    // The spreadsheet documents the office holds.
    static std::vector<Reference<css::sheet::XSpreadsheetDocument>> Documents() {
        std::vector<Reference<css::sheet::XSpreadsheetDocument>> docs;
        Reference<css::container::XEnumeration> e = office_->Desktop()->getComponents()->createEnumeration();
        while (e->hasMoreElements()) {
            Reference<css::sheet::XSpreadsheetDocument> doc(e->nextElement(), css::uno::UNO_QUERY);
            if (doc.is()) docs.push_back(doc);
        }
        return docs;
    }
    static Reference<css::sheet::XSpreadsheet> OnlySheet() {
        auto docs = Documents();
        if (docs.size() != 1) throw std::runtime_error("expected one document, found " + std::to_string(docs.size()));
        Reference<css::container::XIndexAccess> sheets(docs[0]->getSheets(), UNO_QUERY_THROW);
        return Reference<css::sheet::XSpreadsheet>(sheets->getByIndex(0), UNO_QUERY_THROW);
    }
    // Rows x columns from column A of sheet row firstRow (from 1), as read back.
    static std::vector<std::vector<Cell>> Read(const Reference<css::sheet::XSpreadsheet>& sheet, int rows, int columns,
                                               int firstRow = 1) {
        std::vector<std::vector<Cell>> out(rows);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c) {
                Reference<css::table::XCell> cell = sheet->getCellByPosition(c, firstRow - 1 + r);
                Reference<css::text::XTextRange> text(cell, UNO_QUERY_THROW);
                char type = '?';
                switch (cell->getType()) {
                    case css::table::CellContentType_EMPTY: type = 'E'; break;
                    case css::table::CellContentType_TEXT: type = 'T'; break;
                    case css::table::CellContentType_VALUE: type = 'V'; break;
                    case css::table::CellContentType_FORMULA: type = 'F'; break;
                    default: break;
                }
                out[r].push_back({type, type == 'E' ? QString() : uno::ToQString(text->getString())});
            }
        return out;
    }
    static int ColumnWidth(const Reference<css::sheet::XSpreadsheet>& sheet, int column) {
        Reference<css::table::XColumnRowRange> ranges(sheet, UNO_QUERY_THROW);
        Reference<css::beans::XPropertySet> props(ranges->getColumns()->getByIndex(column - 1), UNO_QUERY_THROW);
        sal_Int32 width = 0;
        props->getPropertyValue("Width") >>= width;
        return width;
    }

    static inline std::unique_ptr<OfficeProcess>& office_ = OfficeEnvironment::office;
    static inline std::string& startFailure_ = OfficeEnvironment::startFailure;
    std::unique_ptr<LibreOfficeLauncher> launcher_;
};

// Texts that a spreadsheet would read as formulas, numbers, dates or
// fractions must arrive unchanged, as text, by either way of writing.
TEST_F(SpreadsheetIntegration, TextsStayTextThroughCellsAndBlocks) {
    const std::vector<const char*> texts = {"=1+1", "007", "1E3", "1/2", "0x1F", "-0", "'x", "TRUE", " 12 ", "1,5"};
    auto app = launcher_->Start();
    auto book = app->AddWorkbook();
    CellBlock block(2);
    for (std::size_t n = 0; n < texts.size(); ++n) {
        book->SetCellText(static_cast<int>(n) + 1, 1, QString::fromUtf8(texts[n]));
        const int r = block.AddRow();
        block.At(r, 0) = QString::fromUtf8(texts[n]);  // column B; column C stays empty
    }
    book->SetBlockText(1, 2, block);
    EXPECT_EQ(book->SheetRows(), 1048576);
    book->FitAllColumns();
    app->SetVisible();
    book.reset();
    app.reset();

    const auto cells = Read(OnlySheet(), static_cast<int>(texts.size()), 3);
    for (std::size_t n = 0; n < texts.size(); ++n) {
        SCOPED_TRACE(texts[n]);
        EXPECT_EQ(cells[n][0], T(texts[n]));
        EXPECT_EQ(cells[n][1], T(texts[n]));
        EXPECT_EQ(cells[n][2], E);
    }
}

TEST_F(SpreadsheetIntegration, FittingWidensAColumnToItsLongestText) {
    auto app = launcher_->Start();
    auto book = app->AddWorkbook();
    const auto sheet = OnlySheet();
    const int before = ColumnWidth(sheet, 1);
    book->SetCellText(1, 1, QStringLiteral("A text much wider than a column of the default width"));
    book->FitColumn(1);
    EXPECT_GT(ColumnWidth(sheet, 1), 2 * before);
    book->SetCellText(1, 2, QStringLiteral("Another text much wider than a column of the default width"));
    book->FitAllColumns();
    EXPECT_GT(ColumnWidth(sheet, 2), 2 * before);
}

// A workbook whose document was closed reports the loss, so the export can stop.
TEST_F(SpreadsheetIntegration, ClosedDocumentIsReportedAsLost) {
    auto app = launcher_->Start();
    auto book = app->AddWorkbook();
    office_->CloseDocuments();
    try {
        book->SetCellText(1, 1, QStringLiteral("x"));
        FAIL() << "no failure";
    } catch (const SpreadsheetError& e) {
        EXPECT_TRUE(e.Lost()) << e.what();
    }
}

// The command itself, through the real automation layer.
class SpreadsheetCommand : public SpreadsheetIntegration {
protected:
    void SetUp() override {
        SpreadsheetIntegration::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        sp_ = std::make_unique<ScriptedPlatform>();
        sp_->platform().spreadsheet = launcher_.get();
        form_ = std::make_unique<Form1>(sp_->platform());
        form_->Form_Load();
        sp_->dialogs.messages.clear();
    }
    void TearDown() override {
        form_.reset();
        sp_.reset();
        SpreadsheetIntegration::TearDown();
    }
    void Add(std::vector<std::string_view> cells, bool checked = true) {
        form_->ListView2->AppendRow(cells);
        form_->ListView2->SetChecked(form_->ListView2->RowCount(), checked);
    }

    // The texts of the message boxes shown, for failure output.
    std::string Messages() const {
        std::string all;
        for (const auto& m : sp_->dialogs.messages) all += m.text.toStdString() + "\n";
        return all;
    }

    std::unique_ptr<ScriptedPlatform> sp_;
    std::unique_ptr<Form1> form_;
};

TEST_F(SpreadsheetCommand, FullResultsReachTheSheetAsText) {
    form_->Option1->setChecked(true);
    form_->Option1_Click();
    Add({"=1+1", "=Decimal To Binary", "10"});
    Add({"5", "Decimal To Binary", "0101"}, false);
    Add({"00017", "Octal To Binary", "001111"});
    Add({"1E3", "Hexadecimal To Decimal", "7683"});
    form_->PushButton13_Click();

    EXPECT_TRUE(sp_->dialogs.messages.empty()) << Messages();
    EXPECT_EQ(form_->MousePointer().Value(), kPointerNormal);
    const auto cells = Read(OnlySheet(), 6, 4);
    const std::vector<std::vector<Cell>> expected = {
        {T("Numbers"), T("Conversion"), T("Results"), E},
        {T("=1+1"), T("Decimal To Binary"), T("10"), E},
        {E, E, E, E},
        {T("00017"), T("Octal To Binary"), T("001111"), E},
        {T("1E3"), T("Hexadecimal To Decimal"), T("7683"), E},
        {E, E, E, E},
    };
    EXPECT_EQ(cells, expected);
}

TEST_F(SpreadsheetCommand, ResultsOnlyGiveOneColumn) {
    form_->Option2->setChecked(true);
    form_->Option2_Click();
    Add({"=0010"});
    Add({"0"}, false);
    Add({"000111"});
    form_->PushButton13_Click();

    EXPECT_TRUE(sp_->dialogs.messages.empty()) << Messages();
    const auto cells = Read(OnlySheet(), 5, 2);
    const std::vector<std::vector<Cell>> expected = {
        {T("Results"), E}, {T("=0010"), E}, {E, E}, {T("000111"), E}, {E, E},
    };
    EXPECT_EQ(cells, expected);
}

// More rows than one block: the blocks join without gaps or overlaps.
TEST_F(SpreadsheetCommand, ManyRowsJoinAcrossBlocks) {
    form_->Option1->setChecked(true);
    form_->Option1_Click();
    const int rows = 10000;
    for (int r = 1; r <= rows; ++r) {
        const std::string n = std::to_string(r);
        Add({n, "Decimal To Decimal", "0" + n}, r % 1000 != 0);
    }
    form_->PushButton13_Click();
    EXPECT_TRUE(sp_->dialogs.messages.empty()) << Messages();
    const auto sheet = OnlySheet();
    for (int r : {1, 999, 1000, 1001, 4095, 4096, 4097, 8192, 9999, 10000}) {
        SCOPED_TRACE(r);
        // List row r is sheet row r + 1; the row after the last stays empty.
        const auto cells = Read(sheet, 2, 3, r + 1);
        const std::string n = std::to_string(r);
        const Cell first = r % 1000 == 0 ? E : T(n.c_str());
        const Cell third = r % 1000 == 0 ? E : T(("0" + n).c_str());
        EXPECT_EQ(cells[0][0], first);
        EXPECT_EQ(cells[0][2], third);
        if (r == rows) {
            EXPECT_EQ(cells[1][0], E);
        }
    }
}

// ------------------------------------------------------------ the launcher

// Sets environment variables for one scope and restores them after.
class ScopedEnv {
public:
    void Set(const char* name, const QByteArray& value) {
        Save(name);
        qputenv(name, value);
    }
    void Unset(const char* name) {
        Save(name);
        qunsetenv(name);
    }
    ~ScopedEnv() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second) qputenv(it->first.c_str(), *it->second);
            else qunsetenv(it->first.c_str());
        }
    }

private:
    void Save(const char* name) {
        saved_.emplace_back(name, qEnvironmentVariableIsSet(name) ? std::optional<QByteArray>(qgetenv(name))
                                                                  : std::nullopt);
    }
    std::vector<std::pair<std::string, std::optional<QByteArray>>> saved_;
};

enum class Soffice { None, Link, PlainFile, Directory, ExitsAtOnce };

// A folder holding a stand-in for soffice of the given kind.
QString MakeSofficeFolder(const QTemporaryDir& dir, Soffice kind) {
    const QString path = dir.filePath(QStringLiteral("soffice"));
    switch (kind) {
        case Soffice::None: break;
        case Soffice::Link: QFile::link(uno::OfficeProgram(), path); break;
        case Soffice::PlainFile: {
            QFile f(path);
            if (f.open(QIODevice::WriteOnly)) f.write("#!/bin/sh\nexit 0\n");
            break;
        }
        case Soffice::Directory: QDir(dir.path()).mkdir(QStringLiteral("soffice")); break;
        case Soffice::ExitsAtOnce: {
            QFile f(path);
            if (f.open(QIODevice::WriteOnly)) f.write("#!/bin/sh\nexit 0\n");
            f.close();
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            break;
        }
    }
    return dir.path();
}

struct AvailabilityCase {
    const char* name;
    Soffice onUnoPath;  // None: UNO_PATH unset
    bool realPath;      // PATH keeps the folder of the real soffice
    bool expected;
};
void PrintTo(const AvailabilityCase& c, std::ostream* os) { *os << c.name; }

class LauncherAvailability : public ::testing::TestWithParam<AvailabilityCase> {};

TEST_P(LauncherAvailability, FollowsTheOfficeProgramOnTheSearchPaths) {
    if (uno::OfficeProgram().isEmpty()) GTEST_SKIP() << "soffice is not installed";
    const AvailabilityCase& c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ScopedEnv env;
    if (c.onUnoPath == Soffice::None) env.Unset("UNO_PATH");
    else env.Set("UNO_PATH", MakeSofficeFolder(dir, c.onUnoPath).toLocal8Bit());
    if (!c.realPath) env.Set("PATH", "/nonexistent-folder");
    LibreOfficeLauncher launcher;
    EXPECT_EQ(launcher.Available(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, LauncherAvailability,
                         ::testing::Values(AvailabilityCase{"OnPath", Soffice::None, true, true},
                                           AvailabilityCase{"LinkOnUnoPath", Soffice::Link, false, true},
                                           AvailabilityCase{"NotExecutable", Soffice::PlainFile, false, false},
                                           AvailabilityCase{"DirectoryOfThatName", Soffice::Directory, false, false},
                                           AvailabilityCase{"NowhereToBeFound", Soffice::None, false, false},
                                           AvailabilityCase{"UnoPathWithoutItFallsBackToPath", Soffice::Directory,
                                                            true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LauncherConnection, NobodyOnThePipeFailsAtOnceWithoutStarting) {
    if (uno::OfficeProgram().isEmpty()) GTEST_SKIP() << "soffice is not installed";
    LibreOfficeOptions options;
    options.pipeName = QStringLiteral("basewright_nobody_%1").arg(::getpid());
    options.startOffice = false;
    LibreOfficeLauncher launcher(options);
    try {
        launcher.Start();
        FAIL() << "connected to nobody";
    } catch (const SpreadsheetError& e) {
        EXPECT_FALSE(e.Lost());
    }
    EXPECT_EQ(launcher.StartedProcessId(), 0);
}

// An office program that never answers: Start() gives up at its deadline.
TEST(LauncherConnection, OfficeThatNeverListensFailsAtTheDeadline) {
    if (uno::OfficeProgram().isEmpty()) GTEST_SKIP() << "soffice is not installed";
    uno::LocalContext();  // made from the real office before the search paths change
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ScopedEnv env;
    env.Set("UNO_PATH", MakeSofficeFolder(dir, Soffice::ExitsAtOnce).toLocal8Bit());
    LibreOfficeOptions options;
    options.pipeName = QStringLiteral("basewright_never_%1").arg(::getpid());
    options.connectTimeoutMs = 1500;
    int waits = 0;
    options.whileWaiting = [&] { ++waits; };
    LibreOfficeLauncher launcher(options);
    EXPECT_THROW(launcher.Start(), SpreadsheetError);
    EXPECT_NE(launcher.StartedProcessId(), 0);
    EXPECT_GT(waits, 3);  // the window's events were served while waiting
}

// Processes whose command line names the pipe (the office started below).
std::vector<pid_t> ProcessesWith(const QString& needle) {
    std::vector<pid_t> pids;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool ok = false;
        const pid_t pid = entry.toInt(&ok);
        if (!ok) continue;
        QFile f(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (f.open(QIODevice::ReadOnly) && QString::fromLocal8Bit(f.readAll()).contains(needle)) pids.push_back(pid);
    }
    return pids;
}

// Ends the office a launcher started detached, however the test went.
class DetachedOfficeGuard {
public:
    DetachedOfficeGuard(QString pipe, QString profile) : pipe_(std::move(pipe)), profile_(std::move(profile)) {}
    ~DetachedOfficeGuard() {
        try {
            Reference<css::uno::XComponentContext> ctx = uno::TryConnect(pipe_);
            if (ctx.is()) css::frame::Desktop::create(ctx)->terminate();
        } catch (...) {
        }
        for (int i = 0; i < 150 && !ProcessesWith(pipe_).empty(); ++i) QThread::msleep(100);
        for (pid_t pid : ProcessesWith(pipe_)) ::kill(pid, SIGKILL);
        QDir(profile_).removeRecursively();
    }

private:
    QString pipe_, profile_;
};

// The way the real program reaches the office: nobody listens yet, so the
// launcher starts soffice itself (detached, it outlives the command); a
// second start finds it listening and starts nothing.
TEST(LauncherConnection, StartsTheOfficeOnceAndThenReachesIt) {
    if (uno::OfficeProgram().isEmpty()) GTEST_SKIP() << "soffice is not installed";
    QTemporaryDir profile;
    ASSERT_TRUE(profile.isValid());
    profile.setAutoRemove(false);
    LibreOfficeOptions options;
    options.pipeName = QStringLiteral("basewright_detached_%1").arg(::getpid());
    options.extraArguments = {QStringLiteral("--headless"), QStringLiteral("--invisible"), QStringLiteral("--nologo"),
                              QStringLiteral("--norestore"), QStringLiteral("--nodefault"),
                              QStringLiteral("--nolockcheck"),
                              QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile.path()).toString()};
    options.showWindows = false;
    DetachedOfficeGuard guard(options.pipeName, profile.path());
    // A user's profile exists already; a fresh one would make the first
    // start restart itself and drop the connection.
    QProcess::execute(uno::OfficeProgram(), {QStringLiteral("--headless"), QStringLiteral("--terminate_after_init"),
                                             options.extraArguments.last()});

    LibreOfficeLauncher first(options);
    auto app = first.Start();
    EXPECT_NE(first.StartedProcessId(), 0);
    auto book = app->AddWorkbook();
    book->SetCellText(1, 1, QStringLiteral("=2"));
    book.reset();
    app.reset();

    LibreOfficeLauncher second(options);
    auto again = second.Start();
    EXPECT_EQ(second.StartedProcessId(), 0);
    EXPECT_TRUE(again->AddWorkbook() != nullptr);
}

}  // namespace
}  // namespace bw
