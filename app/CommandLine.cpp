// The window program's command line (see CommandLine.h).

#include "app/CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace bw {
namespace {

// The options of QGuiApplication and QApplication that take a value, and
// those that do not. They are declared so that the parser accepts them; they
// are hidden from the help text, which points to Qt's documentation instead.
const char* const kQtOptionsWithValue[] = {
    "platform",    "platformpluginpath", "platformtheme", "plugin",  "qmljsdebugger", "qwindowgeometry",
    "qwindowicon", "qwindowtitle",       "session",       "display", "geometry",      "style",
    "stylesheet",
};
const char* const kQtFlags[] = {"reverse", "widgetcount"};

QCommandLineOption Hidden(QCommandLineOption option) {
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    return option;
}

QString Line(const QString& text) { return text.endsWith(QLatin1Char('\n')) ? text : text + QLatin1Char('\n'); }

}  // namespace

CommandLineRequest ReadCommandLine(const QStringList& arguments, const QString& version) {
    const QString program = QString::fromLatin1(kProgramName);
    QCommandLineParser parser;
    // Qt's own options are written with one dash ("-platform xcb"); reading
    // every option as a long one lets "-style" mean the option "style" rather
    // than "-s -t -y -l -e".
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Converts lists of numbers between decimal, hexadecimal, binary and octal.\n"
                       "Also takes the options of every Qt program, such as -platform NAME and -style STYLE\n"
                       "(see the Qt documentation of QApplication)."));
    // Its own help and version options rather than the parser's built-in
    // ones, which would add "--help-all" and need an application object.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("?")},
                                  QStringLiteral("Print this help and exit."));
    const QCommandLineOption versionOption({QStringLiteral("v"), QStringLiteral("version")},
                                           QStringLiteral("Print the program's name and version and exit."));
    parser.addOption(help);
    parser.addOption(versionOption);
    for (const char* name : kQtOptionsWithValue) {
        parser.addOption(Hidden(QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("value"))));
    }
    for (const char* name : kQtFlags) parser.addOption(Hidden(QCommandLineOption(QString::fromLatin1(name))));

    CommandLineRequest request;
    auto usageError = [&](const QString& message) {
        request.openWindow = false;
        request.toStandardError = true;
        request.exitStatus = 2;
        // One line: the program, what is wrong, where to look.
        QString what = message.trimmed();
        if (what.endsWith(QLatin1Char('.'))) what.chop(1);
        if (!what.isEmpty()) what[0] = what[0].toLower();
        request.text =
            program + QStringLiteral(": ") + what + QStringLiteral(" (see '") + program + QStringLiteral(" --help')\n");
        return request;
    };

    if (!parser.parse(arguments)) return usageError(parser.errorText().split(QLatin1Char('\n')).first());
    if (parser.isSet(help)) {
        // Without an application object the parser cannot know the
        // program's name for its first line; the program's own name is also
        // the one to type, whatever path started it.
        QString text = parser.helpText();
        const qsizetype firstLineEnd = text.indexOf(QLatin1Char('\n'));
        text.replace(0, firstLineEnd, QStringLiteral("Usage: ") + program + QStringLiteral(" [options]"));
        request.openWindow = false;
        request.text = Line(text);
        return request;
    }
    if (parser.isSet(versionOption)) {
        request.openWindow = false;
        request.text = program + QLatin1Char(' ') + version + QLatin1Char('\n');
        return request;
    }
    if (!parser.positionalArguments().isEmpty()) {
        return usageError(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));
    }
    return request;
}

QStringList ArgumentsOf(int argc, const char* const* argv) {
    QStringList arguments;
    arguments.reserve(argc);
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

}  // namespace bw
