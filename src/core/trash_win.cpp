// Windows has a recycle bin of its own, not the freedesktop.org trash. This
// half is not built or tested on the Linux machines the program is made on:
// there, a replaced file is replaced as it always was.

#include "core/trash.h"

namespace trash {

Outcome moveToTrash(const QString & /*path*/, Trashed * /*trashed*/, QString *reason)
{
    if (reason)
        *reason = QStringLiteral("no trash is used on this system");
    return Outcome::NoTrash;
}

bool restore(const Trashed & /*trashed*/, const QString & /*path*/)
{
    return false;
}

QByteArray encodedPath(const QByteArray &path)
{
    return path;
}

} // namespace trash
