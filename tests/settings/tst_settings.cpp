#include "app/errors.h"
#include "settings/inistore.h"
#include "settings/settings.h"
#include "support/fakes.h"

#include <QDir>
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
        ini::writeString(path, QStringLiteral("Stat"), QStringLiteral("Number"), QStringLiteral("0"));
        QCOMPARE(readAll(path).trimmed(), QByteArray("[Stat]\nNumber=0"));
        ini::writeString(path, QStringLiteral("History"), QStringLiteral("Last Dir"), QStringLiteral("/music/"));
        QCOMPARE(ini::readString(path, QStringLiteral("stat"), QStringLiteral("NUMBER"), QString()), QStringLiteral("0"));
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
        QCOMPARE(ini::readString(path, QStringLiteral("Stat"), QStringLiteral("Number"), QString()), QStringLiteral("5"));
        ini::writeString(path, QStringLiteral("Stat"), QStringLiteral("Number"), QStringLiteral("6"));
        QCOMPARE(ini::readString(path, QStringLiteral("Stat"), QStringLiteral("Number"), QString()), QStringLiteral("6"));
        QCOMPARE(ini::readString(path, QStringLiteral("Other"), QStringLiteral("Key"), QString()), QStringLiteral("Value"));
        QVERIFY(readAll(path).contains("; a comment"));
        // No temporary file is left beside it.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1);
    }

    void iniWriteKeepsKeysAfterABrokenSectionLine()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/a.ini");
        writeFile(path, QByteArray("\xEF\xBB\xBF[History\r\nLast Dir=/music/\r\nodd\0line\n[Other]\nK=V\n", 52));
        ini::writeString(path, QStringLiteral("Stat"), QStringLiteral("Number"), QStringLiteral("3"));
        ini::writeString(path, QStringLiteral("Stat"), QStringLiteral("Number"), QStringLiteral("4"));
        QCOMPARE(ini::readString(path, QStringLiteral("History"), QStringLiteral("Last Dir"), QString()),
                 QStringLiteral("/music/"));
        QCOMPARE(ini::readString(path, QStringLiteral("Other"), QStringLiteral("K"), QString()), QStringLiteral("V"));
        QCOMPARE(ini::readString(path, QStringLiteral("Stat"), QStringLiteral("Number"), QString()), QStringLiteral("4"));
    }

    void iniWriteThatFailsReportsThePathAndKeepsTheFile()
    {
        QTemporaryDir dir;
        // A folder that is a regular file cannot hold anything, also for root.
        const QString blocker = dir.path() + QStringLiteral("/blocker");
        writeFile(blocker, "x");
        const QString path = blocker + QStringLiteral("/cleavo.ini");
        try {
            ini::writeString(path, QStringLiteral("Stat"), QStringLiteral("Number"), QStringLiteral("0"));
            QFAIL("no failure");
        } catch (const AppError &e) {
            QCOMPARE(e.text(), QStringLiteral("Unable to write to %1").arg(path));
        }
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
        ini::writeString(path, QStringLiteral("Stat"), QStringLiteral("Number"), stored);
        int64_t count = 99;
        AddToSplitCount(path, count, 1);
        QCOMPARE(qint64(count), read);
        QCOMPARE(ini::readString(path, QStringLiteral("Stat"), QStringLiteral("Number"), QString()), written);
    }

    void splitCountThatIsNotANumberFailsAndStays()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/cleavo.ini");
        for (const char *bad : {"abc", ""}) {
            ini::writeString(path, QStringLiteral("Stat"), QStringLiteral("Number"), QString::fromLatin1(bad));
            int64_t count = 7;
            try {
                AddToSplitCount(path, count, 1);
                QFAIL("no failure");
            } catch (const AppError &e) {
                QCOMPARE(e.text(), QStringLiteral("'%1' is not a valid integer value").arg(QLatin1String(bad)));
            }
            QCOMPARE(count, int64_t(0));
            QCOMPARE(ini::readString(path, QStringLiteral("Stat"), QStringLiteral("Number"), QStringLiteral("?")),
                     QString::fromLatin1(bad));
        }
        // A missing key reads as a blank.
        const QString other = dir.path() + QStringLiteral("/other.ini");
        writeFile(other, "[Stat]\n");
        int64_t count = 0;
        QVERIFY_THROWS_EXCEPTION(AppError, ReadSplitCount(other, count));
    }

    void askIsCreatedReadAndWritten()
    {
        ConfigHome home;
        QVERIFY(LoadAskFlag());
        QSettings stored(home.askConf(), QSettings::IniFormat);
        QCOMPARE(stored.value(QStringLiteral("Ask")).toInt(), 1);
        SaveAskFlag(false);
        QCOMPARE(LoadAskFlag(), false);
        SaveAskFlag(true);
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
        writeFile(home.askConf(), "[General]\nAsk=yes please\n");
        try {
            LoadAskFlag();
            QFAIL("no failure");
        } catch (const AppError &e) {
            QCOMPARE(e.text(), QStringLiteral("Invalid data type for 'Ask'"));
        }
    }

    void askStoreThatCannotBeOpenedIsQuiet()
    {
        ConfigHome home;
        // The settings root is a regular file: no folder can be made there.
        QVERIFY(QDir().rmdir(home.root()) || true);
        QTemporaryDir dir;
        const QString blocker = dir.path() + QStringLiteral("/blocker");
        writeFile(blocker, "x");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(blocker));
        QCOMPARE(LoadAskFlag(), true);
        SaveAskFlag(false); // nothing reported, nothing written
        QCOMPARE(readAll(blocker), QByteArray("x"));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
