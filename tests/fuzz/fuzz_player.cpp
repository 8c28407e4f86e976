// The media player's Open, and a seek and position reading, on arbitrary bytes.
#include "core/errors.h"
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
    try {
        player->Open();
    } catch (const PlayerError &) {
        if (player->isOpen() || player->Mode() != MediaPlayer::NotReady)
            std::abort();
        return 0;
    }
    const int length = player->Length();
    if (length <= 0 || player->Mode() != MediaPlayer::Stopped)
        std::abort();
    player->setPosition(length / 2);
    if (player->Position() != length / 2 && length > 1)
        std::abort();
    player->setPosition(length + 1); // changes nothing
    player->Close();
    return 0;
}
