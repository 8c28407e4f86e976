#include "listening/ui/scrollnotifier.h"
#include "listening/ui/spinedit.h"
#include "support/fakes.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

namespace {

const QString kPlayError = QStringLiteral(
    "An error occurred trying to play the audio file. The file appears to be corrupt or is a format which cannot be "
    "played with this viewer. Please verify that your file has the correct file extension and matches that audio "
    "type.");

} // namespace

class TestTransport : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<ConfigHome> m_home;
    std::unique_ptr<Harness> m_h;

    TFrmsplit &w() { return *m_h->window; }
    FakePlayer &p1() { return m_h->fake1(); }

private slots:
    void init()
    {
        m_home = std::make_unique<ConfigHome>();
        m_h = std::make_unique<Harness>();
        m_h->create();
        const QString src = m_dir.path() + QStringLiteral("/s.mp3");
        writeFile(src, patternBytes(5000));
        m_h->select(src);
        p1().length = 10000;
        control<QScrollBar>(w(), "ScrollBar1")->setMaximum(10000);
        p1().log.clear();
        m_h->ui.clear();
    }
    void cleanup()
    {
        m_h.reset();
        m_home.reset();
    }

    void playStartsThePollAndFailuresShowTheirDialog()
    {
        control<QPushButton>(w(), "CmdPlay")->click();
        QCOMPARE(p1().mode, int(MediaPlayer::Playing));
        QVERIFY(control<QTimer>(w(), "Timer2")->isActive());
        w().CmdstopClick();
        p1().failPlay = true;
        control<QPushButton>(w(), "CmdPlay")->click();
        QCOMPARE(m_h->ui.texts(), QStringList{kPlayError});
        QVERIFY(!control<QTimer>(w(), "Timer2")->isActive()); // kept its state
    }

    void pauseResumesAndDoesNothingWhenStopped()
    {
        control<QPushButton>(w(), "CmdPause")->click(); // stopped: nothing, not even the timer
        QCOMPARE(p1().mode, int(MediaPlayer::Stopped));
        QVERIFY(!control<QTimer>(w(), "Timer2")->isActive());
        control<QPushButton>(w(), "CmdPlay")->click();
        control<QPushButton>(w(), "CmdPause")->click();
        QCOMPARE(p1().mode, int(MediaPlayer::Paused));
        QVERIFY(!control<QTimer>(w(), "Timer2")->isActive());
        QCOMPARE(control<QPushButton>(w(), "CmdPause")->text(), QStringLiteral("Pause"));
        control<QPushButton>(w(), "CmdPause")->click();
        QCOMPARE(p1().mode, int(MediaPlayer::Playing));
        QVERIFY(control<QTimer>(w(), "Timer2")->isActive());
    }

    void stopLeavesAPausedPlayerPaused()
    {
        control<QPushButton>(w(), "CmdPlay")->click();
        control<QPushButton>(w(), "CmdPause")->click();
        control<QTimer>(w(), "Timer2")->start();
        control<QPushButton>(w(), "CmdStop")->click();
        QCOMPARE(p1().mode, int(MediaPlayer::Paused));
        QVERIFY(!control<QTimer>(w(), "Timer2")->isActive());
        control<QPushButton>(w(), "CmdPlay")->click();
        QCOMPARE(p1().mode, int(MediaPlayer::Playing));
    }

    void stopAndPauseFailuresStopThePlayerAndSaySo()
    {
        control<QPushButton>(w(), "CmdPlay")->click();
        p1().failStopsLeft = 1;
        control<QPushButton>(w(), "CmdStop")->click();
        QCOMPARE(
            m_h->ui.texts(),
            QStringList{QStringLiteral("An error occurred trying to stop playing the file. The file may be corrupt. "
                                       "Please verify that your files are valid audio files.")});
        QVERIFY(!control<QTimer>(w(), "Timer2")->isActive());
        QCOMPARE(p1().mode, int(MediaPlayer::Stopped)); // stopped on the second try
        p1().open = false;                              // the player lost its device
        m_h->ui.clear();
        control<QPushButton>(w(), "CmdPause")->click();
        QCOMPARE(m_h->ui.texts(), QStringList());
        control<QPushButton>(w(), "CmdPlay")->click();
        QCOMPARE(m_h->ui.texts(), QStringList{kPlayError});
    }

    void rewindAndForwardAreNotClamped()
    {
        p1().position = 1000;
        control<QPushButton>(w(), "CmdRewind")->click();
        QVERIFY(p1().log.contains(QStringLiteral("Position -500")));
        QCOMPARE(p1().position, 1000);
        QVERIFY(control<QTimer>(w(), "Timer2")->isActive());
        control<SpinEdit>(w(), "SpinEdit2")->setValue(35000);
        p1().position = 0;
        p1().log.clear();
        control<QPushButton>(w(), "CmdForward")->click();
        QCOMPARE(p1().log.last(), QStringLiteral("Position 35000"));
        QVERIFY(m_h->ui.shown.isEmpty());
    }

    void rewindAndForwardStopPlaybackAtTheNewPlace()
    {
        control<QPushButton>(w(), "CmdPlay")->click();
        p1().position = 5000;
        control<QPushButton>(w(), "CmdForward")->click();
        QCOMPARE(p1().mode, int(MediaPlayer::Stopped));
        QCOMPARE(p1().position, 6500);
        control<QPushButton>(w(), "CmdRewind")->click();
        QCOMPARE(p1().position, 5000);
    }

    void stepFieldsReadWholeNumbersAndClampOnLeaving()
    {
        control<SpinEdit>(w(), "SpinEdit1")->lineEdit()->setText(QStringLiteral("abc"));
        p1().position = 3000;
        control<QPushButton>(w(), "CmdRewind")->click();
        QCOMPARE(p1().log.last(), QStringLiteral("Position 2999"));

        w().show();
        QVERIFY(QTest::qWaitForWindowExposed(m_h->window.get()));
        control<SpinEdit>(w(), "SpinEdit2")->setFocus();
        control<SpinEdit>(w(), "SpinEdit2")->lineEdit()->selectAll();
        QTest::keyClicks(control<SpinEdit>(w(), "SpinEdit2"), QStringLiteral("99999"));
        QCOMPARE(control<SpinEdit>(w(), "SpinEdit2")->lineEdit()->text(), QStringLiteral("99999"));
        control<QPushButton>(w(), "CmdForward")->setFocus(); // as clicking it does
        QCOMPARE(control<SpinEdit>(w(), "SpinEdit2")->value(), 35000);
        QCOMPARE(control<SpinEdit>(w(), "SpinEdit2")->Value(), 35000);
        QTest::keyClicks(control<SpinEdit>(w(), "SpinEdit1"), QStringLiteral("x!"));
    }

    void previewGuardOnRewindButNotOnForward()
    {
        FakePlayer &p2 = m_h->fake2();
        p2.open = true;
        p2.mode = MediaPlayer::Playing;
        w().values().PreviewClosed = false;
        control<QPushButton>(w(), "CmdForward")->click();
        QVERIFY(p2.open);
        control<QPushButton>(w(), "CmdRewind")->click();
        QVERIFY(!p2.open && w().values().PreviewClosed);
    }

    void timerShowsThePlayersPosition()
    {
        p1().position = 1234;
        w().Timer2Timer();
        QCOMPARE(control<QLabel>(w(), "LblCurrent")->text(), QStringLiteral("1234"));
        QCOMPARE(control<QScrollBar>(w(), "ScrollBar1")->value(), 1234);
        p1().position = 20000; // beyond the bar: clamped there, shown as is
        w().Timer2Timer();
        QCOMPARE(control<QLabel>(w(), "LblCurrent")->text(), QStringLiteral("20000"));
        QCOMPARE(control<QScrollBar>(w(), "ScrollBar1")->value(), 10000);
    }

    void scrollCodesDriveThePlayerAndTheTimer()
    {
        control<QScrollBar>(w(), "ScrollBar1")->setValue(2000);
        control<QTimer>(w(), "Timer2")->start();
        w().ScrollBar1Scroll(ScrollNotifier::SB_LINERIGHT, 2005);
        QVERIFY(control<QTimer>(w(), "Timer2")->isActive());
        QVERIFY(p1().log.isEmpty());
        w().ScrollBar1Scroll(ScrollNotifier::SB_THUMBTRACK, 2100);
        QVERIFY(!control<QTimer>(w(), "Timer2")->isActive());
        QCOMPARE(p1().log, QStringList{QStringLiteral("Position 2000")}); // the bar's value, not the announced one
        QCOMPARE(control<QLabel>(w(), "LblCurrent")->text(), QStringLiteral("2000"));
        control<QScrollBar>(w(), "ScrollBar1")->setValue(2100);
        w().ScrollBar1Scroll(ScrollNotifier::SB_ENDSCROLL, 2100);
        QVERIFY(control<QTimer>(w(), "Timer2")->isActive());
        QCOMPARE(p1().position, 2100);
        QCOMPARE(p1().mode, int(MediaPlayer::Stopped));
    }

    void scrollBeforeSelectionEndsInTheErrorReport()
    {
        Harness fresh;
        fresh.create();
        fresh.window->ScrollBar1Scroll(ScrollNotifier::SB_LINERIGHT, 5);
        QVERIFY(fresh.ui.shown.isEmpty());
        fresh.window->guarded([&] { fresh.window->ScrollBar1Scroll(ScrollNotifier::SB_ENDSCROLL, 5); });
        QCOMPARE(fresh.ui.texts(), QStringList{QStringLiteral("No MCI device open.")});
        QVERIFY(control<QTimer>(*fresh.window, "Timer2")->isActive());
    }

    void arrowClickMovesThePlayerAtTheRelease()
    {
        w().show();
        QVERIFY(QTest::qWaitForWindowExposed(m_h->window.get()));
        p1().position = 3000;
        control<QScrollBar>(w(), "ScrollBar1")->setValue(3000);
        QScrollBar *bar = control<QScrollBar>(w(), "ScrollBar1");
        const QPoint rightArrow(bar->width() - 5, bar->height() / 2);
        QTest::mouseClick(bar, Qt::LeftButton, {}, rightArrow);
        QCOMPARE(bar->value(), 3005);
        QCOMPARE(p1().position, 3005);
        QCOMPARE(control<QLabel>(w(), "LblCurrent")->text(), QStringLiteral("3005"));
        QVERIFY(control<QTimer>(w(), "Timer2")->isActive());
    }

    void aTickDuringAScrollPutsTheBarBackToThePlayer()
    {
        // A poll that runs while the scroll handler lets events through sets
        // the bar to the player's position; the release then moves the player
        // to exactly that position: bar, label and player agree.
        w().show();
        QVERIFY(QTest::qWaitForWindowExposed(m_h->window.get()));
        p1().position = 4000;
        control<QScrollBar>(w(), "ScrollBar1")->setValue(4000);
        control<QTimer>(w(), "Timer2")->start();
        p1().position = 4200; // the player has moved on since the last tick
        QTest::qWait(80);     // a tick lands
        QScrollBar *bar = control<QScrollBar>(w(), "ScrollBar1");
        QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(bar->width() - 5, bar->height() / 2));
        QTest::qWait(80); // ticks while the button is down
        QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(bar->width() - 5, bar->height() / 2));
        QCOMPARE(p1().position, bar->value());
        QCOMPARE(control<QLabel>(w(), "LblCurrent")->text(), QString::number(bar->value()));
        QVERIFY(bar->value() >= 4200 && bar->value() <= 4205);
    }
};

QTEST_MAIN(TestTransport)
#include "tst_transport.moc"
