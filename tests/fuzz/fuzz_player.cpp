// The media player's Open, a seek and position reading, and the plan of a
// cut at exact marks, on arbitrary bytes.
#include "core/mediaplayer.h"
#include "listening/exactcut.h"
#include "listening/mpgplayer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
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
    // What opens can be planned as a piece, or is refused with a reason; a
    // plan stays within the file and says its size.
    const auto plan
        = exactcut::plan(path, sourceMap(path).get(), length / 3, std::max(length / 3 + 1, length * 2 / 3), &error);
    if (plan) {
        int64_t bytes = 0;
        for (const segment::Chunk &c : plan->chunks) {
            if (c.bytes.isEmpty() && (c.offset < 0 || c.length < 0 || c.offset + c.length > int64_t(size)))
                std::abort();
            bytes += c.bytes.isEmpty() ? c.length : c.bytes.size();
        }
        if (bytes != plan->bytes || plan->samples <= 0)
            std::abort();
    } else if (error.isEmpty()) {
        std::abort();
    }
    return 0;
}
