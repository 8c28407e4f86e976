#include "core/mediaplayer.h"

#include "core/errors.h"

const char *const kNoDeviceOpen = "No MCI device open";

void MediaPlayer::requireOpen() const
{
    if (!isOpen())
        throw PlayerError(QString::fromLatin1(kNoDeviceOpen));
}
