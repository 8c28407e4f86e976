#pragma once
// Small helpers shared by the benchmarks.

#include <QString>
#include <functional>
#include <vector>

namespace bench {

double median(std::vector<double> values);
// Seconds taken by f.
double timeIt(const std::function<void()> &f);
// Seconds taken by a shell command; aborts when it fails.
double timeCommand(const QString &command);
// Prints one row of the results table (read by bench/run-all):
// figure, Cleavo's value, the peer, the peer's value, unit.
void row(const QString &figure, double cleavo, const QString &peer, double peerValue, const QString &unit);
// Peak resident memory of this process, in MiB.
double peakRssMiB();

} // namespace bench
