#include "core/mediaplayer.h"

const char *const kNoDeviceOpen = "No MCI device open";

bool MediaPlayer::requireOpen(QString *error) const
{
    if (isOpen())
        return true;
    if (error)
        *error = QString::fromLatin1(kNoDeviceOpen);
    return false;
}
