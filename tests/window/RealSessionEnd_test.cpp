// The end of the session on the real platform: real signals sent to this
// process and Qt's own session manager asking for the data, each running the
// window's close request (the input list saved to the real settings file,
// then the program's event loop ended) exactly once.

#include <gtest/gtest.h>

#include <QSessionManager>
#include <QSettings>

#include <unistd.h>
#include <csignal>
#include <functional>
#include <string>

#include "shell/SessionEnd.h"
#include "shell/Settings.h"
#include "support/RealUser.h"
#include "support/RealWindow.h"

namespace bw::test {
namespace {

// The real settings store, counting how often the input list is saved.
class CountingSettings : public SettingsStore {
public:
    explicit CountingSettings(SettingsStore& real) : real_(real) {}
    QString GetSetting(const QString& a, const QString& s, const QString& k, const QString& d) override {
        return real_.GetSetting(a, s, k, d);
    }
    void SaveSetting(const QString& a, const QString& s, const QString& k, const QString& v) override {
        if (k == QLatin1String(kKeyZipCodes)) ++listSaves;
        real_.SaveSetting(a, s, k, v);
    }
    int listSaves = 0;

private:
    SettingsStore& real_;
};

// The window of the program as main() builds it: the real platform, set up,
// shown, and watching for the end of the session.
struct Program {
    Program()
        : settings(real.settings), platform{real.dialogs, real.clipboard,      settings, real.shell, real.random,
                                            nullptr,      real.ProgramFolder()} {
        form = std::make_unique<Form1>(platform);
        real.dialogs.SetParent(form.get());
        sessionEnd = std::make_unique<SessionEnd>(*form);
        form->Form_Load();
        form->show();
    }
    ~Program() {
        sessionEnd.reset();
        form.reset();
    }

    QString StoredList() const {
        QSettings stored(real.SettingsFile(), QSettings::IniFormat);
        return stored.value(QStringLiteral("Basewright/Zip Codes"), QStringLiteral("<none>")).toString();
    }

    // Runs the program's event loop as main() does, with what starts once
    // it runs; returns its exit code once the program has ended, or -1 when
    // it has not ended within timeoutMs.
    static int Run(const std::function<void()>& start, int timeoutMs = 20000) {
        QTimer::singleShot(0, start);
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(-1); });
        watchdog.start(timeoutMs);
        return QCoreApplication::exec();
    }

    RealWindow real{false};
    CountingSettings settings;
    Platform platform;
    std::unique_ptr<Form1> form;
    std::unique_ptr<SessionEnd> sessionEnd;
};

void Send(int signal) { ::kill(::getpid(), signal); }

void RequestCommitData() {
    auto* manager = qApp->findChild<QSessionManager*>();
    ASSERT_NE(manager, nullptr);
    emit qApp->commitDataRequest(*manager);
}

struct Ender {
    const char* name;
    std::function<void(Program&)> end;
};

const std::vector<Ender>& Enders() {
    static const std::vector<Ender> enders = {
        {"SIGTERM", [](Program&) { Send(SIGTERM); }},       {"SIGHUP", [](Program&) { Send(SIGHUP); }},
        {"SIGINT", [](Program&) { Send(SIGINT); }},         {"logoff", [](Program&) { RequestCommitData(); }},
        {"close box", [](Program& p) { p.form->close(); }},
    };
    return enders;
}

TEST(RealSessionEnd, EachWayOfEndingSavesTheListOnceAndEndsTheProgram) {
    for (const Ender& ender : Enders()) {
        Program p;
        p.form->ListView1->AddRow(QStringLiteral("255"));
        p.form->ListView1->AddRow(QStringLiteral("16"));
        EXPECT_EQ(Program::Run([&] { ender.end(p); }), 0) << ender.name;
        EXPECT_EQ(p.StoredList(), "255;16") << ender.name;
        EXPECT_EQ(p.settings.listSaves, 1) << ender.name;
        EXPECT_FALSE(p.form->isVisible()) << ender.name;
    }
}

// A second request of any kind, at once or later, runs nothing more.
TEST(RealSessionEnd, ASecondRequestAfterTheFirstDoesNothing) {
    for (const Ender& first : Enders()) {
        for (const Ender& second : Enders()) {
            const std::string label = std::string(first.name) + " then " + second.name;
            Program p;
            p.form->ListView1->AddRow(QStringLiteral("1"));
            EXPECT_EQ(Program::Run([&] {
                          first.end(p);
                          second.end(p);
                      }),
                      0)
                << label;
            second.end(p);
            QTest::qWait(20);
            EXPECT_EQ(p.settings.listSaves, 1) << label;
            EXPECT_EQ(p.StoredList(), "1") << label;
        }
    }
}

// Signals keep coming while the close request runs (it lets pending events
// run once): it still runs once.
TEST(RealSessionEnd, SignalsArrivingDuringTheCloseRequestRunNothingMore) {
    Program p;
    p.form->ListView1->AddRow(QStringLiteral("7"));
    QTimer storm;
    storm.setInterval(0);
    int sent = 0;
    QObject::connect(&storm, &QTimer::timeout, [&] {
        if (sent++ < 200) Send(sent % 2 ? SIGTERM : SIGHUP);
    });
    EXPECT_EQ(Program::Run([&] { storm.start(); }), 0);
    storm.stop();
    QTest::qWait(20);
    EXPECT_EQ(p.settings.listSaves, 1);
    EXPECT_EQ(p.StoredList(), "7");
}

// A signal while "Start Converting" runs: the close request runs at the
// run's next yield, the run stops there (no "Done."), and the program ends.
TEST(RealSessionEnd, ASignalDuringALongRunSavesOnceAndEndsTheProgram) {
    Program p;
    const int entries = 20000;
    const QString entry(300, QLatin1Char('7'));
    p.form->ListView1->BeginBatch();
    for (int i = 0; i < entries; ++i) p.form->ListView1->AddRow(entry);
    p.form->ListView1->EndBatch();
    RealUser user;
    QTimer watch;
    watch.setInterval(0);
    bool sent = false;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!sent && p.form->ConversionRunning() && p.form->ListView2->RowCount() > 0) {
            sent = true;
            Send(SIGTERM);
        }
    });
    watch.start();
    EXPECT_EQ(Program::Run([&] { p.form->PushButton17_Click(); }), 0);
    EXPECT_TRUE(sent);
    EXPECT_EQ(p.settings.listSaves, 1);
    EXPECT_EQ(p.StoredList().size(), entries * (entry.size() + 1) - 1);
    EXPECT_LT(p.form->ListView2->RowCount(), entries);
    EXPECT_TRUE(user.messages.isEmpty()) << user.messages.join(QStringLiteral(" | ")).toStdString();
}

// A signal the program was started with ignored (nohup) stays ignored.
TEST(RealSessionEnd, AnIgnoredSignalStaysIgnored) {
    struct sigaction ignore = {}, earlier = {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGHUP, &ignore, &earlier);
    {
        Program p;
        Send(SIGHUP);
        QTest::qWait(50);
        EXPECT_TRUE(p.form->isVisible());
        EXPECT_EQ(p.settings.listSaves, 0);
    }
    struct sigaction now = {};
    ::sigaction(SIGHUP, &earlier, &now);
    EXPECT_EQ(now.sa_handler, SIG_IGN);
}

}  // namespace
}  // namespace bw::test
