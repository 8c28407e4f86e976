#include "core/ui/scrollbar.h"
#include "listening/ui/scrollnotifier.h"
#include "support/fakes.h"

#include "app/frmsplit.h"
#include "core/ui/interaction.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>

namespace {

struct Note {
    int code;
    int pos;   // the position announced
    int value; // the bar's value while the handler runs
    bool operator==(const Note &o) const { return code == o.code && pos == o.pos && value == o.value; }
};

} // namespace

class TestScrollNotifier : public QObject {
    Q_OBJECT

    std::unique_ptr<ScrollBar> m_bar;
    QList<Note> m_notes;

private slots:
    void init()
    {
        m_bar = std::make_unique<ScrollBar>();
        m_bar->setGeometry(0, 0, 233, 13);
        m_bar->setRange(0, 1000);
        m_bar->setSingleStep(5);
        m_bar->setPageStep(5);
        m_bar->setValue(500);
        auto *n = new ScrollNotifier(m_bar.get());
        n->setHandler([this](int code, int pos) { m_notes << Note{code, pos, m_bar->value()}; });
        m_bar->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_bar.get()));
        m_notes.clear();
    }

    void arrowClick()
    {
        QTest::mouseClick(m_bar.get(), Qt::LeftButton, {},
                          scrollBarPart(m_bar.get(), QStyle::SC_ScrollBarAddLine).center());
        QCOMPARE(m_notes, (QList<Note>{{1, 505, 500}, {8, 505, 505}}));
        m_notes.clear();
        QTest::mouseClick(m_bar.get(), Qt::LeftButton, {},
                          scrollBarPart(m_bar.get(), QStyle::SC_ScrollBarSubLine).center());
        QCOMPARE(m_notes, (QList<Note>{{0, 500, 505}, {8, 500, 500}}));
    }

    void troughClick()
    {
        QTest::mouseClick(m_bar.get(), Qt::LeftButton, {},
                          scrollBarPart(m_bar.get(), QStyle::SC_ScrollBarAddPage).center());
        QCOMPARE(m_notes, (QList<Note>{{3, 505, 500}, {8, 505, 505}}));
        m_notes.clear();
        QTest::mouseClick(m_bar.get(), Qt::LeftButton, {},
                          scrollBarPart(m_bar.get(), QStyle::SC_ScrollBarSubPage).center());
        QCOMPARE(m_notes, (QList<Note>{{2, 500, 505}, {8, 500, 500}}));
    }

    void keys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("to");
        QTest::newRow("left") << int(Qt::Key_Left) << 0 << 495;
        QTest::newRow("up") << int(Qt::Key_Up) << 0 << 495;
        QTest::newRow("right") << int(Qt::Key_Right) << 1 << 505;
        QTest::newRow("down") << int(Qt::Key_Down) << 1 << 505;
        QTest::newRow("page up") << int(Qt::Key_PageUp) << 2 << 495;
        QTest::newRow("page down") << int(Qt::Key_PageDown) << 3 << 505;
        QTest::newRow("home") << int(Qt::Key_Home) << 6 << 0;
        QTest::newRow("end") << int(Qt::Key_End) << 7 << 1000;
    }
    void keys()
    {
        QFETCH(int, key);
        QFETCH(int, code);
        QFETCH(int, to);
        QTest::keyClick(m_bar.get(), Qt::Key(key));
        QCOMPARE(m_notes, (QList<Note>{{code, to, 500}, {8, to, to}}));
        QCOMPARE(m_bar->value(), to);
    }

    void drag()
    {
        const QRect thumb = scrollBarPart(m_bar.get(), QStyle::SC_ScrollBarSlider);
        const QPoint start = thumb.center();
        sendMouse(m_bar.get(), QEvent::MouseButtonPress, start, Qt::LeftButton);
        QVERIFY(m_bar->isSliderDown());
        QVERIFY(m_notes.isEmpty());
        sendMouse(m_bar.get(), QEvent::MouseMove, start + QPoint(20, 0), Qt::LeftButton);
        const int first = m_bar->value();
        sendMouse(m_bar.get(), QEvent::MouseMove, start + QPoint(40, 0), Qt::LeftButton);
        const int second = m_bar->value();
        QVERIFY(first > 500 && second > first);
        sendMouse(m_bar.get(), QEvent::MouseButtonRelease, start + QPoint(40, 0), Qt::NoButton);
        QCOMPARE(m_notes, (QList<Note>{{5, first, 500}, {5, second, first}, {4, second, second}, {8, second, second}}));
        QVERIFY(!m_bar->isSliderDown());
    }

    void wheelIsOneStep()
    {
        const QPoint at(100, 6);
        QWheelEvent e(at, m_bar->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(m_bar.get(), &e);
        QCOMPARE(m_notes, (QList<Note>{{1, 505, 500}, {8, 505, 505}}));
    }

    // A tap: the press and its release reach the window together, so the
    // release is handled inside the press's step. The step still reaches
    // the player at the end of the scroll, and the bar does not repeat it.
    void quickClicksAndKeysReachThePlayer()
    {
        ConfigHome home;
        Harness h;
        h.create(true);
        h.select(testData("cbr_44k_stereo_3000ms.mp3"));
        TFrmsplit &w = *h.window;
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w)); // keys go to the focused bar
        QScrollBar *bar = control<QScrollBar>(w, "ScrollBar1");
        const QPoint arrow = bar->mapTo(&w, scrollBarPart(bar, QStyle::SC_ScrollBarAddLine).center());
        const auto post = [&](QEvent::Type type, Qt::MouseButtons buttons) {
            QApplication::postEvent(
                w.windowHandle(),
                new QMouseEvent(type, arrow, w.mapToGlobal(arrow), Qt::LeftButton, buttons, Qt::NoModifier));
        };
        post(QEvent::MouseButtonPress, Qt::LeftButton);
        post(QEvent::MouseButtonRelease, Qt::NoButton);
        QTRY_COMPARE(w.MediaPlayer1().Position(), 5);
        bar->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), bar);
        // With the poll running, a tick handled inside the step would put the
        // bar back to the player's position, as a tick between a click and its
        // release does: the step is taken with the poll off.
        control<QTimer>(w, "Timer2")->stop();
        QApplication::postEvent(w.windowHandle(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier));
        QApplication::postEvent(w.windowHandle(), new QKeyEvent(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier));
        QTRY_COMPARE(w.MediaPlayer1().Position(), 10);
        QTest::qWait(700); // longer than the bar's delay before it repeats
        QCOMPARE(bar->value(), 10);
        QCOMPARE(control<QLabel>(w, "LblCurrent")->text(), QStringLiteral("10"));
    }

    // A message opened by a step while the mouse button is still down takes
    // the release; the bar must not go on stepping and opening more.
    void oneStepWhileTheButtonIsHeldOneMessage()
    {
        ConfigHome home;
        QtInteraction boxes;
        Services s;
        s.ui = &boxes;
        s.player1 = std::make_unique<FakePlayer>();
        s.player2 = std::make_unique<FakePlayer>();
        TFrmsplit w(std::move(s));
        boxes.setOwner(&w);
        control<QRadioButton>(w, "RadByte")->setChecked(true);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QStringList seen;
        QTimer answer;
        connect(&answer, &QTimer::timeout, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                seen << box->text();
                box->buttons().first()->click();
            }
        });
        answer.start(20);
        for (const auto &[bar, part] : {std::pair{control<QScrollBar>(w, "ScrollStart"), QStyle::SC_ScrollBarAddLine},
                                        std::pair{control<QScrollBar>(w, "ScrollEnd"), QStyle::SC_ScrollBarAddPage}}) {
            seen.clear();
            const QPoint at = scrollBarPart(bar, part).center();
            QTest::mousePress(bar, Qt::LeftButton, {}, at);
            QTest::qWait(1200); // the bar repeats a held step after 500 ms, then every 50 ms
            QTest::mouseRelease(bar, Qt::LeftButton, {}, at);
            QTest::qWait(100);
            QCOMPARE(seen.size(), 1);
            QVERIFY(seen.first().startsWith(QStringLiteral("You need to select an MP3 first")));
        }
    }
};

QTEST_MAIN(TestScrollNotifier)
#include "tst_scrollnotifier.moc"
