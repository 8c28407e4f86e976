#pragma once
// Failures that end an event handler and reach the default error report.

#include <QString>
#include <exception>
#include <string>

class AppError : public std::exception {
public:
    explicit AppError(QString text) : m_text(std::move(text)), m_utf8(m_text.toStdString()) {}
    const QString &text() const noexcept { return m_text; }
    const char *what() const noexcept override { return m_utf8.c_str(); }

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
