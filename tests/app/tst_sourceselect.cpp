#include "settings/inistore.h"
#include "support/fakes.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <unistd.h>

namespace {

const QString kSevere = QStringLiteral("A severe error has occurred, the file could not be read ");
const QString kCorrupt = QStringLiteral(
    "An error occurred trying to open the audio file. The file appears to be corrupt. Please verify that your file "
    "has the correct file extension and matches that audio format.");

} // namespace

class TestSourceSelect : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString copyOf(const char *data, const char *name)
    {
        const QString path = m_dir.path() + QLatin1Char('/') + QLatin1String(name);
        QFile::remove(path);
        QFile::copy(testData(data), path);
        return path;
    }

private slots:
    void firstSelectionFillsEverything()
    {
        ConfigHome home;
        Harness h;
        h.create(true);
        TFrmsplit &w = *h.window;
        const QString mp3 = copyOf("cbr_44k_stereo_3000ms.mp3", "song.mp3");
        const QString size = QString::number(QFileInfo(mp3).size());
        h.select(mp3);
        QVERIFY(h.ui.shown.isEmpty());
        QCOMPARE(h.ui.openDirs, QStringList{QString()});
        QCOMPARE(control<QLabel>(w, "LblFile")->text(), mp3);
        QVERIFY(!control<QLabel>(w, "Lblliteral")->isHidden() && !control<QLabel>(w, "Lblsizecaption")->isHidden());
        QCOMPARE(control<QLabel>(w, "Lblsize")->text(), size);
        QCOMPARE(control<QScrollBar>(w, "ScrollStart")->maximum(), size.toInt());
        QCOMPARE(control<QScrollBar>(w, "ScrollEnd")->maximum(), size.toInt());
        QCOMPARE(control<QScrollBar>(w, "ScrollStart")->value(), 0);
        QCOMPARE(control<QLabel>(w, "LblByteStart")->text(), QStringLiteral("0"));
        QCOMPARE(control<QLabel>(w, "LblByteEnd")->text(), size);
        QCOMPARE(control<QLabel>(w, "LblRealByte")->text(), size);
        QCOMPARE(control<QLabel>(w, "LblRealTime")->text(),
                 QStringLiteral("Based on settings above, the new split size will be:"));
        QCOMPARE(control<QLabel>(w, "LblCurrent")->text(), QStringLiteral("0"));
        QCOMPARE(control<QLabel>(w, "LblEnd")->text(), QStringLiteral("3000"));
        QCOMPARE(control<QScrollBar>(w, "ScrollBar1")->maximum(), 3000);
        QVERIFY(w.values().FileSelected);
        QVERIFY(control<QLabel>(w, "Image1")->isHidden() && !control<QLabel>(w, "Image2")->isHidden()
                && !control<QLabel>(w, "Image4")->isHidden());
        QCOMPARE(h.player1->Mode(), int(MediaPlayer::Stopped));
        QCOMPARE(ini::readString(home.statsIni(), QStringLiteral("History"), QStringLiteral("Last Dir"), QString()),
                 m_dir.path() + QLatin1Char('/'));

        // The next selection, also in a later run, starts in that folder.
        h.ui.openAnswers << std::nullopt;
        w.CmdselectClick();
        QCOMPARE(h.ui.openDirs.last(), m_dir.path() + QLatin1Char('/'));
        Harness later;
        later.create();
        later.window->CmdselectClick();
        QCOMPARE(later.ui.openDirs, QStringList{m_dir.path() + QLatin1Char('/')});
    }

    void cancelAfterAWriteHidesTheResultPanel()
    {
        ConfigHome home;
        Harness h;
        h.create();
        TFrmsplit &w = *h.window;
        h.select(copyOf("cbr_44k_stereo_3000ms.mp3", "a.mp3"));
        control<QRadioButton>(w, "RadDefault")->setChecked(true);
        control<QRadioButton>(w, "RadByte")->setChecked(true);
        control<QPushButton>(w, "BitBtn1")->click();
        QVERIFY(control<QPushButton>(w, "CmdPmp3")->isEnabled());
        control<QPushButton>(w, "CmdPmp3")->click();
        QVERIFY(!w.values().PreviewClosed);
        const QString before = control<QLabel>(w, "LblFile")->text();
        h.ui.clear();
        control<QPushButton>(w, "Cmdselect")->click(); // cancelled: no answer scripted
        QVERIFY(w.values().PreviewClosed);
        QVERIFY(!control<QTimer>(w, "Timer3")->isActive());
        QVERIFY(!control<QPushButton>(w, "CmdPmp3")->isEnabled() && control<QLabel>(w, "LblName")->isHidden());
        QVERIFY(control<QLabel>(w, "Image3")->isHidden());
        QCOMPARE(control<QLabel>(w, "LblFile")->text(), before);
        QVERIFY(h.ui.shown.isEmpty());
    }

    void smallerSecondSourceAndSelectionWhilePlaying()
    {
        ConfigHome home;
        Harness h;
        h.create(true);
        TFrmsplit &w = *h.window;
        const QString big = copyOf("cbr_44k_stereo_3000ms.mp3", "big.mp3");
        const QString small = copyOf("mono_22k_2000ms.mp3", "small.mp3");
        h.select(big);
        control<QScrollBar>(w, "ScrollStart")->setValue(40000);
        control<QScrollBar>(w, "ScrollEnd")->setValue(45000);
        control<QPushButton>(w, "CmdPlay")->click();
        QCOMPARE(h.player1->Mode(), int(MediaPlayer::Playing));
        h.select(small);
        const int smallSize = int(QFileInfo(small).size());
        QCOMPARE(control<QScrollBar>(w, "ScrollStart")->value(), smallSize);
        QCOMPARE(control<QScrollBar>(w, "ScrollEnd")->value(), smallSize);
        QCOMPARE(control<QLabel>(w, "LblByteStart")->text(), QStringLiteral("0"));
        QCOMPARE(control<QLabel>(w, "LblByteEnd")->text(), QString::number(smallSize));
        QCOMPARE(control<QLabel>(w, "LblEnd")->text(), QStringLiteral("2000"));
        QCOMPARE(h.player1->FileName(), small);
        QCOMPARE(h.player1->Mode(), int(MediaPlayer::Stopped)); // the new one does not start
        QVERIFY(h.ui.shown.isEmpty());
    }

    void emptyFile()
    {
        ConfigHome home;
        Harness h;
        h.create(true);
        const QString empty = m_dir.path() + QStringLiteral("/empty.mp3");
        writeFile(empty, QByteArray());
        h.select(empty);
        TFrmsplit &w = *h.window;
        QCOMPARE(control<QLabel>(w, "Lblsize")->text(), QStringLiteral("0"));
        QCOMPARE(control<QScrollBar>(w, "ScrollStart")->maximum(), 0);
        QCOMPARE(control<QScrollBar>(w, "ScrollEnd")->maximum(), 0);
        // It does not open in the player: the message, then "No MCI device open".
        QCOMPARE(h.ui.texts(), (QStringList{kCorrupt, QStringLiteral("No MCI device open.")}));
        QVERIFY(!w.values().FileSelected);
    }

    void unreadableNames_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing") << QStringLiteral("/nonexistent/typed.mp3");
        QTest::newRow("directory") << QStringLiteral("/tmp");
        QTest::newRow("device") << QStringLiteral("/dev/zero");
    }
    void unreadableNames()
    {
        QFETCH(QString, path);
        ConfigHome home;
        Harness h;
        h.create();
        h.select(path);
        TFrmsplit &w = *h.window;
        QCOMPARE(h.ui.texts(), (QStringList{kSevere, QStringLiteral("Scrollbar property out of range.")}));
        QCOMPARE(h.ui.shown.first().type, DialogType::Error);
        QCOMPARE(control<QLabel>(w, "Lblsize")->text(), QStringLiteral("-1"));
        QCOMPARE(control<QLabel>(w, "LblFile")->text(), path);
        QCOMPARE(control<QScrollBar>(w, "ScrollStart")->maximum(), 100);
        QVERIFY(!w.values().FileSelected);
        QVERIFY(h.fake1().log.isEmpty());
    }

    // After a selection that ended midway, no cut mixes the two files: both
    // are refused until an MP3 is selected whole again.
    void sourceOfTwoGibibytesIsRefusedAndCutsWaitForAWholeSelection()
    {
        ConfigHome home;
        Harness h;
        h.create();
        TFrmsplit &w = *h.window;
        const QString small = m_dir.path() + QStringLiteral("/small.mp3");
        writeFile(small, patternBytes(4000));
        h.select(small);
        control<QRadioButton>(w, "RadDefault")->setChecked(true);
        QVERIFY(w.values().FileSelected);
        const QString huge = m_dir.path() + QStringLiteral("/huge.mp3");
        {
            QFile f(huge);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QVERIFY(f.resize(qint64(2147483648LL) + 1)); // sparse
        }
        h.ui.clear();
        h.select(huge);
        QFile::remove(huge);
        QCOMPARE(control<QLabel>(w, "Lblsize")->text(), QStringLiteral("2147483649"));
        QCOMPARE(h.ui.texts(), QStringList{QStringLiteral("'2147483649' is not a valid integer value.")});
        for (QPushButton *cut : {control<QPushButton>(w, "BitBtn1"), control<QPushButton>(w, "CmdEnd")}) {
            h.ui.clear();
            h.fake1().position = 100;
            control<QPushButton>(w, "CmdStart")->click();
            h.fake1().position = 9000;
            cut->click();
            QCOMPARE(h.ui.texts().size(), 1);
            QVERIFY2(h.ui.texts().first().contains(QStringLiteral("could not be selected whole")),
                     qPrintable(h.ui.texts().first()));
        }
        QVERIFY(!QFile::exists(m_dir.path() + QStringLiteral("/Split - huge.mp3")));
        h.select(small);
        h.ui.clear();
        control<QPushButton>(w, "BitBtn1")->click();
        QCOMPARE(readAll(m_dir.path() + QStringLiteral("/Split - small.mp3")), patternBytes(4000));
    }

    void fileThatDoesNotOpenInThePlayer()
    {
        ConfigHome home;
        Harness h;
        h.create(true);
        const QString text = m_dir.path() + QStringLiteral("/notes.mp3");
        writeFile(text, QByteArray("just some text\n").repeated(100));
        h.select(text);
        TFrmsplit &w = *h.window;
        QCOMPARE(h.ui.texts(), (QStringList{kCorrupt, QStringLiteral("No MCI device open.")}));
        QCOMPARE(h.ui.shown.first().type, DialogType::Error);
        QCOMPARE(control<QLabel>(w, "LblCurrent")->text(), QStringLiteral("0"));
        QVERIFY(control<QLabel>(w, "LblEnd")->text().isEmpty());
        QVERIFY(!w.values().FileSelected);
        QCOMPARE(control<QLabel>(w, "Lblsize")->text(), QStringLiteral("1500"));
    }

    // The real open and save dialogs: one of each for the window's life, each
    // opening where it is told; memory stays flat over many uses.
    void theDialogsAreMadeOnceAndKeepMemoryFlat()
    {
        QTemporaryDir a, b;
        QWidget owner;
        QtInteraction ui(&owner);
        QStringList folders;
        QTimer cancel;
        connect(&cancel, &QTimer::timeout, [&] {
            if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
                folders << dialog->directory().absolutePath();
                dialog->reject();
            }
        });
        cancel.start(0);
        const auto resident = [] {
            return readAll(QStringLiteral("/proc/self/statm")).split(' ').value(1).toLong() * sysconf(_SC_PAGESIZE);
        };
        for (int i = 0; i < 20; ++i) // the first uses load what every later one needs
            QVERIFY(!ui.openFileName(i % 2 ? a.path() : b.path()));
        const long before = resident();
        for (int i = 0; i < 300; ++i) {
            QVERIFY(!ui.openFileName(i % 2 ? a.path() : b.path()));
            QVERIFY(!ui.saveFileName(QString(), a.path()));
        }
        [[maybe_unused]] const long grown = resident() - before;
#ifndef __SANITIZE_ADDRESS__ // the sanitizer keeps freed memory in quarantine
        QVERIFY2(grown < 2 << 20, qPrintable(QStringLiteral("%1 bytes more").arg(grown)));
#endif
        QCOMPARE(owner.findChildren<QFileDialog *>().size(), 2);
        QCOMPARE(folders.mid(folders.size() - 4),
                 (QStringList{b.path(), a.path(), a.path(), a.path()})); // open in b, save in a, open in a, save in a
    }
};

QTEST_MAIN(TestSourceSelect)
#include "tst_sourceselect.moc"
