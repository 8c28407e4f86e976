#include "settings/inistore.h"
#include "support/fakes.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

namespace {

const QString kHint = QStringLiteral(
    "Trial Hint: You have chosen the option to enter your new MP3 split file name and location. You will now enter "
    "that information in the next window. (You can also choose to have it automatically default to a name and "
    "location by using the split options at the bottom of the main window).");

QString success(const QString &path)
{
    return QStringLiteral("New MP3 successfully created! (Location: ") + path
        + QStringLiteral("). Use the play buttons at the bottom to listen to your new MP3 file. You can always "
                         "adjust and recreate again if you wish.");
}

} // namespace

class TestResultPanel : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QByteArray m_bytes;
    QString m_source;

    // A window with a selected source of 20,000 bytes and fake players.
    void prepare(Harness &h, bool ask)
    {
        m_bytes = patternBytes(20000);
        m_source = m_dir.path() + QStringLiteral("/Track.mp3");
        writeFile(m_source, m_bytes);
        h.create();
        h.select(m_source);
        (ask ? control<QRadioButton>(*h.window, "RadAsk") : control<QRadioButton>(*h.window, "RadDefault"))
            ->setChecked(true);
        h.ui.clear();
    }
    void writeRange(Harness &h, int start, int length)
    {
        h.window->values().SegmentStart = start;
        h.window->values().SegmentLength = length;
        h.window->guarded([&] { h.window->CreateSplitFile(); });
    }

private slots:
    void cleanup()
    {
        if (!m_source.isEmpty())
            QCOMPARE(readAll(m_source), m_bytes);
    }

    void defaultLocationWriteShowsTheResult()
    {
        ConfigHome home;
        Harness h;
        prepare(h, false);
        TFrmsplit &w = *h.window;
        writeRange(h, 100, 5000);
        const QString out = m_dir.path() + QStringLiteral("/Split - Track.mp3");
        QCOMPARE(h.ui.texts(), QStringList{success(out)});
        QCOMPARE(readAll(out), m_bytes.mid(100, 5000));
        QCOMPARE(control<QLabel>(w, "LblName")->text(), QStringLiteral("Split - Track.mp3"));
        QCOMPARE(control<QLabel>(w, "LblPath")->text(), m_dir.path() + QLatin1Char('/'));
        QCOMPARE(control<QLabel>(w, "LblNewByte")->text(), QStringLiteral("5000"));
        QVERIFY(control<QPushButton>(w, "CmdPmp3")->isEnabled() && control<QPushButton>(w, "CmdOmp3")->isEnabled()
                && control<QPushButton>(w, "CmdSPlay")->isEnabled());
        QVERIFY(!control<QLabel>(w, "LblName")->isHidden() && !control<QLabel>(w, "Label5")->isHidden());
        QVERIFY(!control<QLabel>(w, "Image3")->isHidden() && control<QLabel>(w, "Image2")->isHidden()
                && control<QLabel>(w, "Image4")->isHidden());
        QVERIFY(!control<QLabel>(w, "Lblending")->isHidden());
        QCOMPARE(ini::readString(home.statsIni(), QStringLiteral("Stat"), QStringLiteral("Number"), QString()),
                 QStringLiteral("1"));

        // A second write keeps the panel shown and describes the new file.
        h.ui.clear();
        writeRange(h, 0, 10);
        QVERIFY(control<QPushButton>(w, "CmdPmp3")->isEnabled());
        QCOMPARE(control<QLabel>(w, "LblNewByte")->text(), QStringLiteral("10"));
        QCOMPARE(readAll(out), m_bytes.left(10));
        QCOMPARE(ini::readString(home.statsIni(), QStringLiteral("Stat"), QStringLiteral("Number"), QString()),
                 QStringLiteral("2"));
    }

    void askShowsTheHintBeforeEverySaveDialog()
    {
        ConfigHome home;
        Harness h;
        prepare(h, true);
        const QString chosen = m_dir.path() + QStringLiteral("/piece");
        h.ui.saveAnswers << chosen;
        writeRange(h, 0, 100);
        QCOMPARE(h.ui.texts(), (QStringList{kHint, success(chosen + QStringLiteral(".mp3"))}));
        QCOMPARE(readAll(chosen + QStringLiteral(".mp3")), m_bytes.left(100));
        QCOMPARE(h.ui.saveInitials, QStringList{QString()});
        QCOMPARE(h.ui.saveFolders, QStringList{m_dir.path() + QLatin1Char('/')});

        // Cancelled: the default name beside the source; the dialog remembers the last name.
        h.ui.clear();
        writeRange(h, 0, 50);
        QCOMPARE(h.ui.texts().first(), kHint);
        QCOMPARE(h.ui.saveInitials.last(), chosen);
        QCOMPARE(readAll(m_dir.path() + QStringLiteral("/Split - Track.mp3")), m_bytes.left(50));
    }

    void theSourceIsNeverTheOutput()
    {
        ConfigHome home;
        Harness h;
        prepare(h, true);
        h.ui.saveAnswers << m_source;
        writeRange(h, 0, 100);
        QCOMPARE(h.ui.texts().size(), 2);
        QVERIFY(h.ui.texts().at(1).contains(QStringLiteral("nothing was written")));
        QVERIFY(h.window->values().CopyFailed);
        QVERIFY(!control<QPushButton>(*h.window, "CmdPmp3")->isEnabled());
        QCOMPARE(ini::readString(home.statsIni(), QStringLiteral("Stat"), QStringLiteral("Number"), QString()),
                 QStringLiteral("0"));
    }

    void destinationThatCannotBeCreatedGoesToTheErrorReport()
    {
        ConfigHome home;
        Harness h;
        prepare(h, true);
        const QString blocker = m_dir.path() + QStringLiteral("/notafolder");
        writeFile(blocker, "x");
        h.ui.saveAnswers << blocker + QStringLiteral("/out.mp3");
        writeRange(h, 0, 100);
        const QStringList errors = h.ui.textsOf(ScriptedInteraction::Kind::Error);
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors.first().startsWith(QStringLiteral("Cannot create file \"%1/out.mp3\".").arg(blocker)));
        QVERIFY(!control<QPushButton>(*h.window, "CmdPmp3")->isEnabled());
    }

    void negativeStartReportsAnUnreadableSource()
    {
        ConfigHome home;
        Harness h;
        prepare(h, false);
        QFile::remove(m_dir.path() + QStringLiteral("/Split - Track.mp3"));
        writeRange(h, -1, 100);
        QCOMPARE(h.ui.texts().size(), 1);
        QVERIFY(h.ui.texts().first().startsWith(QStringLiteral("The file cannot be read, it may be set to read only")));
        QVERIFY(!QFile::exists(m_dir.path() + QStringLiteral("/Split - Track.mp3")));
    }

    // The piece is written and announced; the count's failure follows it.
    void countThatIsNotANumberIsReportedAfterTheWrite()
    {
        ConfigHome home;
        Harness h;
        prepare(h, false);
        QVERIFY(
            ini::writeString(home.statsIni(), QStringLiteral("Stat"), QStringLiteral("Number"), QStringLiteral("abc")));
        writeRange(h, 0, 10);
        QCOMPARE(h.ui.texts().size(), 2);
        QVERIFY(h.ui.texts().first().startsWith(QStringLiteral("New MP3 successfully created!")));
        QCOMPARE(h.ui.textsOf(ScriptedInteraction::Kind::Error),
                 QStringList{QStringLiteral("'abc' is not a valid integer value.")});
        QVERIFY(control<QPushButton>(*h.window, "CmdPmp3")->isEnabled());
        QCOMPARE(ini::readString(home.statsIni(), QStringLiteral("Stat"), QStringLiteral("Number"), QString()),
                 QStringLiteral("abc"));
    }

    void previewPlaysRestartsAndCloses()
    {
        ConfigHome home;
        Harness h;
        prepare(h, false);
        TFrmsplit &w = *h.window;
        writeRange(h, 0, 1000);
        h.ui.clear();
        h.fake1().mode = MediaPlayer::Playing;
        h.fake1().position = 700;
        control<QPushButton>(w, "CmdPmp3")->click();
        QCOMPARE(h.fake1().mode, int(MediaPlayer::Stopped));
        QCOMPARE(h.fake1().position, 700);
        QCOMPARE(h.player2->FileName(), m_dir.path() + QStringLiteral("/Split - Track.mp3"));
        QCOMPARE(h.fake2().mode, int(MediaPlayer::Playing));
        QVERIFY(!w.values().PreviewClosed && control<QTimer>(w, "Timer3")->isActive());

        // A second click closes and reopens: the new file starts again.
        h.fake2().position = 400;
        h.fake2().log.clear();
        control<QPushButton>(w, "CmdPmp3")->click();
        QCOMPARE(h.fake2().log,
                 (QStringList{QStringLiteral("Stop"), QStringLiteral("Close"),
                              QStringLiteral("Open ") + h.player2->FileName(), QStringLiteral("Play")}));
        QCOMPARE(h.fake2().position, 0);

        // Another handler's preview guard closes it.
        control<QPushButton>(w, "CmdPlay")->click();
        QVERIFY(!h.fake2().open && w.values().PreviewClosed && !control<QTimer>(w, "Timer3")->isActive());
        QVERIFY(h.ui.shown.isEmpty());

        // Stop with nothing open shows nothing.
        control<QPushButton>(w, "CmdSPlay")->click();
        QVERIFY(h.ui.shown.isEmpty());
        QVERIFY(w.values().PreviewClosed);
    }

    void timer3Blinks()
    {
        ConfigHome home;
        Harness h;
        prepare(h, false);
        writeRange(h, 0, 10);
        QVERIFY(!control<QLabel>(*h.window, "Image3")->isHidden());
        h.window->Timer3Timer();
        QVERIFY(control<QLabel>(*h.window, "Image3")->isHidden());
        h.window->Timer3Timer();
        QVERIFY(!control<QLabel>(*h.window, "Image3")->isHidden());
    }

    void failedCloseKeepsThePreviewMarkedOpen()
    {
        ConfigHome home;
        Harness h;
        prepare(h, false);
        TFrmsplit &w = *h.window;
        writeRange(h, 0, 10);
        control<QPushButton>(w, "CmdPmp3")->click();
        h.ui.clear();
        h.fake2().failStop = true;
        control<QPushButton>(w, "CmdSPlay")->click();
        QCOMPARE(h.ui.texts(),
                 QStringList{
                     QStringLiteral("An error occurred trying to close the media player. Please close and reopen the "
                                    "software to continue.")});
        QVERIFY(!w.values().PreviewClosed);
        QVERIFY(!control<QTimer>(w, "Timer3")->isActive());
    }

    void newFileGoneOrUnplayable()
    {
        ConfigHome home;
        Harness h;
        prepare(h, false);
        TFrmsplit &w = *h.window;
        writeRange(h, 0, 10);
        const QString out = m_dir.path() + QStringLiteral("/Split - Track.mp3");
        QFile::remove(out);
        h.ui.clear();
        h.fake2().failOpen = true;
        control<QPushButton>(w, "CmdPmp3")->click();
        QCOMPARE(h.ui.texts(),
                 QStringList{QStringLiteral("An error occurred trying to play ") + out
                             + QStringLiteral(". The file appears to be corrupt or is a format which cannot be played "
                                              "with this viewer. Please verify that your file has the correct file "
                                              "extension and matches that audio type.")});
        QVERIFY(!w.values().PreviewClosed && control<QTimer>(w, "Timer3")->isActive());
        h.ui.clear();
        control<QPushButton>(w, "CmdOmp3")->click();
        QCOMPARE(
            h.ui.texts(),
            QStringList{QStringLiteral("The file could not be opened using this button. Open your file manager and "
                                       "double-click the file to play it.")});
        QCOMPARE(h.ui.shown.first().type, DialogType::Information);
        QVERIFY(h.ui.opened.isEmpty());
        QVERIFY(w.values().PreviewClosed);
    }

    void defaultPlayerGetsTheFullPath()
    {
        ConfigHome home;
        Harness h;
        // A folder path well beyond 255 characters.
        QString deep = m_dir.path();
        for (int i = 0; i < 6; ++i)
            deep += QLatin1Char('/') + QString(50, QLatin1Char('d'));
        QVERIFY(QDir().mkpath(deep));
        m_bytes = patternBytes(3000);
        m_source = deep + QStringLiteral("/long name.mp3");
        writeFile(m_source, m_bytes);
        h.create();
        h.select(m_source);
        control<QRadioButton>(*h.window, "RadDefault")->setChecked(true);
        writeRange(h, 0, 100);
        h.ui.clear();
        control<QPushButton>(*h.window, "CmdOmp3")->click();
        QCOMPARE(h.ui.opened.size(), 1);
        QCOMPARE(h.ui.opened.first().toLocalFile(), deep + QStringLiteral("/Split - long name.mp3"));
        QVERIFY(h.ui.shown.isEmpty());
        h.ui.openResult = false;
        control<QPushButton>(*h.window, "CmdOmp3")->click();
        QCOMPARE(h.ui.shown.size(), 1);
    }

    void sourcePlayerNotOpenEndsThePlayButtons()
    {
        ConfigHome home;
        Harness h;
        prepare(h, false);
        writeRange(h, 0, 10);
        h.fake1().open = false;
        h.ui.clear();
        control<QPushButton>(*h.window, "CmdPmp3")->click();
        QCOMPARE(h.ui.texts(), QStringList{QStringLiteral("No MCI device open.")});
        QVERIFY(h.window->values().PreviewClosed);
    }
};

QTEST_MAIN(TestResultPanel)
#include "tst_resultpanel.moc"
