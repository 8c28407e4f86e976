#include "core/ui/launcher.h"
#include "extras/pages.h"
#include "extras/ui/frmabout.h"
#include "support/fakes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

const QString kSupportAsk = QStringLiteral(
    "Please send your detailed question and we will gladly assist you. Please be sure to include detailed "
    "information so we can better understand and answer your question.");

} // namespace

class TestExtras : public QObject {
    Q_OBJECT

    QTemporaryDir m_pages;

private slots:
    void initTestCase()
    {
        writeFile(m_pages.path() + QStringLiteral("/help.html"), "<html>help</html>");
        writeFile(m_pages.path() + QStringLiteral("/download.html"), "<html>more</html>");
    }

    void helpAndMoreSoftwareOpenTheirPages()
    {
        ConfigHome home;
        Harness h;
        h.create(false, m_pages.path());
        control<QPushButton>(*h.window, "Button2")->click();
        control<QPushButton>(*h.window, "Button3")->click();
        QCOMPARE(h.ui.opened,
                 (QList<QUrl>{QUrl::fromLocalFile(m_pages.path() + QStringLiteral("/help.html")),
                              QUrl::fromLocalFile(m_pages.path() + QStringLiteral("/download.html"))}));
        QVERIFY(h.ui.shown.isEmpty());
    }

    void missingPageOrNoBrowserShowsTheInformation()
    {
        const QString kHelpFailed = QStringLiteral(
            "The help file could not be opened because your browser would not open. You can view this help file by "
            "opening your browser manually, and pointing it to %1.");
        ConfigHome home;
        QTemporaryDir empty;
        Harness h;
        h.create(false, empty.path());
        // Nothing beside the program: the page is looked for where it is installed.
        const QString found = h.window->pagePath(QStringLiteral("help.html"));
        if (found.startsWith(empty.path())) {
            control<QPushButton>(*h.window, "Button2")->click();
            QCOMPARE(h.ui.texts(), QStringList{kHelpFailed.arg(found)});
            QCOMPARE(h.ui.shown.first().type, DialogType::Information);
            QVERIFY(h.ui.opened.isEmpty());
        }
        Harness b;
        b.create(false, m_pages.path());
        b.ui.openResult = false;
        // The page is there but nothing opens it: the user is told where it is.
        control<QPushButton>(*b.window, "Button2")->click();
        QCOMPARE(b.ui.texts(), QStringList{kHelpFailed.arg(m_pages.path() + QStringLiteral("/help.html"))});
        b.ui.clear();
        control<QPushButton>(*b.window, "Button3")->click();
        QCOMPARE(b.ui.texts(),
                 QStringList{QStringLiteral(
                     "The help file could not be opened because your browser would not open. You can view this help "
                     "file by opening your browser manually, and pointing it to https://www.quillfen.example.")});
    }

    void supportStartsAMail()
    {
        ConfigHome home;
        Harness h;
        h.create();
        control<QPushButton>(*h.window, "CmdSupport")->click();
        QCOMPARE(h.ui.opened.size(), 1);
        QCOMPARE(h.ui.opened.first().scheme(), QStringLiteral("mailto"));
        QCOMPARE(h.ui.opened.first().toString(),
                 QStringLiteral("mailto:support@quillfen.example?Subject=Question about MP3 Cleavo"));
        QCOMPARE(h.ui.texts(), QStringList{kSupportAsk});
        h.ui.clear();
        h.ui.openResult = false;
        control<QPushButton>(*h.window, "CmdSupport")->click();
        QCOMPARE(h.ui.texts(),
                 (QStringList{QStringLiteral("You cannot view this file because you do not have a default email "
                                             "software setup. Please send your questions to support at "
                                             "support@quillfen.example"),
                              kSupportAsk}));
    }

    // The desktop's opener decides: a stub xdg-open on PATH that exits 0, exits
    // 3 ("no method available"), or runs on like a browser started in front.
    void theOpenersExitStatusDecides()
    {
        struct RealOpener : ScriptedInteraction {
            void openDocument(const QUrl &url, std::function<void(bool)> done) override
            {
                opened << url;
                launcher::openWithDefault(url, nullptr, std::move(done));
            }
        };
        QTemporaryDir bin;
        const QString stub = bin.path() + QStringLiteral("/xdg-open");
        const QString seen = bin.path() + QStringLiteral("/seen");
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()) + ':' + path);
        const auto opener = [&](const char *body) {
            writeFile(stub,
                      QByteArray("#!/bin/sh\nprintf '%s' \"$1\" > '") + QFile::encodeName(seen) + "'\n" + body + '\n');
            QFile::setPermissions(stub, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QFile::remove(seen);
        };
        const QString noMail
            = QStringLiteral("You cannot view this file because you do not have a default email software "
                             "setup. Please send your questions to support at support@quillfen.example");
        ConfigHome home;
        RealOpener real;
        TFrmsplit window(
            Services{&real, std::make_unique<FakePlayer>(), std::make_unique<FakePlayer>(), m_pages.path()});

        opener("exit 0");
        control<QPushButton>(window, "CmdSupport")->click();
        QTRY_COMPARE(real.texts(), QStringList{kSupportAsk});
        QCOMPARE(readAll(seen), QByteArray("mailto:support@quillfen.example?Subject=Question about MP3 Cleavo"));
        real.clear();
        control<QPushButton>(window, "Button2")->click();
        QTRY_VERIFY(QFile::exists(seen));
        QTest::qWait(200);
        QVERIFY(real.shown.isEmpty());

        opener("exit 3");
        control<QPushButton>(window, "CmdSupport")->click();
        QTRY_COMPARE(real.texts(), (QStringList{noMail, kSupportAsk}));
        real.clear();
        control<QPushButton>(window, "Button2")->click();
        QTRY_COMPARE(real.shown.size(), 1);
        QCOMPARE(real.shown.first().type, DialogType::Information);
        real.clear();

        // A browser or mail program that the opener runs in front never blocks the window.
        opener("sleep 4");
        QElapsedTimer clock;
        clock.start();
        control<QPushButton>(window, "CmdSupport")->click();
        QVERIFY(clock.elapsed() < 500);
        QVERIFY(real.shown.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(real.texts(), QStringList{kSupportAsk}, launcher::kGraceMs + 2000);
        QTest::qWait(4000 - int(clock.elapsed()) + 1000); // the opener ends before the test does
        qputenv("PATH", path);
    }

    void theFourButtonsNeverTouchThePlayers()
    {
        ConfigHome home;
        Harness h;
        h.create(false, m_pages.path());
        h.fake1().open = true;
        h.fake1().mode = MediaPlayer::Playing;
        h.fake2().open = true;
        h.fake2().mode = MediaPlayer::Playing;
        h.window->values().PreviewClosed = false;
        h.fake1().log.clear();
        h.fake2().log.clear();
        for (QPushButton *b :
             {control<QPushButton>(*h.window, "Button2"), control<QPushButton>(*h.window, "Button3"),
              control<QPushButton>(*h.window, "CmdSupport"), control<QPushButton>(*h.window, "CmdAbout")})
            b->click();
        QVERIFY(h.fake1().log.isEmpty() && h.fake2().log.isEmpty());
        QCOMPARE(h.fake1().mode, int(MediaPlayer::Playing));
        QVERIFY(!h.window->values().PreviewClosed);
        QVERIFY(!h.ui.texts().contains(QStringLiteral(
            "You need to select an MP3 first before clicking anything else. Use the \"Select\" button at the very "
            "top to choose a file, then use the other buttons to play, fast forward, choose start and end points, "
            "etc. ")));
    }

    void aboutIsAFreshModalWindowEachTime()
    {
        ConfigHome home;
        Harness h;
        h.create();
        QList<QDialog *> seen;
        h.ui.onModal = [&](QDialog &d) {
            seen << &d;
            QCOMPARE(d.objectName(), QStringLiteral("TFrmabout2"));
            QVERIFY(d.windowFlags() & Qt::FramelessWindowHint);
            QVERIFY(d.isModal());
            QCOMPARE(d.size(), QSize(559, 336));
            auto *box = d.findChild<QGroupBox *>(QStringLiteral("GroupBox2"));
            QVERIFY(box && box->title() == QStringLiteral("Disclaimer"));
            QVERIFY(
                d.findChild<QLabel *>(QStringLiteral("Label2"))->text().contains(QStringLiteral("implied.  Quillfen")));
            QVERIFY(d.findChild<QLabel *>(QStringLiteral("Label3"))->text().contains(QStringLiteral("reason.  The")));
            QVERIFY(d.findChild<QLabel *>(QStringLiteral("Label4"))->text().contains(QStringLiteral("terms.  If")));
            auto *ret = d.findChild<QPushButton *>(QStringLiteral("Button1"));
            QCOMPARE(ret->text(), QStringLiteral("Return"));
            QVERIFY(d.isVisible());
            ret->click();
            QVERIFY(!d.isVisible());
        };
        control<QPushButton>(*h.window, "CmdAbout")->click();
        control<QPushButton>(*h.window, "CmdAbout")->click();
        QCOMPARE(h.ui.modalCount, 2);
        QCOMPARE(seen.size(), 2);
        QVERIFY(h.window->findChildren<TFrmabout2 *>().isEmpty()); // destroyed after each showing
    }

    void pagesAreFoundBesideTheProgramFirst()
    {
        QCOMPARE(pages::locate(QStringLiteral("help.html"), m_pages.path()),
                 m_pages.path() + QStringLiteral("/help.html"));
    }
};

QTEST_MAIN(TestExtras)
#include "tst_extras.moc"
