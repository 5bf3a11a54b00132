#pragma once

// Test cases about file permissions need an ordinary user: root reads and
// writes every file whatever its permissions. When the tests run as root (as
// CI does), such a case runs again in a child process of the same test
// program, filtered to that one case, as the user nobody (through setpriv),
// and the child's result becomes the case's result here:
//
//     TEST(Settings, AnUnreadableFileIsReported) {
//         if (!RunsAsOrdinaryUser()) return;  // ran in the child
//         ... make files nobody can reach, check the report ...
//     }
//
// In the child, or when the tests already run as an ordinary user, the body
// runs in this process. Another user and group than nobody's may be named
// (a name or a number, as setpriv takes them).

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace bw::test {

// Set in the child's environment.
inline constexpr const char* kOrdinaryUserChild = "BASEWRIGHT_TEST_AS_ORDINARY_USER";

namespace detail {

// Whether another user can reach the file: every folder above it searchable
// and the file itself readable (and executable when asked) by others.
inline bool ReachableByOthers(const QString& path, bool execute) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return false;
    if (!(st.st_mode & S_IROTH) || (execute && !(st.st_mode & S_IXOTH))) return false;
    for (QDir dir = QFileInfo(path).absoluteDir();;) {
        if (::stat(QFile::encodeName(dir.absolutePath()).constData(), &st) != 0 || !(st.st_mode & S_IXOTH))
            return false;
        if (dir.isRoot() || !dir.cdUp()) return true;
    }
}

// The path itself when nobody can reach it, else a copy in the folder.
inline QString Reachable(const QString& path, const QTemporaryDir& folder, bool execute) {
    if (ReachableByOthers(path, execute)) return path;
    const QString copy = folder.filePath(QFileInfo(path).fileName());
    if (!QFile::exists(copy)) QFile::copy(path, copy);
    QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                    QFileDevice::ReadOther | QFileDevice::ExeOther);
    return copy;
}

}  // namespace detail

// Whether the calling case is to run its body in this process (see above).
// Returns false after running the case as nobody in a child process.
[[nodiscard]] inline bool RunsAsOrdinaryUser(const QString& user = QStringLiteral("nobody"),
                                             const QString& group = QStringLiteral("nogroup")) {
    if (::geteuid() != 0) return true;
    if (qEnvironmentVariableIsSet(kOrdinaryUserChild)) {
        ADD_FAILURE() << "the child process still runs as root";
        return false;
    }
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString filter =
        QStringLiteral("%1.%2").arg(QString::fromUtf8(info->test_suite_name()), QString::fromUtf8(info->name()));

    // The program, and the sanitizers' suppression files, must be reachable
    // for nobody; where the build folder is private, copies are used, in the
    // shared temporary folder that the child uses too.
    QTemporaryDir copies(QStringLiteral("/tmp/basewright-as-nobody-XXXXXX"));
    QFile::setPermissions(copies.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                             QFileDevice::ReadOther | QFileDevice::ExeOther);
    const QString program = detail::Reachable(QCoreApplication::applicationFilePath(), copies, true);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& name :
         {QStringLiteral("ASAN_OPTIONS"), QStringLiteral("LSAN_OPTIONS"), QStringLiteral("UBSAN_OPTIONS")}) {
        QString options = environment.value(name);
        const QRegularExpressionMatch file = QRegularExpression(QStringLiteral("suppressions=([^:]+)")).match(options);
        if (!file.hasMatch()) continue;
        options.replace(file.capturedStart(1), file.capturedLength(1),
                        detail::Reachable(file.captured(1), copies, false));
        environment.insert(name, options);
    }
    environment.insert(QString::fromLatin1(kOrdinaryUserChild), QStringLiteral("1"));
    // nobody's own surroundings: no home, the shared temporary folder.
    environment.insert(QStringLiteral("HOME"), QStringLiteral("/nonexistent"));
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    environment.remove(QStringLiteral("TMPDIR"));

    QProcess child;
    child.setProcessEnvironment(environment);
    child.setWorkingDirectory(QStringLiteral("/"));
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("setpriv"),
                {QStringLiteral("--reuid=") + user, QStringLiteral("--regid=") + group,
                 QStringLiteral("--clear-groups"), program, QStringLiteral("--gtest_filter=") + filter});
    if (!child.waitForStarted(30000)) {
        ADD_FAILURE() << "setpriv could not be started: " << child.errorString().toStdString();
        return false;
    }
    if (!child.waitForFinished(300000)) {
        child.kill();
        child.waitForFinished();
        ADD_FAILURE() << "the case as " << user.toStdString() << " did not finish in time";
        return false;
    }
    const QByteArray output = child.readAll();
    const bool passed =
        child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0 && output.contains("[  PASSED  ] 1 test.");
    EXPECT_TRUE(passed) << "the case as " << user.toStdString() << ":\n" << output.toStdString();
    return false;
}

}  // namespace bw::test
