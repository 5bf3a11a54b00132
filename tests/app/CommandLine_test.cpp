// The window program's command line: what each command line asks for, read
// in-process; and the built program answering "--help", "--version" and
// usage errors with no display at all.

#include "app/CommandLine.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QString>
#include <QStringList>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace bw::test {
namespace {

const QString kVersion = QStringLiteral("9.8.7");

CommandLineRequest Read(const QStringList& arguments) {
    return ReadCommandLine(QStringList{QStringLiteral("/some/path/basewright")} + arguments, kVersion);
}

struct ReadCase {
    const char* what;
    QStringList arguments;
    bool openWindow;
    int exitStatus;
};

TEST(ReadCommandLine, WhatEachCommandLineAsksFor) {
    const ReadCase cases[] = {
        {"no arguments", {}, true, 0},
        {"Qt's platform option", {"-platform", "offscreen"}, true, 0},
        {"Qt's platform option with two dashes", {"--platform", "xcb"}, true, 0},
        {"Qt's style option with its value after =", {"-style=fusion"}, true, 0},
        {"Qt's flags", {"-reverse", "-widgetcount"}, true, 0},
        {"Qt's session option", {"-session", "1234_5678"}, true, 0},
        {"--help", {"--help"}, false, 0},
        {"-h", {"-h"}, false, 0},
        {"-?", {"-?"}, false, 0},
        {"--version", {"--version"}, false, 0},
        {"-v", {"-v"}, false, 0},
        {"--version after a Qt option", {"-platform", "offscreen", "--version"}, false, 0},
        {"an unknown option", {"--bogus"}, false, 2},
        {"an unknown one-dash option", {"-x"}, false, 2},
        {"an unknown option before --help", {"--bogus", "--help"}, false, 2},
        {"a Qt option without its value", {"-platform"}, false, 2},
        {"a value given to a flag", {"--version=1"}, false, 2},
        {"a file name", {"numbers.txt"}, false, 2},
        {"Qt's help of its own options, which this program does not offer", {"--help-all"}, false, 2},
    };
    for (const ReadCase& c : cases) {
        const CommandLineRequest request = Read(c.arguments);
        EXPECT_EQ(request.openWindow, c.openWindow) << c.what;
        EXPECT_EQ(request.exitStatus, c.exitStatus) << c.what;
        EXPECT_EQ(request.toStandardError, c.exitStatus != 0) << c.what;
        if (!request.openWindow) {
            EXPECT_TRUE(request.text.endsWith(QLatin1Char('\n'))) << c.what;
        }
    }
}

TEST(ReadCommandLine, UsageErrorsAreOneLineThatNamesTheProgramAndTheArgument) {
    const std::pair<QStringList, QString> cases[] = {
        {{"--bogus"}, "'bogus'"},
        {{"-platform"}, "'-platform'"},
        {{"a.txt"}, "'a.txt'"},
    };
    EXPECT_EQ(Read({QStringLiteral("--bogus")}).text,
              QStringLiteral("basewright: unknown option 'bogus' (see 'basewright --help')\n"));
    for (const auto& [arguments, named] : cases) {
        const QString text = Read(arguments).text;
        EXPECT_TRUE(text.startsWith(QStringLiteral("basewright: "))) << text.toStdString();
        EXPECT_TRUE(text.contains(named)) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("--help"))) << text.toStdString();
        EXPECT_EQ(text.count(QLatin1Char('\n')), 1) << text.toStdString();
    }
}

TEST(ReadCommandLine, HelpNamesTheProgramAndItsOptionsButNotQtsOwn) {
    const QString help = Read({QStringLiteral("--help")}).text;
    EXPECT_TRUE(help.startsWith(QStringLiteral("Usage: basewright [options]\n"))) << help.toStdString();
    EXPECT_TRUE(help.contains(QStringLiteral("--help"))) << help.toStdString();
    EXPECT_TRUE(help.contains(QStringLiteral("--version"))) << help.toStdString();
    EXPECT_TRUE(help.contains(QStringLiteral("-platform NAME"))) << help.toStdString();
    EXPECT_FALSE(help.contains(QStringLiteral("--platform"))) << help.toStdString();
    EXPECT_FALSE(help.contains(QStringLiteral("/some/path"))) << help.toStdString();
}

TEST(ReadCommandLine, VersionIsTheProgramAndItsVersion) {
    EXPECT_EQ(Read({QStringLiteral("--version")}).text, QStringLiteral("basewright 9.8.7\n"));
}

// ------------------------------------------------------ the built program

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadAll(int fd) {
    std::string text;
    std::array<char, 4096> buffer{};
    for (ssize_t n; (n = read(fd, buffer.data(), buffer.size())) > 0;) text.append(buffer.data(), std::size_t(n));
    close(fd);
    return text;
}

// Runs the built program with no display: neither an X nor a Wayland display
// nor a chosen Qt platform in its environment.
Outcome RunWithoutDisplay(const std::vector<std::string>& arguments) {
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], 1);
        dup2(err[1], 2);
        close(out[0]);
        close(err[0]);
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) unsetenv(name);
        std::vector<char*> argv{const_cast<char*>(BASEWRIGHT_PROGRAM_PATH)};
        for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    Outcome outcome;
    // The outputs are small; reading one fully before the other cannot block.
    outcome.out = ReadAll(out[0]);
    outcome.err = ReadAll(err[0]);
    int status = 0;
    waitpid(child, &status, 0);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return outcome;
}

TEST(ProgramWithoutDisplay, HelpAndVersionPrintAndExitZero) {
    const Outcome help = RunWithoutDisplay({"--help"});
    EXPECT_EQ(help.status, 0) << help.err;
    EXPECT_EQ(help.out.rfind("Usage: basewright [options]\n", 0), 0u) << help.out;
    EXPECT_EQ(help.err, "");

    const Outcome version = RunWithoutDisplay({"--version"});
    EXPECT_EQ(version.status, 0) << version.err;
    EXPECT_EQ(version.out, "basewright " BASEWRIGHT_PROJECT_VERSION "\n");
    EXPECT_EQ(version.err, "");
}

TEST(ProgramWithoutDisplay, UnknownOptionIsOneLineOnStandardErrorAndStatusTwo) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--bogus"}, {"-platform"}, {"numbers.txt"}}) {
        const Outcome outcome = RunWithoutDisplay(arguments);
        EXPECT_EQ(outcome.status, 2) << arguments.front();
        EXPECT_EQ(outcome.out, "") << arguments.front();
        EXPECT_EQ(outcome.err.rfind("basewright: ", 0), 0u) << outcome.err;
        EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
    }
}

TEST(ProgramWithoutDisplay, AFailedWriteOfTheHelpIsNotASuccess) {
    // Standard output on a full device.
    const std::string command = std::string("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '") +
                                BASEWRIGHT_PROGRAM_PATH + "' --help >/dev/full 2>/dev/null";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
}

}  // namespace
}  // namespace bw::test
