// Copies a 512 MiB range out of a 600 MiB file through the segment writer,
// and the same range with dd (same block size, synced like the writer), warm cache.
//   bench_copy WORKDIR

#include "benchutil.h"
#include "segment/segmentfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_copy WORKDIR\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(dir);
    const QString source = dir + QStringLiteral("/source-600MiB.bin");
    const QString out = dir + QStringLiteral("/copy.bin");
    const qint64 sourceSize = 600ll << 20;
    if (QFileInfo(source).size() != sourceSize)
        bench::timeCommand(QStringLiteral("head -c %1 /dev/urandom > '%2'").arg(sourceSize).arg(source));
    bench::timeCommand(QStringLiteral("cat '%1' > /dev/null").arg(source)); // warm the cache

    const int32_t start = 40000000;
    const int64_t length = 512ll << 20;
    std::vector<double> cleavo, dd;
    for (int i = 0; i < 5; ++i) {
        QFile::remove(out);
        cleavo.push_back(bench::timeIt([&] {
            if (!segment::copyByteRange(source, out, start, length))
                std::exit(1);
        }));
        if (QFileInfo(out).size() != length)
            return 1;
        QFile::remove(out);
        dd.push_back(bench::timeCommand(
            QStringLiteral("dd if='%1' of='%2' bs=8192 skip=%3 count=%4 iflag=skip_bytes,count_bytes conv=fsync "
                           "status=none")
                .arg(source, out)
                .arg(start)
                .arg(length)));
    }
    QFile::remove(out);
    bench::row(QStringLiteral("copy 512 MiB of 600 MiB"), bench::median(cleavo),
               QStringLiteral("dd bs=8192 conv=fsync"), bench::median(dd), QStringLiteral("s"));
    return 0;
}
