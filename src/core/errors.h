#pragma once
// How the program's logic reports a failure, and how a failure reaches the
// user.
//
// The logic (everything without widgets) has one convention: a function that
// can fail returns [[nodiscard]] bool, or std::optional of its result (an
// empty handle where the result is one), and takes `QString *error` as its
// last parameter. On failure it sets *error
// (when error is not null) to the text a user may be shown and returns false
// or nothing. It throws nothing, shows nothing and prints nothing
// (scripts/check-logic-errors sees to that). Two kinds of code keep the form
// they must have: the read and seek callbacks libmpg123 calls, which answer
// -1 and errno as POSIX does, and GetFileSize64, whose -1 is a size the
// window shows.
// Where its caller must tell failures apart (the copy), the text comes with
// its kind in a small struct in place of the QString.
//
// What the system said beyond that text (the reason behind "Unable to write
// to ...", the audio device that could not be opened) goes to diagnose():
// the program writes it to standard error, a test may collect it, and by
// default it goes nowhere.
//
// The window's handlers choose the road of each failure: a fixed message of
// their own, after which they go on, or the default error report, which ends
// the handler (TFrmsplit::endWith) and shows errorReportText() in one error
// box once it has unwound to TFrmsplit::guarded().

#include <QString>
#include <functional>

// The text shown by the default error report: the failure's own text, with a
// full stop added when it does not already end in one.
[[nodiscard]] QString errorReportText(const QString &failure);

// A line for whoever runs the program about a failure.
void diagnose(const QString &line);
// Where those lines go from now on; an empty sink drops them.
void setDiagnosticSink(std::function<void(const QString &)> sink);
