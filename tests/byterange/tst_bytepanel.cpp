#include "byterange/byterange.h"
#include "support/fakes.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>

namespace {

const QString kRefusal = QStringLiteral(
    "Your starting position cannot be greater then the ending position! Use the scrollbar to adjust the ending "
    "position to a higher number, or lower the starting number with the other scrollbar.");

} // namespace

class TestBytePanel : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QByteArray m_bytes;
    QString m_source;

    QString output() const { return m_dir.path() + QStringLiteral("/Split - bytes.mp3"); }

    void prepare(Harness &h, int size = 20000, bool real = false)
    {
        m_bytes = patternBytes(size);
        m_source = m_dir.path() + QStringLiteral("/bytes.mp3");
        writeFile(m_source, m_bytes);
        QFile::remove(output());
        h.create(real);
        control<QRadioButton>(*h.window, "RadByte")->setChecked(true);
        h.select(m_source);
        control<QRadioButton>(*h.window, "RadDefault")->setChecked(true);
        h.ui.clear();
    }

private slots:
    void cleanup()
    {
        if (!m_source.isEmpty() && QFile::exists(m_source))
            QCOMPARE(readAll(m_source), m_bytes);
    }

    void labelsFollowTheBars()
    {
        ConfigHome home;
        Harness h;
        prepare(h);
        TFrmsplit &w = *h.window;
        control<QScrollBar>(w, "ScrollStart")->setValue(10);
        control<QScrollBar>(w, "ScrollEnd")->setValue(11);
        QCOMPARE(control<QLabel>(w, "LblByteStart")->text(), QStringLiteral("10"));
        QCOMPARE(control<QLabel>(w, "LblByteEnd")->text(), QStringLiteral("11"));
        QCOMPARE(control<QLabel>(w, "LblRealByte")->text(), QStringLiteral("1"));
        control<QScrollBar>(w, "ScrollStart")->setValue(11);
        QCOMPARE(control<QLabel>(w, "LblRealByte")->text(), QStringLiteral("0"));
        control<QScrollBar>(w, "ScrollStart")->setValue(500);
        QCOMPARE(control<QLabel>(w, "LblRealByte")->text(), QStringLiteral("0"));
    }

    void equalOrReversedRangeIsRefused()
    {
        ConfigHome home;
        Harness h;
        prepare(h);
        TFrmsplit &w = *h.window;
        control<QScrollBar>(w, "ScrollStart")->setValue(300);
        control<QScrollBar>(w, "ScrollEnd")->setValue(300);
        control<QPushButton>(w, "BitBtn1")->click();
        control<QScrollBar>(w, "ScrollEnd")->setValue(200);
        control<QPushButton>(w, "BitBtn1")->click();
        QCOMPARE(h.ui.texts(), (QStringList{kRefusal, kRefusal}));
        QVERIFY(!QFile::exists(output()));
    }

    void rangesWriteExactlyTheirBytes()
    {
        ConfigHome home;
        Harness h;
        prepare(h);
        TFrmsplit &w = *h.window;
        // Right after the selection: the whole file, wherever the thumbs stand.
        control<QPushButton>(w, "BitBtn1")->click();
        QCOMPARE(readAll(output()), m_bytes);
        control<QScrollBar>(w, "ScrollStart")->setValue(10);
        control<QScrollBar>(w, "ScrollEnd")->setValue(11);
        control<QPushButton>(w, "BitBtn1")->click();
        QCOMPARE(readAll(output()), m_bytes.mid(10, 1));
        control<QScrollBar>(w, "ScrollStart")->setValue(0);
        control<QScrollBar>(w, "ScrollEnd")->setValue(20000);
        control<QPushButton>(w, "BitBtn1")->click();
        QCOMPARE(readAll(output()), m_bytes);
        QCOMPARE(h.ui.textsOf(ScriptedInteraction::Kind::Error), QStringList());
    }

    void smallerSecondFileResetsTheLabels()
    {
        ConfigHome home;
        Harness h;
        prepare(h);
        TFrmsplit &w = *h.window;
        control<QScrollBar>(w, "ScrollStart")->setValue(15000);
        control<QScrollBar>(w, "ScrollEnd")->setValue(18000);
        const QString small = m_dir.path() + QStringLiteral("/small.mp3");
        writeFile(small, patternBytes(1000));
        h.select(small);
        QCOMPARE(control<QScrollBar>(w, "ScrollStart")->value(), 1000);
        QCOMPARE(control<QScrollBar>(w, "ScrollEnd")->value(), 1000);
        QCOMPARE(control<QLabel>(w, "LblByteStart")->text(), QStringLiteral("0"));
        QCOMPARE(control<QLabel>(w, "LblByteEnd")->text(), QStringLiteral("1000"));
        QCOMPARE(control<QLabel>(w, "LblRealByte")->text(), QStringLiteral("1000"));
    }

    void movingABarClosesThePreview()
    {
        ConfigHome home;
        Harness h;
        prepare(h);
        TFrmsplit &w = *h.window;
        control<QPushButton>(w, "BitBtn1")->click();
        control<QPushButton>(w, "CmdPmp3")->click();
        QCOMPARE(h.fake2().mode, int(MediaPlayer::Playing));
        control<QScrollBar>(w, "ScrollEnd")->setValue(100);
        QVERIFY(!h.fake2().open && w.values().PreviewClosed && !control<QTimer>(w, "Timer3")->isActive());
    }

    void everyChangeBeforeASelectionAsks()
    {
        ConfigHome home;
        Harness h;
        h.create();
        control<QRadioButton>(*h.window, "RadByte")->setChecked(true);
        control<QScrollBar>(*h.window, "ScrollStart")->setValue(1);
        control<QScrollBar>(*h.window, "ScrollStart")->setValue(2);
        control<QScrollBar>(*h.window, "ScrollEnd")->setValue(50);
        QCOMPARE(h.ui.texts().size(), 3);
        QVERIFY(control<QLabel>(*h.window, "LblByteStart")->text().isEmpty());
        QCOMPARE(control<QScrollBar>(*h.window, "ScrollStart")->value(), 2);
    }

    void largestSizeIsHandedOnWithoutLoss()
    {
        const auto r = *byterange::fromLabels(QStringLiteral("0"), QStringLiteral("2147483647"));
        QCOMPARE(byterange::pieceSize(r), 2147483647);
        const auto s = byterange::segmentOf(r);
        QVERIFY(s.has_value());
        QCOMPARE(s->start, 0);
        QCOMPARE(s->length, 2147483647);
        const auto last
            = byterange::segmentOf(*byterange::fromLabels(QStringLiteral("2147483646"), QStringLiteral("2147483647")));
        QCOMPARE(last->start, 2147483646);
        QCOMPARE(last->length, 1);
        QVERIFY(!byterange::segmentOf(*byterange::fromLabels(QStringLiteral("5"), QStringLiteral("5"))));
        QString error;
        QVERIFY(!byterange::fromLabels(QStringLiteral("5"), QStringLiteral("x"), &error));
        QCOMPARE(error, QStringLiteral("'x' is not a valid integer value"));
    }

    void wholeRoadWithMouseKeysAndTheRealPlayer()
    {
        ConfigHome home;
        Harness h;
        m_source = m_dir.path() + QStringLiteral("/bytes.mp3");
        QFile::remove(m_source);
        QFile::remove(output());
        QFile::copy(testData("cbr_44k_stereo_3000ms.mp3"), m_source);
        m_bytes = readAll(m_source);
        h.create(true);
        TFrmsplit &w = *h.window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        h.ui.openAnswers << m_source;
        QTest::mouseClick(control<QPushButton>(w, "Cmdselect"), Qt::LeftButton);
        QVERIFY(w.values().FileSelected);
        QTest::mouseClick(control<QRadioButton>(w, "RadByte"), Qt::LeftButton);
        QVERIFY(control<QFrame>(w, "PanListen")->isHidden() && !control<QFrame>(w, "PanByte")->isHidden());

        // Start bar: two arrow clicks, a trough click, then keys.
        QScrollBar *start = control<QScrollBar>(w, "ScrollStart");
        QTest::mouseClick(start, Qt::LeftButton, {}, scrollBarPart(start, QStyle::SC_ScrollBarAddLine).center());
        QTest::mouseClick(start, Qt::LeftButton, {}, scrollBarPart(start, QStyle::SC_ScrollBarAddLine).center());
        QCOMPARE(control<QLabel>(w, "LblByteStart")->text(), QStringLiteral("2"));
        QTest::mouseClick(start, Qt::LeftButton, {}, scrollBarPart(start, QStyle::SC_ScrollBarAddPage).center());
        QCOMPARE(control<QLabel>(w, "LblByteStart")->text(), QStringLiteral("102"));
        QVERIFY(start->hasFocus());
        QTest::keyClick(start, Qt::Key_Right);
        QTest::keyClick(start, Qt::Key_PageDown);
        QCOMPARE(control<QLabel>(w, "LblByteStart")->text(), QStringLiteral("203"));
        QTest::keyClick(start, Qt::Key_Left);
        QTest::keyClick(start, Qt::Key_PageUp);
        QCOMPARE(control<QLabel>(w, "LblByteStart")->text(), QStringLiteral("102"));

        // End bar: a drag down from its maximum, then keys to a known place.
        QScrollBar *end = control<QScrollBar>(w, "ScrollEnd");
        end->setFocus();
        QTest::keyClick(end, Qt::Key_End);
        const QPoint thumb = scrollBarPart(end, QStyle::SC_ScrollBarSlider).center();
        sendMouse(end, QEvent::MouseButtonPress, thumb, Qt::LeftButton);
        sendMouse(end, QEvent::MouseMove, thumb - QPoint(60, 0), Qt::LeftButton);
        const int dragged = end->value();
        QCOMPARE(control<QLabel>(w, "LblByteEnd")->text(), QString::number(dragged)); // follows during the drag
        sendMouse(end, QEvent::MouseButtonRelease, thumb - QPoint(60, 0), Qt::NoButton);
        QVERIFY(dragged < m_bytes.size() && dragged > 102);
        QTest::keyClick(end, Qt::Key_Home);
        for (int i = 0; i < 40; ++i)
            QTest::keyClick(end, Qt::Key_PageDown);
        QCOMPARE(control<QLabel>(w, "LblByteEnd")->text(), QStringLiteral("4000"));
        QCOMPARE(control<QLabel>(w, "LblRealByte")->text(), QStringLiteral("3898"));

        // Split, answering the hint and the save dialog.
        QTest::mouseClick(control<QRadioButton>(w, "RadAsk"), Qt::LeftButton);
        const QString chosen = m_dir.path() + QStringLiteral("/piece.mp3");
        h.ui.saveAnswers << chosen;
        QTest::mouseClick(control<QPushButton>(w, "BitBtn1"), Qt::LeftButton);
        QCOMPARE(h.ui.texts().size(), 2);
        QVERIFY(h.ui.texts().first().startsWith(QStringLiteral("Trial Hint:")));
        QCOMPARE(readAll(chosen), m_bytes.mid(102, 3898));
        QCOMPARE(control<QLabel>(w, "LblNewByte")->text(), QStringLiteral("3898"));

        // Play it for real, stop it, hand it to the default player.
        QTest::mouseClick(control<QPushButton>(w, "CmdPmp3"), Qt::LeftButton);
        QCOMPARE(h.player2->FileName(), chosen);
        // A piece cut at arbitrary bytes may or may not decode; a whole-file piece does.
        control<QScrollBar>(w, "ScrollStart")->setValue(0);
        control<QScrollBar>(w, "ScrollEnd")->setValue(m_bytes.size());
        h.ui.saveAnswers << chosen;
        QTest::mouseClick(control<QPushButton>(w, "BitBtn1"), Qt::LeftButton);
        QCOMPARE(readAll(chosen), m_bytes);
        h.ui.clear();
        QTest::mouseClick(control<QPushButton>(w, "CmdPmp3"), Qt::LeftButton);
        QVERIFY(h.ui.shown.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(h.player2->Position() > 100, 3000);
        QVERIFY(control<QTimer>(w, "Timer3")->isActive());
        QTest::mouseClick(control<QPushButton>(w, "CmdSPlay"), Qt::LeftButton);
        QVERIFY(!h.player2->isOpen() && w.values().PreviewClosed);
        QTest::mouseClick(control<QPushButton>(w, "CmdOmp3"), Qt::LeftButton);
        QCOMPARE(h.ui.opened.size(), 1);
        QCOMPARE(h.ui.opened.first().toLocalFile(), chosen);
    }
};

QTEST_MAIN(TestBytePanel)
#include "tst_bytepanel.moc"
