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

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/IllegalArgumentException.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>

#include <unistd.h>
#include <array>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "export/Spreadsheet.h"
#include "export/uno/LibreOffice.h"
#include "export/uno/UnoSession.h"
#include "shell/ErrorReport.h"
#include "spreadsheet/OfficeProcess.h"
#include "support/QtPrinters.h"
#include "support/ScriptedPlatform.h"
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

// Every temporary file of this program and of the offices it starts goes
// into a folder of its own, removed after the last test (and by a helper
// process should this program be killed). Registered before the office's
// environment, so that it is torn down after it.
class TempFolderEnvironment : public ::testing::Environment {
public:
    void SetUp() override { folder = std::make_unique<PrivateTempFolder>(); }
    void TearDown() override { folder.reset(); }
    std::unique_ptr<PrivateTempFolder> folder;
};
::testing::Environment* const g_tempFolderEnvironment = ::testing::AddGlobalTestEnvironment(new TempFolderEnvironment);

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
                    case css::table::CellContentType_EMPTY:
                        type = 'E';
                        break;
                    case css::table::CellContentType_TEXT:
                        type = 'T';
                        break;
                    case css::table::CellContentType_VALUE:
                        type = 'V';
                        break;
                    case css::table::CellContentType_FORMULA:
                        type = 'F';
                        break;
                    default:
                        break;
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

// Fitting all columns measures only the texts estimated widest, yet gives
// the widths of the office's own fitting over every cell: also where texts
// with more characters are narrower, and for letters outside ASCII. The
// sheet used for measuring is gone afterwards.
TEST_F(SpreadsheetIntegration, FittingAllColumnsGivesTheWidthsOfFittingEveryCell) {
    auto app = launcher_->Start();
    auto book = app->AddWorkbook();
    const auto sheet = OnlySheet();
    const int defaultWidth = ColumnWidth(sheet, 1);
    const QStringList headers = {QStringLiteral("Numbers"), QStringLiteral("Names"), QStringLiteral("Results"),
                                 QStringLiteral("Other")};
    for (int c = 0; c < headers.size(); ++c) book->SetCellText(1, c + 1, headers[c]);
    CellBlock block(4);
    for (int r = 0; r < 3000; ++r) {
        const int row = block.AddRow();
        block.At(row, 0) = QString::number(static_cast<qulonglong>(r) * 7919u * 104729u);
        block.At(row, 1) = r == 1234 ? QStringLiteral("WWWWMMMM") : QStringLiteral("il1.").repeated(3 + r % 3);
        block.At(row, 2) = QString::number(static_cast<qulonglong>(r) * 2654435761u, 16).toUpper();
        block.At(row, 3) =
            (r % 100 == 7 ? QStringLiteral("\u6570\u5B57\u306E") : QStringLiteral("\u00C4\u00D6")) + QString::number(r);
    }
    book->SetBlockText(2, 1, block);
    book->FitAllColumns();
    std::vector<int> fitted;
    for (int c = 1; c <= 4; ++c) fitted.push_back(ColumnWidth(sheet, c));

    Reference<css::table::XColumnRowRange> ranges(sheet->getCellRangeByPosition(0, 0, 3, 0), UNO_QUERY_THROW);
    Reference<css::beans::XPropertySet>(ranges->getColumns(), UNO_QUERY_THROW)
        ->setPropertyValue("OptimalWidth", css::uno::Any(true));
    for (int c = 1; c <= 4; ++c) {
        SCOPED_TRACE(c);
        EXPECT_NE(fitted[c - 1], defaultWidth);
        EXPECT_NEAR(fitted[c - 1], ColumnWidth(sheet, c), 2);  // 1/100 mm
    }
    EXPECT_EQ(Reference<css::container::XIndexAccess>(Documents()[0]->getSheets(), UNO_QUERY_THROW)->getCount(), 1);
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
            if (it->second)
                qputenv(it->first.c_str(), *it->second);
            else
                qunsetenv(it->first.c_str());
        }
    }

private:
    void Save(const char* name) {
        saved_.emplace_back(name,
                            qEnvironmentVariableIsSet(name) ? std::optional<QByteArray>(qgetenv(name)) : std::nullopt);
    }
    std::vector<std::pair<std::string, std::optional<QByteArray>>> saved_;
};

enum class Soffice { None, Link, PlainFile, Directory, ExitsAtOnce };

// A folder holding a stand-in for soffice of the given kind.
QString MakeSofficeFolder(const QTemporaryDir& dir, Soffice kind) {
    const QString path = dir.filePath(QStringLiteral("soffice"));
    switch (kind) {
        case Soffice::None:
            break;
        case Soffice::Link:
            QFile::link(uno::OfficeProgram(), path);
            break;
        case Soffice::PlainFile: {
            QFile f(path);
            if (f.open(QIODevice::WriteOnly)) f.write("#!/bin/sh\nexit 0\n");
            break;
        }
        case Soffice::Directory:
            QDir(dir.path()).mkdir(QStringLiteral("soffice"));
            break;
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
    if (c.onUnoPath == Soffice::None)
        env.Unset("UNO_PATH");
    else
        env.Set("UNO_PATH", MakeSofficeFolder(dir, c.onUnoPath).toLocal8Bit());
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
                                           AvailabilityCase{"UnoPathWithoutItFallsBackToPath", Soffice::Directory, true,
                                                            true}),
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

// Ends the office a launcher started detached, however the test went,
// and removes its profile and the sockets it left. (The reaper covers the
// test process itself ending without this destructor: a crash or a kill by
// the runner's time-out.)
class DetachedOfficeGuard {
public:
    DetachedOfficeGuard(QString pipe, QString profile)
        : pipe_(std::move(pipe)), profile_(std::move(profile)), reaper_(pipe_, profile_) {}
    ~DetachedOfficeGuard() {
        try {
            Reference<css::uno::XComponentContext> ctx = uno::TryConnect(pipe_);
            if (ctx.is()) css::frame::Desktop::create(ctx)->terminate();
        } catch (...) {}
        for (int i = 0; i < 150 && !ProcessesWith(pipe_).empty(); ++i) QThread::msleep(100);
        for (pid_t pid : ProcessesWith(pipe_)) ::kill(pid, SIGKILL);
        RemoveRecordedSockets(profile_);
        QDir(profile_).removeRecursively();
        reaper_.Dismiss();
    }
    // Notes the sockets of the office, once it runs, for removal.
    QStringList Record() {
        const QStringList sockets = ListeningSockets(ProcessesWith(pipe_));
        RecordSockets(profile_, sockets);
        return sockets;
    }

private:
    QString pipe_, profile_;
    OfficeReaper reaper_;
};

// The way the real program reaches the office: nobody listens yet, so the
// launcher starts soffice itself (detached, it outlives the command); a
// second start finds it listening and starts nothing.
// Options for a launcher that starts a headless office of its own, with a
// primed profile in `profile` (a fresh one would make the first start
// restart itself and drop the connection).
LibreOfficeOptions DetachedOfficeOptions(const QString& pipe, const QString& profile) {
    LibreOfficeOptions options;
    options.pipeName = pipe;
    options.extraArguments = {QStringLiteral("--headless"),
                              QStringLiteral("--invisible"),
                              QStringLiteral("--nologo"),
                              QStringLiteral("--norestore"),
                              QStringLiteral("--nodefault"),
                              QStringLiteral("--nolockcheck"),
                              QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile).toString()};
    options.showWindows = false;
    QProcess::execute(uno::OfficeProgram(), {QStringLiteral("--headless"), QStringLiteral("--terminate_after_init"),
                                             options.extraArguments.last()});
    return options;
}

TEST(LauncherConnection, StartsTheOfficeOnceAndThenReachesIt) {
    if (uno::OfficeProgram().isEmpty()) GTEST_SKIP() << "soffice is not installed";
    QTemporaryDir profile;
    ASSERT_TRUE(profile.isValid());
    profile.setAutoRemove(false);
    const QString pipe = QStringLiteral("basewright_detached_%1").arg(::getpid());
    DetachedOfficeGuard guard(pipe, profile.path());
    const LibreOfficeOptions options = DetachedOfficeOptions(pipe, profile.path());

    LibreOfficeLauncher first(options);
    auto app = first.Start();
    guard.Record();
    const qint64 started = first.StartedProcessId();
    EXPECT_NE(started, 0);
    auto book = app->AddWorkbook();
    book->SetCellText(1, 1, QStringLiteral("=2"));
    book.reset();
    app.reset();

    LibreOfficeLauncher second(options);
    auto again = second.Start();
    EXPECT_EQ(second.StartedProcessId(), 0);
    EXPECT_TRUE(again->AddWorkbook() != nullptr);
    again.reset();

    // The program's next export, through the same launcher: no new office.
    auto third = first.Start();
    EXPECT_EQ(first.StartedProcessId(), started);
    EXPECT_TRUE(third->AddWorkbook() != nullptr);
}

// A launcher of a later run of the program has a pipe name of its own: the
// office it starts hands the request over to the office already running
// with the user's profile, which then listens on that name too.
TEST(LauncherConnection, ANewPipeNameReachesTheOfficeAlreadyRunning) {
    if (uno::OfficeProgram().isEmpty()) GTEST_SKIP() << "soffice is not installed";
    QTemporaryDir profile;
    ASSERT_TRUE(profile.isValid());
    profile.setAutoRemove(false);
    LibreOfficeOptions options = DetachedOfficeOptions(uno::NewPipeName(), profile.path());
    DetachedOfficeGuard guard(options.pipeName, profile.path());
    LibreOfficeLauncher first(options);
    auto app = first.Start();
    guard.Record();
    const std::vector<pid_t> running = ProcessesWith(options.pipeName);
    ASSERT_FALSE(running.empty());

    options.pipeName = uno::NewPipeName();
    LibreOfficeLauncher later(options);
    auto again = later.Start();
    guard.Record();
    EXPECT_NE(later.StartedProcessId(), 0);
    EXPECT_TRUE(again->AddWorkbook() != nullptr);
    // The process that handed the request over has ended; the office that
    // answered is the one already running.
    for (int i = 0; i < 100 && !ProcessesWith(options.pipeName).empty(); ++i) QThread::msleep(100);
    EXPECT_TRUE(ProcessesWith(options.pipeName).empty());
    EXPECT_EQ(ProcessesWith(first.PipeName()), running);
}

// ------------------------------------------------------------ losses in plain words

enum class Probe { None, Both, WorkbookGone, ApplicationGone, Fails };

struct WordsCase {
    const char* name;
    bool disposed;        // a DisposedException, else a RuntimeException or an IllegalArgumentException
    const char* message;  // the office's own
    Probe probe;
    const char* expected;  // nullptr: the office's message, not a loss
};
void PrintTo(const WordsCase& c, std::ostream* os) { *os << c.name; }

class LossWords : public ::testing::TestWithParam<WordsCase> {};

TEST_P(LossWords, AreTheUsersNotTheBridges) {
    const WordsCase& c = GetParam();
    std::function<uno::Presence()> probe;
    switch (c.probe) {
        case Probe::None:
            break;
        case Probe::Both:
            probe = [] { return uno::Presence::Both; };
            break;
        case Probe::WorkbookGone:
            probe = [] { return uno::Presence::WorkbookGone; };
            break;
        case Probe::ApplicationGone:
            probe = [] { return uno::Presence::ApplicationGone; };
            break;
        case Probe::Fails:
            probe = []() -> uno::Presence { throw css::uno::RuntimeException("probe failed"); };
            break;
    }
    const rtl::OUString message = rtl::OUString::createFromAscii(c.message);
    const SpreadsheetError e =
        c.disposed   ? uno::CallFailure(css::lang::DisposedException(message), true, probe)
        : c.expected ? uno::CallFailure(css::uno::RuntimeException(message), false, probe)
                     : uno::CallFailure(css::lang::IllegalArgumentException(message, {}, 0), false, probe);
    EXPECT_EQ(e.Lost(), c.expected != nullptr);
    EXPECT_EQ(std::string(e.what()), c.expected ? std::string(c.expected) : std::string(c.message));
}

const char* const kAppClosed = "The spreadsheet application was closed before the export finished.";
const char* const kBookClosed = "The workbook was closed in the spreadsheet application before the export finished.";

INSTANTIATE_TEST_SUITE_P(
    Cases, LossWords,
    ::testing::Values(WordsCase{"BridgeDisposed", true,
                                "Binary URP bridge already disposed at ./binaryurp/source/bridge.cxx:1010", Probe::None,
                                kAppClosed},
                      WordsCase{"DisposedDuringCall", false, "Binary URP bridge disposed during call",
                                Probe::ApplicationGone, kAppClosed},
                      WordsCase{"ProbeFails", false, "connection reset", Probe::Fails, kAppClosed},
                      WordsCase{"DocumentDisposed", true, "", Probe::Both, kBookClosed},
                      WordsCase{"DocumentGone", false, "x", Probe::WorkbookGone, kBookClosed},
                      WordsCase{"OrdinaryFailure", false, "bad index", Probe::Both, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

// Passes every call on to a real application and runs `before` once,
// right before the n-th block of rows goes over (on the export's call
// thread), to make the office go away or hang in the middle of an export.
class Interrupting : public SpreadsheetLauncher {
public:
    Interrupting(SpreadsheetLauncher& real, int atBlock, std::function<void()> before)
        : real_(real), atBlock_(atBlock), before_(std::move(before)) {}
    bool Available() override { return real_.Available(); }
    std::unique_ptr<SpreadsheetApplication> Start() override { return std::make_unique<App>(*this, real_.Start()); }
    std::chrono::milliseconds CallDeadline() const override { return real_.CallDeadline(); }
    std::atomic<bool> interrupted{false};
    // Applications and workbooks not yet released.
    std::atomic<int> live{0};

private:
    class Book : public SpreadsheetWorkbook {
    public:
        Book(Interrupting& owner, std::unique_ptr<SpreadsheetWorkbook> real) : o_(owner), real_(std::move(real)) {
            ++o_.live;
        }
        ~Book() override {
            real_.reset();
            --o_.live;
        }
        void SetCellText(int row, int column, const QString& text) override { real_->SetCellText(row, column, text); }
        void SetBlockText(int row, int column, const CellBlock& block) override {
            if (++o_.blocks_ == o_.atBlock_) {
                o_.before_();
                o_.interrupted = true;
            }
            real_->SetBlockText(row, column, block);
        }
        void FitColumn(int column) override { real_->FitColumn(column); }
        void FitAllColumns() override { real_->FitAllColumns(); }
        int SheetRows() override { return real_->SheetRows(); }

    private:
        Interrupting& o_;
        std::unique_ptr<SpreadsheetWorkbook> real_;
    };
    class App : public SpreadsheetApplication {
    public:
        App(Interrupting& owner, std::unique_ptr<SpreadsheetApplication> real) : o_(owner), real_(std::move(real)) {
            ++o_.live;
        }
        ~App() override {
            real_.reset();
            --o_.live;
        }
        std::unique_ptr<SpreadsheetWorkbook> AddWorkbook() override {
            return std::make_unique<Book>(o_, real_->AddWorkbook());
        }
        void SetVisible() override { real_->SetVisible(); }

    private:
        Interrupting& o_;
        std::unique_ptr<SpreadsheetApplication> real_;
    };

    SpreadsheetLauncher& real_;
    int atBlock_;
    std::function<void()> before_;
    int blocks_ = 0;
};

LibreOfficeOptions OptionsFor(const OfficeProcess& office) {
    LibreOfficeOptions options;
    options.pipeName = office.PipeName();
    options.startOffice = false;
    options.showWindows = false;
    return options;
}

// The results window with `rows` full-results rows, exporting through `launcher`.
struct ExportWindow {
    explicit ExportWindow(SpreadsheetLauncher& launcher, int rows) {
        sp.platform().spreadsheet = &launcher;
        form.Form_Load();
        form.Option1->setChecked(true);
        form.Option1_Click();
        for (int r = 1; r <= rows; ++r) {
            const std::string n = std::to_string(r);
            form.ListView2->AppendRow(std::vector<std::string_view>{n, "Decimal To Octal", n});
        }
        sp.dialogs.messages.clear();
    }
    ScriptedPlatform sp;
    Form1 form{sp.platform()};
};

struct GoneCase {
    const char* name;
    bool killOffice;  // else the user closes the workbook
    const char* words;
};
void PrintTo(const GoneCase& c, std::ostream* os) { *os << c.name; }

class OfficeGoesAway : public ::testing::TestWithParam<GoneCase> {};

// The office killed (or the workbook closed) in the middle of an export:
// one report, in plain words, for the block that could not be written.
TEST_P(OfficeGoesAway, MidExportGivesOneReportInPlainWords) {
    if (uno::OfficeProgram().isEmpty()) GTEST_SKIP() << "soffice is not installed";
    OfficeProcess office(60000);  // of this test's own: it may die
    LibreOfficeLauncher launcher(OptionsFor(office));
    const pid_t pid = office.Pid();
    Interrupting interrupting(launcher, 2, [&] {
        if (GetParam().killOffice)
            ::kill(pid, SIGKILL);
        else
            office.CloseDocuments();
    });
    ExportWindow window(interrupting, 3000);
    window.form.PushButton13_Click();

    ASSERT_TRUE(interrupting.interrupted);
    ASSERT_EQ(window.sp.dialogs.messages.size(), 1u);
    EXPECT_EQ(window.sp.dialogs.messages[0].text,
              ErrorReport::MessageText(QString::fromUtf8(GetParam().words), kLocPushButton13_Click, 144));
    EXPECT_EQ(window.form.MousePointer().Value(), kPointerNormal);
}

INSTANTIATE_TEST_SUITE_P(Cases, OfficeGoesAway,
                         ::testing::Values(GoneCase{"OfficeKilled", true, kAppClosed},
                                           GoneCase{"WorkbookClosed", false, kBookClosed}),
                         [](const auto& info) { return std::string(info.param.name); });

// The office stops answering in the middle of an export (SIGSTOP): at the
// call's deadline the export reports it, in plain words, once, and ends;
// the window was never held. Continued afterwards, the office finishes the
// abandoned call and the export's thread lets go of it.
TEST(OfficeStops, MidExportIsReportedAsNotAnsweringAtTheDeadline) {
    if (uno::OfficeProgram().isEmpty()) GTEST_SKIP() << "soffice is not installed";
    OfficeProcess office(60000);  // of this test's own: it is stopped
    LibreOfficeOptions options = OptionsFor(office);
    options.callDeadline = std::chrono::seconds(3);
    LibreOfficeLauncher launcher(options);
    const pid_t pid = office.Pid();
    std::atomic<bool> stopped{false};
    Interrupting interrupting(launcher, 2, [&] { stopped = ::kill(pid, SIGSTOP) == 0; });
    // The office goes on, whatever becomes of the test.
    struct Continue {
        pid_t pid;
        ~Continue() { ::kill(pid, SIGCONT); }
    } resume{pid};
    ExportWindow window(interrupting, 3000);
    int ticks = 0;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] { ticks += stopped ? 1 : 0; });
    timer.start();
    QElapsedTimer clock;
    clock.start();
    window.form.PushButton13_Click();
    const qint64 ms = clock.elapsed();
    timer.stop();

    ASSERT_TRUE(stopped);
    EXPECT_GE(ms, 3000);
    EXPECT_LT(ms, 60000);
    EXPECT_GT(ticks, 50) << "the window processed no events while the office was stopped";
    ASSERT_EQ(window.sp.dialogs.messages.size(), 1u);
    EXPECT_EQ(window.sp.dialogs.messages[0].text,
              ErrorReport::MessageText(QStringLiteral("The spreadsheet application is not answering: a call into it "
                                                      "did not finish within 3 seconds, so the export was stopped."),
                                       kLocPushButton13_Click, 144));
    EXPECT_EQ(window.form.MousePointer().Value(), kPointerNormal);

    ::kill(pid, SIGCONT);
    for (int i = 0; i < 600 && interrupting.live > 0; ++i) QThread::msleep(50);
    EXPECT_EQ(interrupting.live, 0) << "the abandoned call did not end once the office went on";
}

// ------------------------------------------------------------ the test process ending

constexpr const char* kChildFileVariable = "BASEWRIGHT_OFFICE_CHILD";

// This test program run again as a child, with one of the DISABLED_ tests below.
class ChildTest {
public:
    ChildTest(const char* test, const QString& file) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kChildFileVariable), file);
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QCoreApplication::applicationFilePath(),
                      {QStringLiteral("--gtest_filter=DISABLED_OfficeChild.%1").arg(QString::fromLatin1(test)),
                       QStringLiteral("--gtest_also_run_disabled_tests")});
    }
    QString Output() { return QString::fromLocal8Bit(process.readAll()); }
    QProcess process;
};

// Started as a child by OfficesEndWithTheTestProcess: starts an office of
// each kind (the tests' own, and one the launcher starts detached), names
// them in the file, and waits to be killed.
TEST(DISABLED_OfficeChild, StartsOfficesAndWaits) {
    const QString file = qEnvironmentVariable(kChildFileVariable);
    ASSERT_FALSE(file.isEmpty());
    OfficeProcess own(60000);
    QTemporaryDir profile;
    ASSERT_TRUE(profile.isValid());
    profile.setAutoRemove(false);
    const QString pipe = QStringLiteral("basewright_orphan_%1").arg(::getpid());
    DetachedOfficeGuard guard(pipe, profile.path());
    LibreOfficeLauncher launcher(DetachedOfficeOptions(pipe, profile.path()));
    auto app = launcher.Start();
    const QStringList sockets = own.Sockets() + guard.Record();
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write((QStringList{own.Mark(), own.Folder(), pipe, profile.path(), sockets.join(QLatin1Char('|')),
                           QStringLiteral("ready")}
                   .join('\n') +
               QLatin1Char('\n'))
                  .toLocal8Bit());
    out.close();
    for (;;) QThread::sleep(1);
}

// However the test process ends (here: SIGKILL, as a runner's time-out
// does), the offices it started end with it and their profiles go.
TEST(OfficeLifetime, OfficesEndWithTheTestProcess) {
    if (uno::OfficeProgram().isEmpty()) GTEST_SKIP() << "soffice is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("offices"));
    ChildTest child("StartsOfficesAndWaits", file);
    QStringList lines;
    for (int i = 0; i < 1500 && !lines.contains(QStringLiteral("ready")); ++i) {
        ASSERT_FALSE(child.process.waitForFinished(100)) << child.Output().toStdString();
        QFile f(file);
        if (f.open(QIODevice::ReadOnly)) lines = QString::fromLocal8Bit(f.readAll()).split('\n');
    }
    ASSERT_TRUE(lines.contains(QStringLiteral("ready"))) << child.Output().toStdString();
    const QStringList marks = {lines[0], lines[2]};
    const QStringList folders = {lines[1], lines[3]};
    const QStringList sockets = lines[4].split(QLatin1Char('|'), Qt::SkipEmptyParts);
    for (const QString& mark : marks) ASSERT_FALSE(ProcessesWith(mark).empty()) << mark.toStdString();
    // Each office listens on its pipe and on the pipe that keeps one office per profile.
    EXPECT_GE(sockets.size(), 4) << sockets.join(QLatin1Char(' ')).toStdString();

    ::kill(static_cast<pid_t>(child.process.processId()), SIGKILL);
    child.process.waitForFinished(5000);
    auto gone = [&] {
        for (const QString& mark : marks)
            if (!ProcessesWith(mark).empty()) return false;
        for (const QString& path : folders + sockets)
            if (QFileInfo::exists(path)) return false;
        return true;
    };
    for (int i = 0; i < 200 && !gone(); ++i) QThread::msleep(100);
    for (const QString& mark : marks) EXPECT_TRUE(ProcessesWith(mark).empty()) << mark.toStdString();
    for (const QString& folder : folders) EXPECT_FALSE(QFileInfo::exists(folder)) << folder.toStdString();
    for (const QString& socket : sockets) EXPECT_FALSE(QFileInfo::exists(socket)) << socket.toStdString();
}

// Started as a child by TheProgramEndsWhileACallHangs: the office stops
// answering in the middle of an export (SIGSTOP), the window closes, and
// the program ends the way the real one does, by leaving main, while the
// call still hangs.
TEST(DISABLED_OfficeChild, ExportsToAnOfficeThatHangsThenEnds) {
    // Kept to the program's end, so that the office still hangs then (the
    // system and the reaper end it after).
    static OfficeProcess* const office = new OfficeProcess(60000);
    static LibreOfficeLauncher* const launcher = new LibreOfficeLauncher(OptionsFor(*office));
    const pid_t pid = office->Pid();
    static Interrupting* const interrupting = new Interrupting(*launcher, 2, [pid] { ::kill(pid, SIGSTOP); });
    ExportWindow window(*interrupting, 3000);
    QTimer closer;
    closer.setInterval(50);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (interrupting->interrupted && !window.form.Unloaded()) window.form.close();
    });
    closer.start();
    window.form.PushButton13_Click();
    std::printf("the export returned, window closed: %d\n", window.form.Unloaded() ? 1 : 0);
    std::fflush(stdout);
}

// A call hanging in the office when the window closes keeps neither the
// command nor the program's end waiting.
TEST(OfficeLifetime, TheProgramEndsWhileACallHangs) {
    if (uno::OfficeProgram().isEmpty()) GTEST_SKIP() << "soffice is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ChildTest child("ExportsToAnOfficeThatHangsThenEnds", dir.filePath(QStringLiteral("unused")));
    const bool ended = child.process.waitForFinished(90000);
    const QString output = child.Output();
    ASSERT_TRUE(ended) << output.toStdString();
    EXPECT_EQ(child.process.exitStatus(), QProcess::NormalExit) << output.toStdString();
    EXPECT_EQ(child.process.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("the export returned, window closed: 1"))) << output.toStdString();
}

}  // namespace
}  // namespace bw
