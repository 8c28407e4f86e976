#include "core/errors.h"
#include "listening/mpgplayer.h"
#include "support/fakes.h"

#include <QTest>

// With no audio device to open, the player plays silently, and says so to
// whoever runs the program: one line, through the program's diagnostics.
class TestSilentOutput : public QObject {
    Q_OBJECT
private slots:
    void noDeviceMeansSilenceThatIsTold()
    {
        // Before the audio output's first use in this process.
        qputenv("SDL_AUDIODRIVER", "no-such-driver");
        QStringList told;
        setDiagnosticSink([&told](const QString &line) { told << line; });
        const auto player = createAudioPlayer();
        player->setFileName(testData("cbr_44k_stereo_3000ms.mp3"));
        QString error;
        QVERIFY2(player->Open(&error), qPrintable(error));
        QVERIFY(told.isEmpty()); // choosing a file does not look for the device
        QVERIFY2(player->Play(&error), qPrintable(error));
        QTRY_VERIFY(player->Position() > 0);
        QVERIFY(player->Stop());
        setDiagnosticSink({});
        QCOMPARE(told.size(), 1);
        QVERIFY2(told.first().startsWith(QStringLiteral("no audio device could be opened ("))
                     && told.first().endsWith(QStringLiteral("); playing silently")),
                 qPrintable(told.first()));
    }
};

QTEST_GUILESS_MAIN(TestSilentOutput)
#include "tst_silentoutput.moc"
