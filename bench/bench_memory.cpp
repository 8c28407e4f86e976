// Peak resident memory of the main window with its two players after
// choosing an hour-long MP3, as the program runs it; with --exact, cut at the
// exact marks, the waveform strip drawn.
//   bench_memory FILE [--exact]

#include "app/frmsplit.h"
#include "benchutil.h"
#include "core/mediaplayer.h"
#include "core/ui/interaction.h"
#include "listening/mpgplayer.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QTimer>

#include <cstdio>

namespace {

// Answers the open dialog with one file; every other modal interaction is silent.
class OneFile : public Interaction {
public:
    explicit OneFile(QString file) : m_file(std::move(file)) {}
    void messageBox(const QString &text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    void messageDialog(DialogType, const QString &text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    void errorReport(const QString &text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    std::optional<QString> openFileName(const QString &) override { return m_file; }
    std::optional<QString> saveFileName(const QString &, const QString &) override { return std::nullopt; }
    void openDocument(const QUrl &, std::function<void(bool)> done) override { done(false); }
    void runModal(QDialog &) override {}

private:
    QString m_file;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    OneFile ui(QString::fromLocal8Bit(argv[1]));
    Services services;
    services.ui = &ui;
    services.player1 = createAudioPlayer();
    services.player2 = createAudioPlayer();
    TFrmsplit window(std::move(services));
    window.show();
    if (argc > 2 && QByteArray(argv[2]) == "--exact")
        window.findChild<QCheckBox *>(QStringLiteral("ChkExact"))->click();
    QTimer::singleShot(200, &window, [&] {
        window.CmdselectClick();
        window.CmdPlayClick();
    });
    QTimer::singleShot(1500, &app, [&] {
        std::printf("%.2f\n", bench::peakRssMiB());
        app.quit();
    });
    return app.exec();
}
