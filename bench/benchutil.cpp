#include "benchutil.h"

#include <QFile>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace bench {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    if (n == 0)
        return 0;
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double timeIt(const std::function<void()> &f)
{
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double timeCommand(const QString &command)
{
    return timeIt([&] {
        if (std::system(command.toLocal8Bit().constData()) != 0) {
            std::fprintf(stderr, "command failed: %s\n", qPrintable(command));
            std::exit(1);
        }
    });
}

void row(const QString &figure, double cleavo, const QString &peer, double peerValue, const QString &unit)
{
    std::printf("ROW\t%s\t%.10g\t%s\t%.10g\t%s\n", qPrintable(figure), cleavo, qPrintable(peer), peerValue,
                qPrintable(unit));
    std::fflush(stdout);
}

double peakRssMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

} // namespace bench
