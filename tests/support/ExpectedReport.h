#pragma once

// What the error reports are expected to say of where a failure happened,
// written out here once for every test that checks a report's text:
// "in Quorvane2021/08/31.Form1.PushButton6_Click " (the trailing blank is
// part of it), then "at line 100". Kept apart from the program's own
// constants on purpose, so that the tests check the exact text.

#include <QString>

namespace bw::test {

// The beginning of every location.
inline constexpr const char* kReportPrefix = "in Quorvane2021/08/31.";

// The location of a procedure of a module: "Form1" (the main window) or
// "Main" (the shared routines).
inline QString ReportLocation(const char* module, const char* procedure) {
    return QString::fromLatin1(kReportPrefix) + QString::fromLatin1(module) + QLatin1Char('.') +
           QString::fromLatin1(procedure) + QLatin1Char(' ');
}

// The location of a procedure of the main window.
inline QString ReportLocation(const char* procedure) { return ReportLocation("Form1", procedure); }

// The location with its statement: "in Quorvane2021/08/31.Form1.Form_Load at line 132".
inline QString ReportedAt(const char* module, const char* procedure, int line) {
    return ReportLocation(module, procedure) + QStringLiteral("at line ") + QString::number(line);
}

inline QString ReportedAt(const char* procedure, int line) { return ReportedAt("Form1", procedure, line); }

}  // namespace bw::test
