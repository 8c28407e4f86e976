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
        QVERIFY(control<QRadioButton>(w, "RadListen")->isChecked());
        QVERIFY(!control<QRadioButton>(w, "RadByte")->isChecked());
        QVERIFY(!control<QFrame>(w, "PanListen")->isHidden());
        QVERIFY(control<QFrame>(w, "PanByte")->isHidden());
        QVERIFY(!control<QLabel>(w, "Image1")->isHidden());
        QVERIFY(control<QLabel>(w, "Image2")->isHidden() && control<QLabel>(w, "Image4")->isHidden());
        QVERIFY(!control<QLabel>(w, "Image2")->pixmap().isNull());
        QVERIFY(control<QLabel>(w, "LblFile")->text().isEmpty() && control<QLabel>(w, "Lblsize")->text().isEmpty());
        QVERIFY(control<QLabel>(w, "Lblliteral")->isHidden());
        QVERIFY(!control<QPushButton>(w, "CmdSupport")->isHidden());
        for (QPushButton *b : {control<QPushButton>(w, "CmdRewind"), control<QPushButton>(w, "CmdForward"),
                               control<QPushButton>(w, "CmdStop"), control<QPushButton>(w, "CmdPause"),
                               control<QPushButton>(w, "CmdPlay"), control<QPushButton>(w, "CmdStart"),
                               control<QPushButton>(w, "CmdEnd")})
            QVERIFY(b->isEnabled());
        for (QPushButton *b : {control<QPushButton>(w, "CmdPmp3"), control<QPushButton>(w, "CmdOmp3"),
                               control<QPushButton>(w, "CmdSPlay")})
            QVERIFY(!b->isEnabled());
        QVERIFY(control<QRadioButton>(w, "RadAsk")->isChecked());
        QVERIFY(!control<QTimer>(w, "Timer2")->isActive() && !control<QTimer>(w, "Timer3")->isActive());
        QVERIFY(h.ui.shown.isEmpty());

        // The stores of a first run.
        QCOMPARE(QSettings(home.askConf(), QSettings::IniFormat).value(QStringLiteral("Ask")).toInt(), 1);
        QCOMPARE(readAll(home.statsIni()).trimmed(), QByteArray("[Stat]\nNumber=0"));
        QVERIFY(!QFile::exists(home.sizeIni()));
        QCOMPARE(w.values().StatsIniPath, home.statsIni());
        QCOMPARE(w.findChild<QScrollBar *>(QStringLiteral("ScrollStart"))->maximum(), 100);
    }

    void sourceButtonsAskForASelectionFirst()
    {
        ConfigHome home;
        Harness h;
        h.create();
        TFrmsplit &w = *h.window;
        for (QPushButton *b : {control<QPushButton>(w, "CmdPlay"), control<QPushButton>(w, "CmdPause"),
                               control<QPushButton>(w, "CmdRewind"), control<QPushButton>(w, "CmdForward"),
                               control<QPushButton>(w, "CmdStart"), control<QPushButton>(w, "CmdEnd")}) {
            h.ui.clear();
            b->click();
            QCOMPARE(h.ui.texts(), QStringList{kRequire});
        }
        control<QRadioButton>(w, "RadByte")->setChecked(true);
        h.ui.clear();
        control<QPushButton>(w, "BitBtn1")->click();
        QCOMPARE(h.ui.texts(), QStringList{kRequire});
        h.ui.clear();
        control<QPushButton>(w, "CmdStop")->click();
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
        control<QRadioButton>(w, "RadByte")->click();
        QVERIFY(!control<QFrame>(w, "PanByte")->isHidden() && control<QFrame>(w, "PanListen")->isHidden());
        QCOMPARE(h.fake1().mode, int(MediaPlayer::Stopped));

        // Back to listening closes a playing preview.
        h.fake2().open = true;
        h.fake2().mode = MediaPlayer::Playing;
        w.values().PreviewClosed = false;
        control<QTimer>(w, "Timer3")->start();
        control<QRadioButton>(w, "RadListen")->click();
        QVERIFY(control<QFrame>(w, "PanByte")->isHidden() && !control<QFrame>(w, "PanListen")->isHidden());
        QVERIFY(!h.fake2().open);
        QVERIFY(w.values().PreviewClosed);
        QVERIFY(!control<QTimer>(w, "Timer3")->isActive());
        // A click on the checked button runs nothing.
        h.fake2().log.clear();
        control<QRadioButton>(w, "RadListen")->click();
        QVERIFY(h.fake2().log.isEmpty());
    }

    void exitSavesAskAndSize()
    {
        ConfigHome home;
        {
            Harness h;
            h.create();
            control<QRadioButton>(*h.window, "RadDefault")->setChecked(true);
            h.window->resize(600, 700);
            control<QPushButton>(*h.window, "CmdCancel")->click();
            QVERIFY(h.ui.shown.isEmpty());
        }
        QCOMPARE(QSettings(home.askConf(), QSettings::IniFormat).value(QStringLiteral("Ask")).toInt(), 0);
        QCOMPARE(ini::readString(home.sizeIni(), QStringLiteral("frmsplit"), QStringLiteral("W"), QString()),
                 QStringLiteral("600"));
        {
            Harness h;
            h.create();
            QVERIFY(control<QRadioButton>(*h.window, "RadDefault")->isChecked());
            QCOMPARE(h.window->size(), QSize(600, 700));
            control<QRadioButton>(*h.window, "RadAsk")->setChecked(true);
            h.window->close();
        }
        QCOMPARE(QSettings(home.askConf(), QSettings::IniFormat).value(QStringLiteral("Ask")).toInt(), 1);
        Harness h;
        h.create();
        QVERIFY(control<QRadioButton>(*h.window, "RadAsk")->isChecked());
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
        control<QRadioButton>(w, "RadByte")->setChecked(true);
        QTest::mouseClick(control<QScrollBar>(w, "ScrollStart"), Qt::LeftButton, {},
                          QPoint(control<QScrollBar>(w, "ScrollStart")->width() * 2 / 5, 6));
        QCOMPARE(control<QScrollBar>(w, "ScrollStart")->value(), 100);
        QCOMPARE(h.ui.texts(), QStringList{kRequire});

        control<SpinEdit>(w, "SpinEdit1")->setValue(35000);
        QVERIFY(control<SpinEdit>(w, "SpinEdit1")->lineEdit()->width() - 4
                >= control<SpinEdit>(w, "SpinEdit1")->fontMetrics().horizontalAdvance(QStringLiteral("35000")));
        QCOMPARE(control<SpinEdit>(w, "SpinEdit1")->width(), 49);

        // Tab reaches the checked "Ask" button first, and Shift+Tab leaves the group from it.
        control<QRadioButton>(w, "RadListen")->setFocus(Qt::TabFocusReason);
        for (int i = 0; i < 40 && QApplication::focusWidget()->parentWidget() != control<QGroupBox>(w, "GroupBox2");
             ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), control<QRadioButton>(w, "RadAsk"));
        QTest::keyClick(control<QRadioButton>(w, "RadAsk"), Qt::Key_Backtab);
        QVERIFY(QApplication::focusWidget()->parentWidget() != control<QGroupBox>(w, "GroupBox2"));

        // The focused bar shows a mark.
        control<QScrollBar>(w, "ScrollEnd")->clearFocus();
        const QImage plain = control<QScrollBar>(w, "ScrollEnd")->grab().toImage();
        control<QScrollBar>(w, "ScrollEnd")->setFocus(Qt::TabFocusReason);
        QVERIFY(control<QScrollBar>(w, "ScrollEnd")->grab().toImage() != plain);

        h.ui.clear();
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
            control<QPushButton>(w, "CmdPlay")->setFocus(Qt::TabFocusReason);
            QTest::keyClick(control<QPushButton>(w, "CmdPlay"), key);
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
        QVERIFY(control<QPushButton>(w, "CmdSupport")->isHidden());
        QVERIFY(control<QLabel>(w, "Image2")->pixmap().isNull());
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
        QVERIFY(!control<QRadioButton>(*h.window, "RadAsk")->isChecked()
                && !control<QRadioButton>(*h.window, "RadDefault")->isChecked());
        QVERIFY(h.window->values().StatsIniPath.isEmpty());
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
