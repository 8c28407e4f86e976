#pragma once
// How a failure reaches the user. There are two roads, and each routine takes
// one of them:
// - The default error report: what the program does not catch itself (a
//   settings file that cannot be written, a number that does not read, a
//   player operation without a device, a new file that cannot be created) is
//   thrown as an AppError, ends its handler, and TFrmsplit::guarded() shows it
//   with errorReportText() in one error box.
// - A fixed message: where the program catches a failure (the player's
//   operations, the copy), the handler shows its own text and goes on. Logic
//   that can fail this way returns an outcome with the text (never throws);
//   only the handler decides which road a failure takes.

#include <QString>
#include <exception>
#include <string>

class AppError : public std::exception {
public:
    explicit AppError(QString text) : m_text(std::move(text)), m_utf8(m_text.toStdString()) {}
    [[nodiscard]] const QString &text() const noexcept { return m_text; }
    [[nodiscard]] const char *what() const noexcept override { return m_utf8.c_str(); }

private:
    QString m_text;
    std::string m_utf8;
};

// A media player operation on a player with no open device, or a failed open.
class PlayerError : public AppError {
public:
    using AppError::AppError;
};

// The text shown by the default error report: the failure's own text, with a
// full stop added when it does not already end in one.
QString errorReportText(const QString &failure);
