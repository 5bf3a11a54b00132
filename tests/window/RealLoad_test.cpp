// "Load Numbers From File" through Qt's own open dialog, and files dropped on
// the input list, on the real platform with real files.

#include <gtest/gtest.h>

#include <QClipboard>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include <sys/stat.h>

#include "shell/ListViewModel.h"
#include "support/ExpectedReport.h"
#include "support/RealUser.h"
#include "support/RealWindow.h"

namespace bw::test {
namespace {

// A folder of list files. "a\b.txt" is one file whose name holds a
// backslash; beside it a folder "a" holds "b.txt", the file a backslash
// taken for a separator would load instead.
class ListFiles {
public:
    ListFiles() {
        QDir(dir.path()).mkdir(QStringLiteral("a"));
        QDir(dir.path()).mkdir(QStringLiteral("folder"));
        WriteFile(Path("a\\b.txt"), "1\r\n2\r\n");
        WriteFile(Path("a/b.txt"), "wrong file\r\n");
        WriteFile(Path("c.txt"), "3\r\n");
        WriteFile(Path("x\\\\y.txt"), "4\n");
        ::mkfifo(Path("pipe.txt").toLocal8Bit().constData(), 0644);
    }
    QString Path(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

struct LoadOutcome {
    QStringList rows;
    QStringList messages;
    int pointerWhileShown = -1;  // the window's pointer while the first box was up
    int pointerAfter = -1;
};

// Picks the files in the real open dialog of "Load Numbers From File".
LoadOutcome PickInDialog(const ListFiles& files, const QStringList& names) {
    QStringList paths;
    for (const QString& name : names) paths << files.Path(name);
    RealWindow w;
    LoadOutcome out;
    RealUser user({paths});
    user.onMessage = [&](const QString&) {
        if (out.pointerWhileShown < 0) out.pointerWhileShown = w.form->MousePointer().Value();
    };
    w.form->PushButton3_Click();
    out.rows = Rows(*w.form->ListView1);
    out.messages = user.messages;
    out.pointerAfter = w.form->MousePointer().Value();
    return out;
}

QMimeData* FileUrls(const QStringList& paths) {
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
    data->setUrls(urls);
    return data;
}

// Drags the data onto the input list's rows and drops it there as a file
// manager does (offering copy and move). Returns whether the list took it.
bool DropOn(Form1& form, QMimeData* data) {
    QWidget* rows = form.ListView1->viewport();
    const QPoint at = rows->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(rows, &enter);
    QDragMoveEvent move(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(rows, &move);
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, data, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(rows, &drop);
    const bool taken = enter.isAccepted() && move.isAccepted() && drop.isAccepted();
    // Anything taken must be copied: a move would let the source delete it.
    if (taken) {
        EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    }
    // The files are read once the drop has completed.
    QTest::qWait(50);
    return taken;
}

LoadOutcome Drop(const QStringList& paths) {
    RealWindow w;
    LoadOutcome out;
    RealUser user;
    user.onMessage = [&](const QString&) {
        if (out.pointerWhileShown < 0) out.pointerWhileShown = w.form->MousePointer().Value();
    };
    std::unique_ptr<QMimeData> data(FileUrls(paths));
    EXPECT_TRUE(DropOn(*w.form, data.get()));
    out.rows = Rows(*w.form->ListView1);
    out.messages = user.messages;
    out.pointerAfter = w.form->MousePointer().Value();
    return out;
}

// A list file with a line of tens of megabytes: it loads while the window
// keeps running, the row keeps the whole line while the view is given only
// its beginning to draw, and the run, the save and the copy take the whole
// text.
TEST(RealLoad, ALineOfTensOfMegabytesStaysWholeAndTheWindowKeepsRunning) {
    const ListFiles files;
    const std::string line(24 << 20, '7');
    WriteFile(files.Path("long.txt"), QByteArray("1\r\n") + QByteArray::fromStdString(line) + "\r\n2\r\n");
    RealWindow w;
    int turns = 0;
    QTimer ticker;
    ticker.setInterval(0);
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++turns; });
    ticker.start();
    {
        RealUser user({{files.Path("long.txt")}});
        w.form->PushButton3_Click();
        EXPECT_TRUE(user.messages.isEmpty()) << user.messages.join(" | ").toStdString();
    }
    ticker.stop();
    EXPECT_GT(turns, 3);  // the window ran while the file was read
    ASSERT_EQ(w.form->ListView1->RowCount(), 3);
    EXPECT_TRUE(w.form->ListView1->CellUtf8(2, 1) == line);
    const QString shown = w.form->ListView1->model()->index(1, 0).data().toString();
    EXPECT_EQ(shown.size(), kDisplayCharacters + 1);
    w.form->ListView1->scrollTo(w.form->ListView1->model()->index(1, 0));
    EXPECT_FALSE(w.form->grab().toImage().isNull());

    // The run fails the entry at the minimum-base step; its row keeps the text.
    {
        RealUser user;
        w.form->PushButton17_Click();
        ASSERT_EQ(user.messages.size(), 2) << user.messages.join(" | ").toStdString();
        EXPECT_TRUE(user.messages[0].startsWith("Overflow")) << user.messages[0].toStdString();
        EXPECT_TRUE(user.messages[0].contains("PushButton17_Click at line 184")) << user.messages[0].toStdString();
        EXPECT_EQ(user.messages[1], "Done.");
    }
    ASSERT_EQ(w.form->ListView2->RowCount(), 3);
    EXPECT_TRUE(w.form->ListView2->CellUtf8(2, 1) == line);

    // Saved and copied whole.
    const QString saved = w.dir.filePath("results.txt");
    {
        RealUser user({{saved}});
        w.form->PushButton4_Click();
        EXPECT_TRUE(user.messages.isEmpty()) << user.messages.join(" | ").toStdString();
    }
    EXPECT_TRUE(ReadFile(saved).contains(QByteArray::fromStdString(line + "\tDecimal To Hexadecimal\tOverflow")));
    {
        RealUser user;
        w.form->PushButton5_Click();
        EXPECT_EQ(user.messages.size(), 1);
    }
    EXPECT_TRUE(QGuiApplication::clipboard()->text().contains(
        QString::fromStdString(line + "\tDecimal To Hexadecimal\tOverflow\r\n")));
}

TEST(RealLoad, SeveralPickedFilesLoadTheFilesPickedAlsoWithBackslashesInTheirNames) {
    const ListFiles files;
    const struct {
        QStringList names;
        QStringList rows;
    } cases[] = {
        {{R"(a\b.txt)", "c.txt"}, {"1", "2", "3"}},
        {{"c.txt", R"(a\b.txt)"}, {"3", "1", "2"}},
        {{R"(x\\y.txt)", R"(a\b.txt)"}, {"4", "1", "2"}},
    };
    for (const auto& c : cases) {
        const LoadOutcome out = PickInDialog(files, c.names);
        const std::string label = c.names.join(QStringLiteral(", ")).toStdString();
        EXPECT_EQ(out.rows, c.rows) << label;
        EXPECT_TRUE(out.messages.isEmpty()) << label << ": " << out.messages.join(QStringLiteral(" | ")).toStdString();
        EXPECT_EQ(out.pointerAfter, kPointerNormal) << label;
    }
}

// A drop loads what picking the same files in the dialog loads: the same
// rows in the same order, the same reports (with their statement numbers),
// the same busy pointer while a report is up.
TEST(RealLoad, DroppedFilesLoadAsTheSameFilesPickedInTheDialog) {
    const ListFiles files;
    const struct {
        QStringList names;
    } cases[] = {
        {{"a\\b.txt"}},
        {{"a\\b.txt", "c.txt"}},
        {{"c.txt", "x\\\\y.txt", "a\\b.txt"}},
        {{"pipe.txt"}},
    };
    for (const auto& c : cases) {
        QStringList paths;
        for (const QString& name : c.names) paths << files.Path(name);
        const LoadOutcome picked = PickInDialog(files, c.names);
        const LoadOutcome dropped = Drop(paths);
        const std::string label = c.names.join(QStringLiteral(", ")).toStdString();
        EXPECT_FALSE(picked.rows.isEmpty() && picked.messages.isEmpty()) << label;
        EXPECT_EQ(dropped.rows, picked.rows) << label;
        EXPECT_EQ(dropped.messages, picked.messages) << label;
        EXPECT_EQ(dropped.pointerWhileShown, picked.pointerWhileShown) << label;
        EXPECT_EQ(dropped.pointerAfter, kPointerNormal) << label;
    }
}

// What the dialog cannot pick together (a name that has gone, a pipe among
// other files) is reported as the load loop reports it, and the other
// files load.
TEST(RealLoad, ADroppedFileThatCannotBeReadIsReportedAndTheOthersLoad) {
    const ListFiles files;
    const struct {
        QStringList names;
        QStringList rows;
        QString message;
    } cases[] = {
        {{"gone.txt", "c.txt"}, {"3"}, "File not found"},
        {{"c.txt", "pipe.txt", "a\\b.txt"},
         {"3", "1", "2"},
         files.Path("pipe.txt") + ": Not a regular file\n" + ReportedAt("PushButton3_Click", 134)},
    };
    for (const auto& c : cases) {
        QStringList paths;
        for (const QString& name : c.names) paths << files.Path(name);
        const LoadOutcome out = Drop(paths);
        const std::string label = c.names.join(QStringLiteral(", ")).toStdString();
        EXPECT_EQ(out.rows, c.rows) << label;
        ASSERT_EQ(out.messages.size(), 1) << label;
        EXPECT_TRUE(out.messages[0].startsWith(c.message)) << label << ": " << out.messages[0].toStdString();
        EXPECT_EQ(out.pointerWhileShown, kPointerBusy) << label;
        EXPECT_EQ(out.pointerAfter, kPointerNormal) << label;
    }
}

TEST(RealLoad, AnythingButLocalFilesIsRefusedAndChangesNothing) {
    const ListFiles files;
    auto text = [] {
        auto* d = new QMimeData;
        d->setText(QStringLiteral("255"));
        return d;
    };
    auto urls = [](QList<QUrl> list) {
        auto* d = new QMimeData;
        d->setUrls(list);
        return d;
    };
    const struct {
        const char* what;
        QMimeData* data;
    } cases[] = {
        {"text", text()},
        {"a folder", FileUrls({files.Path("folder")})},
        {"a web address", urls({QUrl(QStringLiteral("https://example.org/list.txt"))})},
        {"a remote file", urls({QUrl(QStringLiteral("sftp://host/home/u/list.txt"))})},
    };
    for (const auto& c : cases) {
        std::unique_ptr<QMimeData> data(c.data);
        RealWindow w;
        w.form->ListView1->AddRow(QStringLiteral("9"));
        RealUser user;
        EXPECT_FALSE(DropOn(*w.form, data.get())) << c.what;
        EXPECT_EQ(Rows(*w.form->ListView1), QStringList{"9"}) << c.what;
        EXPECT_TRUE(user.messages.isEmpty()) << c.what;
        EXPECT_EQ(w.form->MousePointer().Value(), kPointerNormal) << c.what;
    }
}

TEST(RealLoad, AFolderAmongDroppedFilesIsLeftOut) {
    const ListFiles files;
    const LoadOutcome out = Drop({files.Path("folder"), files.Path("c.txt")});
    EXPECT_EQ(out.rows, QStringList{"3"});
    EXPECT_TRUE(out.messages.isEmpty());
}

}  // namespace
}  // namespace bw::test
