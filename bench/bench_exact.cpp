// Cuts a piece at exact marks out of a long MP3 as "Set End Position" does
// (the plan, then the write, synced), and copies the same source bytes with dd
// (same block size, synced like the writer), warm cache.
//   bench_exact OUTDIR FILE LABEL START_MS END_MS [LABEL START_MS END_MS]...

#include "benchutil.h"
#include "listening/exactcut.h"
#include "listening/mpgplayer.h"
#include "segment/segmentfile.h"

#include <QFile>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (argc < 6 || (argc - 3) % 3 != 0) {
        std::fprintf(stderr, "usage: bench_exact OUTDIR FILE LABEL START_MS END_MS...\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/exact.mp3");
    const QString source = QString::fromLocal8Bit(argv[2]);
    bench::timeCommand(QStringLiteral("cat '%1' > /dev/null").arg(source)); // warm the cache
    for (int a = 3; a + 2 < argc; a += 3) {
        const int32_t start = std::atoi(argv[a + 1]), end = std::atoi(argv[a + 2]);
        std::vector<double> cleavo, dd;
        int64_t offset = 0, span = 0;
        for (int i = 0; i < 5; ++i) {
            QFile::remove(out);
            cleavo.push_back(bench::timeIt([&] {
                const auto plan = exactcut::plan(source, sourceMap(source).get(), start, end);
                if (!plan || !segment::copyChunks(source, out, plan->chunks))
                    std::exit(1);
                offset = plan->firstOffset;
                span = plan->sourceSpan;
            }));
            QFile::remove(out);
            dd.push_back(bench::timeCommand(
                QStringLiteral("dd if='%1' of='%2' bs=8192 skip=%3 count=%4 iflag=skip_bytes,count_bytes conv=fsync "
                               "status=none")
                    .arg(source, out)
                    .arg(offset)
                    .arg(span)));
        }
        QFile::remove(out);
        bench::row(QStringLiteral("exact cut, %1").arg(QString::fromLocal8Bit(argv[a])), bench::median(cleavo),
                   QStringLiteral("dd conv=fsync, same bytes"), bench::median(dd), QStringLiteral("s"));
    }
    return 0;
}
