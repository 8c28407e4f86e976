// The media player's Open, and a seek and position reading, on arbitrary bytes.
#include "core/mediaplayer.h"
#include "listening/mpgplayer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/cleavo-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/cleavo-fuzz-XXXXXX"));
    static std::unique_ptr<MediaPlayer> player = createAudioPlayer();
    const QString path = dir.path() + QStringLiteral("/input.mp3");
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        f.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size));
    }
    player->setFileName(path);
    QString error;
    if (!player->Open(&error)) {
        if (player->isOpen() || player->Mode() != MediaPlayer::NotReady || error.isEmpty())
            std::abort();
        return 0;
    }
    const int length = player->Length().value_or(-1);
    if (length <= 0 || player->Mode() != MediaPlayer::Stopped)
        std::abort();
    if (!player->setPosition(length / 2) || (player->Position() != length / 2 && length > 1))
        std::abort();
    if (!player->setPosition(length + 1) || !player->Close()) // the first changes nothing
        std::abort();
    return 0;
}
