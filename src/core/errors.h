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
// A failing function sets the text and returns in one statement:
//     return failed(error, QStringLiteral("..."));
// failed() gives false, an empty std::optional or an empty handle, whichever
// the function returns.
//
// The window's handlers have one road for a failure of the logic that they
// do not answer with a message of their own: the default error report. The
// handler shows it with reportFailure(ui, error) (core/ui/interaction.h),
// which shows errorReportText(error) in one error box, and returns at once; a
// step that reports a failure returns false, and its caller returns too, so
// that the handler ends where the failure was met. Nothing is thrown: the
// window's guard catches only what the toolkit or the runtime throws.

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>

// What failed() gives: false, or an empty result of any kind.
struct Failure {
    template <class B, std::enable_if_t<std::is_same_v<B, bool>, int> = 0>
    constexpr operator B() const // NOLINT(google-explicit-constructor): `return failed(...)` in a bool function
    {
        return false;
    }
    template <class T>
    constexpr operator std::optional<T>() const // NOLINT(google-explicit-constructor)
    {
        return std::nullopt;
    }
    template <class T, class D>
    operator std::unique_ptr<T, D>() const // NOLINT(google-explicit-constructor)
    {
        return nullptr;
    }
};

// Sets *error, where error is not null, to text.
Failure failed(QString *error, const QString &text);

// The text shown by the default error report: the failure's own text, with a
// full stop added when it does not already end in one.
[[nodiscard]] QString errorReportText(const QString &failure);

// A line for whoever runs the program about a failure.
void diagnose(const QString &line);
// Where those lines go from now on; an empty sink drops them.
void setDiagnosticSink(std::function<void(const QString &)> sink);
