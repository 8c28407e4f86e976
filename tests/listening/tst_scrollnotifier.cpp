#include "app/scrollbar.h"
#include "listening/scrollnotifier.h"
#include "support/fakes.h"

#include <QApplication>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

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
        QTest::mouseClick(m_bar.get(), Qt::LeftButton, {}, scrollBarPart(m_bar.get(), QStyle::SC_ScrollBarAddLine).center());
        QCOMPARE(m_notes, (QList<Note>{{1, 505, 500}, {8, 505, 505}}));
        m_notes.clear();
        QTest::mouseClick(m_bar.get(), Qt::LeftButton, {}, scrollBarPart(m_bar.get(), QStyle::SC_ScrollBarSubLine).center());
        QCOMPARE(m_notes, (QList<Note>{{0, 500, 505}, {8, 500, 500}}));
    }

    void troughClick()
    {
        QTest::mouseClick(m_bar.get(), Qt::LeftButton, {}, scrollBarPart(m_bar.get(), QStyle::SC_ScrollBarAddPage).center());
        QCOMPARE(m_notes, (QList<Note>{{3, 505, 500}, {8, 505, 505}}));
        m_notes.clear();
        QTest::mouseClick(m_bar.get(), Qt::LeftButton, {}, scrollBarPart(m_bar.get(), QStyle::SC_ScrollBarSubPage).center());
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
};

QTEST_MAIN(TestScrollNotifier)
#include "tst_scrollnotifier.moc"
