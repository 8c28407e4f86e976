#include "listening/filereader.h"
#include "support/fakes.h"

#include <QTest>

#include <cerrno>
#include <cstdio>
#include <cstring>

// The decoder's reader against the file's own bytes, with a buffer far smaller
// than the file so that every pattern the decoder uses meets the buffer's edges.
class TestFileReader : public QObject {
    Q_OBJECT
private slots:
    void readsAndSeeksAsTheFileHolds()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/f.bin");
        const QByteArray data = patternBytes(10000);
        writeFile(path, data);
        auto r = FileReader::open(path, 1024);
        QVERIFY(r);
        const auto next = [&](size_t n) {
            QByteArray out(int(n), '\0');
            const ssize_t got = r->read(out.data(), n);
            return got < 0 ? QByteArray("<error>") : out.left(int(got));
        };
        QCOMPARE(next(100), data.mid(0, 100));
        QCOMPARE(next(1000), data.mid(100, 1000));  // crosses the buffer's end
        QCOMPARE(r->seek(50, SEEK_SET), off_t(50)); // back into the buffer
        QCOMPARE(next(10), data.mid(50, 10));
        QCOMPARE(r->seek(-20, SEEK_CUR), off_t(40));
        QCOMPARE(next(5000), data.mid(40, 5000)); // larger than the buffer
        QCOMPARE(r->seek(0, SEEK_END), off_t(10000));
        QCOMPARE(next(10), QByteArray()); // the end of the file
        QCOMPARE(r->seek(-30, SEEK_END), off_t(9970));
        QCOMPARE(next(100), data.mid(9970));              // up to the end only
        QCOMPARE(r->seek(20000, SEEK_SET), off_t(20000)); // beyond the end reads nothing
        QCOMPARE(next(10), QByteArray());
        QCOMPARE(r->seek(-1, SEEK_SET), off_t(-1));
        QCOMPARE(r->seek(9000, SEEK_SET), off_t(9000));
        QFile::resize(path, 9500); // shrinks from outside
        QCOMPARE(next(1000), data.mid(9000, 500));
        QString error;
        QVERIFY(!FileReader::open(dir.path() + QStringLiteral("/none"), 1024, &error));
        QCOMPARE(error, QString::fromLocal8Bit(std::strerror(ENOENT)));
    }
};

QTEST_GUILESS_MAIN(TestFileReader)
#include "tst_filereader.moc"
