#include "listening/ui/waveformstrip.h"
#include "settings/settings.h"
#include "support/fakes.h"

#include <QAccessible>
#include <QTest>

// The waveform strip in the main window, with the real players.
class TestWaveformStrip : public QObject {
    Q_OBJECT

    std::unique_ptr<ConfigHome> m_home;
    std::unique_ptr<Harness> m_h;

    TFrmsplit &w() { return *m_h->window; }
    WaveformStrip *strip() { return control<WaveformStrip>(w(), "Waveform"); }
    // The tone, a second of silence, the tone; cut at the exact marks.
    void open()
    {
        m_h->create(true);
        w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&w()));
        m_h->select(testData("gaps_44k_3000ms.mp3"));
        if (!control<QCheckBox>(w(), "ChkExact")->isChecked())
            control<QCheckBox>(w(), "ChkExact")->click();
        QTRY_VERIFY(strip()->isVisible());
    }
    void click(double ms) { QTest::mouseClick(strip(), Qt::LeftButton, {}, QPoint(int(strip()->view().xAt(ms)), 50)); }

private slots:
    void init()
    {
        m_home = std::make_unique<ConfigHome>();
        m_h = std::make_unique<Harness>();
    }
    void cleanup()
    {
        m_h.reset();
        m_home.reset();
    }

    // Off, the window is the design's; on, it grows by the strip, across its
    // width; the size kept is the one without it.
    void theStripShowsWithTheSwitchAndTheWindowGrows()
    {
        m_h->create(true);
        w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&w()));
        const QSize designed = w().size();
        QVERIFY(!strip()->isVisible());
        control<QCheckBox>(w(), "ChkExact")->click();
        QVERIFY(strip()->isVisible());
        QCOMPARE(w().size(), designed + QSize(0, WaveformStrip::kHeight + 4));
        QCOMPARE(strip()->width(), w().width() - 14);
        QVERIFY(strip()->geometry().top() >= control<QPushButton>(w(), "CmdCancel")->geometry().bottom());
        w().resize(w().width() + 200, w().height());
        QTRY_COMPARE(strip()->width(), w().width() - 14);
        w().close();
        const QString size = m_home->sizeIni();
        QCOMPARE(settings::ReadFormHeight(QString::fromLatin1(settings::kFormSection), size), designed.height());
        QCOMPARE(settings::ReadFormWidth(QString::fromLatin1(settings::kFormSection), size), designed.width() + 200);
        // Started again with the switch on: the kept size, and the strip below it.
        m_h = std::make_unique<Harness>();
        m_h->create(true);
        QCOMPARE(w().size(), QSize(designed.width() + 200, designed.height() + WaveformStrip::kHeight + 4));
        control<QCheckBox>(w(), "ChkExact")->click();
        QCOMPARE(w().size(), QSize(designed.width() + 200, designed.height()));
    }

    // A click moves the position as the position bar's thumb dragged there
    // and let go: the player set there, the time shown, the poll on.
    void aClickMovesThePositionAsThePositionBarDoes()
    {
        open();
        QCOMPARE(strip()->view().startMs, 0.0);
        QVERIFY(strip()->view().endMs() >= 2990);
        click(2000);
        const int at = w().MediaPlayer1().Position();
        QVERIFY2(std::abs(at - 2000) <= strip()->view().msPerPixel, qPrintable(QString::number(at)));
        QCOMPARE(control<QScrollBar>(w(), "ScrollBar1")->value(), at);
        QCOMPARE(control<QLabel>(w(), "LblCurrent")->property("ms").toInt(), at);
        QVERIFY(control<QTimer>(w(), "Timer2")->isActive());
        // The start mark set from there is that time.
        control<QPushButton>(w(), "CmdStart")->click();
        QCOMPARE(control<QLabel>(w(), "LblPosS")->property("ms").toInt(), at);
        QVERIFY(m_h->ui.shown.isEmpty());
    }

    // Keys: + and - zoom about the position, Left and Right move it by a
    // column's time, with Shift by a second.
    void keysZoomAndMoveThePosition()
    {
        open();
        click(1500);
        const int at = w().MediaPlayer1().Position();
        strip()->setFocus();
        const double whole = strip()->view().msPerPixel;
        QTest::keyClick(strip(), Qt::Key_Plus);
        QTest::keyClick(strip(), Qt::Key_Equal);
        QVERIFY(std::abs(strip()->view().msPerPixel - whole / 2.25) < 1e-9);
        QVERIFY(strip()->view().startMs <= at && at <= strip()->view().endMs());
        const double column = strip()->view().msPerPixel;
        QTest::keyClick(strip(), Qt::Key_Right);
        QCOMPARE(w().MediaPlayer1().Position(), at + int(std::lround(column)));
        QTest::keyClick(strip(), Qt::Key_Left, Qt::ShiftModifier);
        QCOMPARE(w().MediaPlayer1().Position(), at + int(std::lround(column)) - 1000);
        QTest::keyClick(strip(), Qt::Key_Minus);
        QTest::keyClick(strip(), Qt::Key_Minus);
        QVERIFY(std::abs(strip()->view().msPerPixel - whole) < 1e-6);
        // Ctrl and the wheel zoom about the pointer; the wheel scrolls.
        QWheelEvent in(QPointF(100, 50), strip()->mapToGlobal(QPointF(100, 50)), {}, QPoint(0, 120 * 4), Qt::NoButton,
                       Qt::ControlModifier, Qt::NoScrollPhase, false);
        const double under = strip()->view().msAt(100);
        QCoreApplication::sendEvent(strip(), &in);
        QVERIFY(strip()->view().msPerPixel < whole / 4);
        QVERIFY(std::abs(strip()->view().msAt(100) - under) < 1);
        const double start = strip()->view().startMs;
        QWheelEvent on(QPointF(100, 50), strip()->mapToGlobal(QPointF(100, 50)), {}, QPoint(0, -120), Qt::NoButton,
                       Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(strip(), &on);
        QVERIFY(strip()->view().startMs > start);
    }

    // Screen readers: reached by Tab, named, and told the stretch shown and the position.
    void screenReadersHearWhatIsShown()
    {
        open();
        click(1500);
        QVERIFY(strip()->accessibleName().contains(QStringLiteral("Waveform")));
        const QString text
            = QStringLiteral("0:00.00 \u2013 %1, position %2")
                  .arg(control<QLabel>(w(), "LblEnd")->text(), control<QLabel>(w(), "LblCurrent")->text());
        QCOMPARE(strip()->accessibleDescription(), text);
        QVERIFY(strip()->focusPolicy() & Qt::TabFocus);
        control<QPushButton>(w(), "CmdCancel")->setFocus();
        QTest::keyClick(&w(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), strip());
    }

    // The view of a short track is drawn from decoded samples, beside the
    // window: the silence flat.
    void theViewIsDecodedBesideTheWindow()
    {
        open();
        // Dark ink in the column of a time, below the ruler.
        const auto inked = [this](double ms) {
            const QImage picture = strip()->grab().toImage();
            const int x = int(strip()->view().xAt(ms));
            int dark = 0;
            for (int y = 16; y < picture.height() - 1; ++y)
                dark += qGray(picture.pixel(x, y)) < 100 ? 1 : 0;
            return dark;
        };
        QTRY_VERIFY(strip()->drawsDecoded());
        QVERIFY(inked(500) > 40 && inked(2500) > 40);
        QVERIFY2(inked(1500) <= 2, qPrintable(QString::number(inked(1500))));
    }
};

QTEST_MAIN(TestWaveformStrip)
#include "tst_waveformstrip.moc"
