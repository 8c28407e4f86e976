#include "core/errors.h"
#include "settings/inistore.h"
#include "settings/settings.h"
#include "support/fakes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTest>

using namespace settings;

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void iniWritesPlainPrivateProfileText()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/a.ini");
        QVERIFY(ini::writeString(path, QStringLiteral("Stat"), QStringLiteral("Number"), QStringLiteral("0")));
        QCOMPARE(readAll(path).trimmed(), QByteArray("[Stat]\nNumber=0"));
        QVERIFY(
            ini::writeString(path, QStringLiteral("History"), QStringLiteral("Last Dir"), QStringLiteral("/music/")));
        QCOMPARE(ini::readString(path, QStringLiteral("stat"), QStringLiteral("NUMBER"), QString()),
                 QStringLiteral("0"));
        QCOMPARE(ini::readString(path, QStringLiteral("History"), QStringLiteral("Last Dir"), QString()),
                 QStringLiteral("/music/"));
        QCOMPARE(ini::readString(path, QStringLiteral("History"), QStringLiteral("Nope"), QStringLiteral("d")),
                 QStringLiteral("d"));
        QCOMPARE(ini::readString(dir.path() + QStringLiteral("/none.ini"), QStringLiteral("S"), QStringLiteral("K"),
                                 QStringLiteral("d")),
                 QStringLiteral("d"));
    }

    void iniKeepsWhatItDoesNotTouchAndFirstDuplicateWins()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/a.ini");
        writeFile(path, "; a comment\r\n[Other]\r\nKey=Value\r\n[Stat]\r\nNumber=5\r\nNumber=9\r\n");
        QCOMPARE(ini::readString(path, QStringLiteral("Stat"), QStringLiteral("Number"), QString()),
                 QStringLiteral("5"));
        QVERIFY(ini::writeString(path, QStringLiteral("Stat"), QStringLiteral("Number"), QStringLiteral("6")));
        QCOMPARE(ini::readString(path, QStringLiteral("Stat"), QStringLiteral("Number"), QString()),
                 QStringLiteral("6"));
        QCOMPARE(ini::readString(path, QStringLiteral("Other"), QStringLiteral("Key"), QString()),
                 QStringLiteral("Value"));
        QVERIFY(readAll(path).contains("; a comment"));
        // No temporary file is left beside it.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1);
    }

    void iniWriteKeepsKeysAfterABrokenSectionLine()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/a.ini");
        writeFile(path, QByteArray("\xEF\xBB\xBF[History\r\nLast Dir=/music/\r\nodd\0line\n[Other]\nK=V\n", 52));
        QVERIFY(ini::writeString(path, QStringLiteral("Stat"), QStringLiteral("Number"), QStringLiteral("3")));
        QVERIFY(ini::writeString(path, QStringLiteral("Stat"), QStringLiteral("Number"), QStringLiteral("4")));
        QCOMPARE(ini::readString(path, QStringLiteral("History"), QStringLiteral("Last Dir"), QString()),
                 QStringLiteral("/music/"));
        QCOMPARE(ini::readString(path, QStringLiteral("Other"), QStringLiteral("K"), QString()), QStringLiteral("V"));
        QCOMPARE(ini::readString(path, QStringLiteral("Stat"), QStringLiteral("Number"), QString()),
                 QStringLiteral("4"));
    }

    void iniWriteThatFailsReportsThePathAndKeepsTheFile()
    {
        QTemporaryDir dir;
        // A folder that is a regular file cannot hold anything, also for root.
        const QString blocker = dir.path() + QStringLiteral("/blocker");
        writeFile(blocker, "x");
        const QString path = blocker + QStringLiteral("/cleavo.ini");
        QString error;
        QVERIFY(!ini::writeString(path, QStringLiteral("Stat"), QStringLiteral("Number"), QStringLiteral("0"), &error));
        QCOMPARE(error, QStringLiteral("Unable to write to %1").arg(path));
        QCOMPARE(readAll(blocker), QByteArray("x"));
    }

    void formSizeReadsLeniently_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        QTest::newRow("missing") << QByteArray() << 0 << 0;
        QTest::newRow("zero width, height 700") << QByteArray("[frmsplit]\nW=0\nH=700\n") << 0 << 700;
        QTest::newRow("hex") << QByteArray("[frmsplit]\nW=0x200\nH=0X100\n") << 512 << 256;
        QTest::newRow("text") << QByteArray("[FRMSPLIT]\nw=abc\nh=600\n") << 0 << 600;
    }
    void formSizeReadsLeniently()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, w);
        QFETCH(int, h);
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/SG_2.ini");
        if (!content.isEmpty())
            writeFile(path, content);
        QCOMPARE(ReadFormWidth(QStringLiteral("frmsplit"), path), w);
        QCOMPARE(ReadFormHeight(QStringLiteral("frmsplit"), path), h);
    }

    void splitCountAddsWithWrapAround_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<qint64>("read");
        QTest::addColumn<QString>("written");
        QTest::newRow("41") << "41" << qint64(41) << "42";
        QTest::newRow("wrap") << "2147483647" << qint64(2147483647) << "-2147483648";
        QTest::newRow("negative") << "-5" << qint64(-5) << "-4";
        QTest::newRow("hex") << "$10" << qint64(16) << "17";
    }
    void splitCountAddsWithWrapAround()
    {
        QFETCH(QString, stored);
        QFETCH(qint64, read);
        QFETCH(QString, written);
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/cleavo.ini");
        QVERIFY(ini::writeString(path, QStringLiteral("Stat"), QStringLiteral("Number"), stored));
        int64_t count = 99;
        QVERIFY(AddToSplitCount(path, count, 1));
        QCOMPARE(qint64(count), read);
        QCOMPARE(ini::readString(path, QStringLiteral("Stat"), QStringLiteral("Number"), QString()), written);
    }

    void splitCountThatIsNotANumberFailsAndStays()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/cleavo.ini");
        for (const char *bad : {"abc", ""}) {
            QVERIFY(ini::writeString(path, QStringLiteral("Stat"), QStringLiteral("Number"), QString::fromLatin1(bad)));
            int64_t count = 7;
            QString error;
            QVERIFY(!AddToSplitCount(path, count, 1, &error));
            QCOMPARE(error, QStringLiteral("'%1' is not a valid integer value").arg(QLatin1String(bad)));
            QCOMPARE(count, int64_t(0));
            QCOMPARE(ini::readString(path, QStringLiteral("Stat"), QStringLiteral("Number"), QStringLiteral("?")),
                     QString::fromLatin1(bad));
        }
        // A missing key reads as a blank.
        const QString other = dir.path() + QStringLiteral("/other.ini");
        writeFile(other, "[Stat]\n");
        int64_t count = 0;
        QVERIFY(!ReadSplitCount(other, count));
    }

    void askIsCreatedReadAndWritten()
    {
        ConfigHome home;
        QVERIFY(LoadAskFlag().value());
        QSettings stored(home.askConf(), QSettings::IniFormat);
        QCOMPARE(stored.value(QStringLiteral("Ask")).toInt(), 1);
        QVERIFY(SaveAskFlag(false));
        QCOMPARE(LoadAskFlag(), false);
        QVERIFY(SaveAskFlag(true));
        QCOMPARE(LoadAskFlag(), true);
    }

    void askReadsAnyNonZeroAsTrueAndRejectsText()
    {
        ConfigHome home;
        QDir().mkpath(home.folder());
        writeFile(home.askConf(), "[General]\nAsk=7\n");
        QCOMPARE(LoadAskFlag(), true);
        writeFile(home.askConf(), "[General]\nAsk=00\n");
        QCOMPARE(LoadAskFlag(), false);
        // A value that is no whole number, and a file that is no settings file at
        // all: the value cannot be read, and the file is left as it is.
        for (const QByteArray &junk : {QByteArray("[General]\nAsk=yes please\n"), patternBytes(3000)}) {
            writeFile(home.askConf(), junk);
            QString error;
            QVERIFY(!LoadAskFlag(&error));
            QCOMPARE(error, QStringLiteral("Invalid data type for 'Ask'"));
            QCOMPARE(readAll(home.askConf()), junk);
        }
        QVERIFY(SaveAskFlag(false)); // the close writes the value over the junk
        QCOMPARE(LoadAskFlag(), false);
    }

    void aLineBreakNeverChangesTheFilesLines()
    {
        ConfigHome home;
        QDir().mkpath(home.folder());
        const QString stats = home.statsIni();
        QVERIFY(CreateStatsFileIfMissing(stats));
        QVERIFY(WriteLastDir(stats, QStringLiteral("/music/")));
        const QByteArray before = readAll(stats);
        QVERIFY(WriteLastDir(stats, QStringLiteral("/music/\n[Stat]\nNumber=99/")));
        QCOMPARE(readAll(stats), before); // the folder remembered before stays
        QVERIFY(
            !ini::writeString(stats, QStringLiteral("History"), QStringLiteral("Last Dir"), QStringLiteral("a\rb")));
        QCOMPARE(readAll(stats), before);
    }

    void refusedWritesLeaveEveryStoreAsItWas()
    {
        ConfigHome home;
        QDir().mkpath(home.folder());
        QVERIFY(CreateStatsFileIfMissing(home.statsIni()));
        QVERIFY(WriteLastDir(home.statsIni(), QStringLiteral("/music/")));
        QVERIFY(SaveFormSize(600, 700, QString::fromLatin1(kFormSection), home.sizeIni()));
        QVERIFY(LoadAskFlag().value());
        const QByteArray stats = readAll(home.statsIni()), size = readAll(home.sizeIni()),
                         ask = readAll(home.askConf());
        // The box says what the design says; the system's reason is told to
        // whoever runs the program.
        QStringList told;
        setDiagnosticSink([&told](const QString &line) { told << line; });
        const auto refused = [&told](const std::function<bool(QString *)> &write, const QString &text) {
            told.clear();
            QString error;
            QVERIFY2(!write(&error), "the write was not refused");
            QCOMPARE(error, text);
            QCOMPARE(told.size(), 1);
            QVERIFY2(told.first().startsWith(text + QStringLiteral(": ")), qPrintable(told.first()));
            // QSettings fails at its lock file here, and says no more than that it failed.
            if (!text.contains(QStringLiteral("'Ask'")))
                QVERIFY2(told.first().endsWith(QStringLiteral("File too large")), qPrintable(told.first()));
        };
        {
            FileSizeLimit limit(4); // as a full disk: no file may grow beyond 4 bytes
            int64_t count = 0;
            const QString statsFailure = QStringLiteral("Unable to write to %1").arg(home.statsIni());
            refused([&](QString *e) { return AddToSplitCount(home.statsIni(), count, 1, e); }, statsFailure);
            refused([&](QString *e) { return WriteLastDir(home.statsIni(), QStringLiteral("/elsewhere/"), e); },
                    statsFailure);
            refused(
                [&](QString *e) {
                    return SaveFormSize(800, 900, QString::fromLatin1(kFormSection), home.sizeIni(), e);
                },
                QStringLiteral("Unable to write to %1").arg(home.sizeIni()));
            refused([&](QString *e) { return SaveAskFlag(false, e); }, QStringLiteral("Failed to set data for 'Ask'"));
        }
        setDiagnosticSink({});
        QCOMPARE(readAll(home.statsIni()), stats);
        QCOMPARE(readAll(home.sizeIni()), size);
        QCOMPARE(readAll(home.askConf()), ask);
        QCOMPARE(QDir(home.folder()).entryList(QDir::Files).size(), 3); // no temporary file left behind
    }

    void aLockNoLivingWriterHoldsDelaysTheAskAtMostASecond_data()
    {
        QTest::addColumn<QByteArray>("lock");
        QTest::addRow("another host, just now") << QByteArray("4242\ncleavo\nanother-host\n");
        QTest::addRow("a crash before its first byte") << QByteArray();
    }
    void aLockNoLivingWriterHoldsDelaysTheAskAtMostASecond()
    {
        QFETCH(QByteArray, lock);
        ConfigHome home;
        QVERIFY(settings::SaveAskFlag(false));
        writeFile(home.askConf() + QStringLiteral(".lock"), lock);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(settings::SaveAskFlag(true));
        // The lock waits at most 900 ms; the rest is the write itself, on a busy machine.
        QVERIFY2(timer.elapsed() <= 1200, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(readAll(home.askConf()), QByteArray("[General]\nAsk=1\n"));
    }

    void askStoreThatCannotBeOpenedIsQuiet()
    {
        ConfigHome home;
        // The settings root is a regular file: no folder can be made there.
        QDir().rmdir(home.root()); // gone or not, the root below is a file
        QTemporaryDir dir;
        const QString blocker = dir.path() + QStringLiteral("/blocker");
        writeFile(blocker, "x");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(blocker));
        QCOMPARE(LoadAskFlag(), true);
        QVERIFY(SaveAskFlag(false)); // nothing reported, nothing written
        QCOMPARE(readAll(blocker), QByteArray("x"));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
