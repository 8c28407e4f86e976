#include "core/errors.h"

#include <mutex>

namespace {

std::mutex sinkLock;
std::function<void(const QString &)> &sink()
{
    static std::function<void(const QString &)> theSink;
    return theSink;
}

} // namespace

QString errorReportText(const QString &failure)
{
    if (failure.endsWith(QLatin1Char('.')))
        return failure;
    return failure + QLatin1Char('.');
}

Failure failed(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return {};
}

void diagnose(const QString &line)
{
    const std::lock_guard<std::mutex> hold(sinkLock);
    if (sink())
        sink()(line);
}

void setDiagnosticSink(std::function<void(const QString &)> newSink)
{
    const std::lock_guard<std::mutex> hold(sinkLock);
    sink() = std::move(newSink);
}
