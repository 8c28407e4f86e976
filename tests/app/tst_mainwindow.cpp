#include "listening/ui/spinedit.h"
#include "settings/inistore.h"
#include "support/fakes.h"

#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QTest>
#include <QTimer>

namespace {

const QString kRequire = QStringLiteral(
    "You need to select an MP3 first before clicking anything else. Use the \"Select\" button at the very top to "
    "choose a file, then use the other buttons to play, fast forward, choose start and end points, etc. ");

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void firstRunStartUpState()
    {
        ConfigHome home;
        Harness h;
        h.create();
        TFrmsplit &w = *h.window;
        QCOMPARE(w.windowTitle(), QStringLiteral("MP3 Cleavo"));
        QCOMPARE(w.size(), QSize(502, 609));
        QVERIFY(w.RadListen->isChecked());
        QVERIFY(!w.RadByte->isChecked());
        QVERIFY(!w.PanListen->isHidden());
        QVERIFY(w.PanByte->isHidden());
        QVERIFY(!w.Image1->isHidden());
        QVERIFY(w.Image2->isHidden() && w.Image4->isHidden());
        QVERIFY(!w.Image2->pixmap().isNull());
        QVERIFY(w.LblFile->text().isEmpty() && w.Lblsize->text().isEmpty());
        QVERIFY(w.Lblliteral->isHidden());
        QVERIFY(!w.CmdSupport->isHidden());
        for (QPushButton *b : {w.CmdRewind, w.CmdForward, w.CmdStop, w.CmdPause, w.CmdPlay, w.CmdStart, w.CmdEnd})
            QVERIFY(b->isEnabled());
        for (QPushButton *b : {w.CmdPmp3, w.CmdOmp3, w.CmdSPlay})
            QVERIFY(!b->isEnabled());
        QVERIFY(w.RadAsk->isChecked());
        QVERIFY(!w.Timer2->isActive() && !w.Timer3->isActive());
        QVERIFY(h.ui.shown.isEmpty());

        // The stores of a first run.
        QCOMPARE(QSettings(home.askConf(), QSettings::IniFormat).value(QStringLiteral("Ask")).toInt(), 1);
        QCOMPARE(readAll(home.statsIni()).trimmed(), QByteArray("[Stat]\nNumber=0"));
        QVERIFY(!QFile::exists(home.sizeIni()));
        QCOMPARE(w.v.StatsIniPath, home.statsIni());
        QCOMPARE(w.findChild<QScrollBar *>(QStringLiteral("ScrollStart"))->maximum(), 100);
    }

    void sourceButtonsAskForASelectionFirst()
    {
        ConfigHome home;
        Harness h;
        h.create();
        TFrmsplit &w = *h.window;
        for (QPushButton *b : {w.CmdPlay, w.CmdPause, w.CmdRewind, w.CmdForward, w.CmdStart, w.CmdEnd}) {
            h.ui.clear();
            b->click();
            QCOMPARE(h.ui.texts(), QStringList{kRequire});
        }
        w.RadByte->setChecked(true);
        h.ui.clear();
        w.BitBtn1->click();
        QCOMPARE(h.ui.texts(), QStringList{kRequire});
        h.ui.clear();
        w.CmdStop->click();
        QVERIFY(h.ui.shown.isEmpty());
        QVERIFY(h.fake1().log.isEmpty());
    }

    void modeSwitchStopsTheOtherPlayer()
    {
        ConfigHome home;
        Harness h;
        h.create();
        TFrmsplit &w = *h.window;
        h.fake1().open = true;
        h.fake1().mode = MediaPlayer::Playing;
        w.RadByte->click();
        QVERIFY(!w.PanByte->isHidden() && w.PanListen->isHidden());
        QCOMPARE(h.fake1().mode, int(MediaPlayer::Stopped));

        // Back to listening closes a playing preview.
        h.fake2().open = true;
        h.fake2().mode = MediaPlayer::Playing;
        w.v.PreviewClosed = false;
        w.Timer3->start();
        w.RadListen->click();
        QVERIFY(w.PanByte->isHidden() && !w.PanListen->isHidden());
        QVERIFY(!h.fake2().open);
        QVERIFY(w.v.PreviewClosed);
        QVERIFY(!w.Timer3->isActive());
        // A click on the checked button runs nothing.
        h.fake2().log.clear();
        w.RadListen->click();
        QVERIFY(h.fake2().log.isEmpty());
    }

    void exitSavesAskAndSize()
    {
        ConfigHome home;
        {
            Harness h;
            h.create();
            h.window->RadDefault->setChecked(true);
            h.window->resize(600, 700);
            h.window->CmdCancel->click();
            QVERIFY(h.ui.shown.isEmpty());
        }
        QCOMPARE(QSettings(home.askConf(), QSettings::IniFormat).value(QStringLiteral("Ask")).toInt(), 0);
        QCOMPARE(ini::readString(home.sizeIni(), QStringLiteral("frmsplit"), QStringLiteral("W"), QString()),
                 QStringLiteral("600"));
        {
            Harness h;
            h.create();
            QVERIFY(h.window->RadDefault->isChecked());
            QCOMPARE(h.window->size(), QSize(600, 700));
            h.window->RadAsk->setChecked(true);
            h.window->close();
        }
        QCOMPARE(QSettings(home.askConf(), QSettings::IniFormat).value(QStringLiteral("Ask")).toInt(), 1);
        Harness h;
        h.create();
        QVERIFY(h.window->RadAsk->isChecked());
    }

    void onlyHeightStoredChangesOnlyHeight()
    {
        ConfigHome home;
        QDir().mkpath(home.folder());
        writeFile(home.sizeIni(), "[frmsplit]\nW=abc\nH=700\n");
        Harness h;
        h.create();
        QCOMPARE(h.window->size(), QSize(502, 700));
    }

    void aStoredSizeNoScreenCanShowIsBroughtOntoIt_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("negative width") << QByteArray("W=-5\nH=500\n") << QSize(136, 500);
        QTest::newRow("negative height") << QByteArray("W=400\nH=-1\n") << QSize(400, 39);
        QTest::newRow("huge") << QByteArray("W=100000\nH=100000\n") << QSize(); // the screen's area
    }
    void aStoredSizeNoScreenCanShowIsBroughtOntoIt()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QSize, expected);
        ConfigHome home;
        QDir().mkpath(home.folder());
        writeFile(home.sizeIni(), "[frmsplit]\n" + stored);
        Harness h;
        h.create();
        QCOMPARE(h.window->size(), expected.isValid() ? expected : h.window->screen()->availableGeometry().size());
        QCOMPARE(readAll(home.sizeIni()), "[frmsplit]\n" + stored); // until the close writes the real size
    }

    // Looks and keys: small thumbs, five digits in the step fields, Tab to the
    // checked choice of a group, Return presses a focused button.
    void looksAndKeys()
    {
        ConfigHome home;
        Harness h;
        h.create();
        TFrmsplit &w = *h.window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));

        // A click at 40 % of a bar lies in the trough right of a small thumb
        // (a thumb filling half the groove would take it as a drag).
        w.RadByte->setChecked(true);
        QTest::mouseClick(w.ScrollStart, Qt::LeftButton, {}, QPoint(w.ScrollStart->width() * 2 / 5, 6));
        QCOMPARE(w.ScrollStart->value(), 100);
        QCOMPARE(h.ui.texts(), QStringList{kRequire});

        w.SpinEdit1->setValue(35000);
        QVERIFY(w.SpinEdit1->lineEdit()->width() - 4
                >= w.SpinEdit1->fontMetrics().horizontalAdvance(QStringLiteral("35000")));
        QCOMPARE(w.SpinEdit1->width(), 49);

        // Tab reaches the checked "Ask" button first, and Shift+Tab leaves the group from it.
        w.RadListen->setFocus(Qt::TabFocusReason);
        for (int i = 0; i < 40 && QApplication::focusWidget()->parentWidget() != w.GroupBox2; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), w.RadAsk);
        QTest::keyClick(w.RadAsk, Qt::Key_Backtab);
        QVERIFY(QApplication::focusWidget()->parentWidget() != w.GroupBox2);

        // The focused bar shows a mark.
        w.ScrollEnd->clearFocus();
        const QImage plain = w.ScrollEnd->grab().toImage();
        w.ScrollEnd->setFocus(Qt::TabFocusReason);
        QVERIFY(w.ScrollEnd->grab().toImage() != plain);

        h.ui.clear();
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
            w.CmdPlay->setFocus(Qt::TabFocusReason);
            QTest::keyClick(w.CmdPlay, key);
        }
        QCOMPARE(h.ui.texts(), (QStringList{kRequire, kRequire}));
    }

    void unwritableStatisticsFileAtStartUp()
    {
        ConfigHome home;
        writeFile(home.folder(), "x"); // the program's folder is a regular file
        Harness h;
        h.create();
        TFrmsplit &w = *h.window;
        QCOMPARE(h.ui.textsOf(ScriptedInteraction::Kind::Error),
                 QStringList{QStringLiteral("Unable to write to %1.").arg(home.statsIni())});
        // The steps after the failing one did not run.
        QVERIFY(w.CmdSupport->isHidden());
        QVERIFY(w.Image2->pixmap().isNull());
    }

    void askOfTheWrongTypeAtStartUp()
    {
        ConfigHome home;
        QDir().mkpath(home.folder());
        writeFile(home.askConf(), "[General]\nAsk=many\n");
        Harness h;
        h.create();
        QCOMPARE(h.ui.textsOf(ScriptedInteraction::Kind::Error),
                 QStringList{QStringLiteral("Invalid data type for 'Ask'.")});
        QVERIFY(!h.window->RadAsk->isChecked() && !h.window->RadDefault->isChecked());
        QVERIFY(h.window->v.StatsIniPath.isEmpty());
    }

    void closeThatCannotSaveStillCloses()
    {
        ConfigHome home;
        Harness h;
        h.create();
        h.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(h.window.get()));
        QDir().mkpath(home.sizeIni()); // SG_2.ini is a folder now
        QVERIFY(h.window->close());
        QVERIFY(!h.window->isVisible());
        QCOMPARE(h.ui.textsOf(ScriptedInteraction::Kind::Error),
                 QStringList{QStringLiteral("Unable to write to %1.").arg(home.sizeIni())});
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
