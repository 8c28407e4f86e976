#include "segment/segmentfile.h"

#include "core/errors.h"
#include "core/leftovers.h"
#include "core/platform.h"
#include "core/safefile.h"
#include "core/termination.h"
#include "core/trash.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <array>

namespace segment {

const char *const kNamePrefix = "Split - ";

const char *const kSourceUnreadableText
    = "The file cannot be read, it may be set to read only or have access blocked. Click the "
      "\"Select A File To Split\" button again, simply right click on the icon of the file to be "
      "split and go into Properties. At the bottom ensure that \"Read Only\" box is not selected.  "
      "If it is checked, click to remove the check, then click on \"Apply\", then you will be able "
      "to split the file.";

const char *const kCancelledText
    = "The new MP3 was cancelled, so nothing was written: the original MP3 and any earlier file of that name are "
      "as they were.";

PathParts splitPath(const QString &path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (platform::isPathSeparator(path[i]))
            return {path.left(i + 1), path.mid(i + 1)};
    }
    return {QString(), path};
}

QString defaultOutputName(const QString &source)
{
    const PathParts parts = splitPath(source);
    return parts.dir + QLatin1String(kNamePrefix) + parts.name;
}

QString withMp3Extension(const QString &name)
{
    QString extension;
    for (qsizetype i = name.size() - 1; i >= 0; --i) {
        if (platform::isPathSeparator(name[i]))
            break;
        if (name[i] == QLatin1Char('.')) {
            extension = name.mid(i);
            break;
        }
    }
    QString upper;
    for (QChar c : extension)
        upper += (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ? QChar(c.unicode() - 32) : c;
    if (upper == QLatin1String(".MP3"))
        return name;
    return name + QStringLiteral(".mp3");
}

int64_t GetFileSize64(const QString &path)
{
    if (path.isEmpty())
        return -1;
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        return -1;
    return info.size();
}

namespace {

// Sets *failure (when asked for) and gives the copy's false.
bool fail(CopyFailure *failure, CopyFailure::Kind kind, const QString &text)
{
    if (failure)
        *failure = {kind, text};
    return false;
}

} // namespace

bool copyByteRange(const QString &source, const QString &destination, int32_t start, int64_t length,
                   CopyProgress *progress, CopyFailure *failure)
{
    return copyChunks(source, destination, {Chunk{start, length, {}}}, progress, failure);
}

bool copyChunks(const QString &source, const QString &destination, const std::vector<Chunk> &chunks,
                CopyProgress *progress, CopyFailure *failure)
{
    const auto cancelled = [progress] {
        return progress && progress->cancel.load();
    };
    const auto stopped = [failure] {
        return fail(failure, CopyFailure::Cancelled, QString::fromLatin1(kCancelledText));
    };
    const auto failed = [failure](const QString &destination, const QString &reason) {
        return fail(failure, CopyFailure::Failed,
                    QStringLiteral("The new MP3 could not be written to %1: %2. Nothing was changed: the "
                                   "original MP3 and any earlier file of that name are as they were.")
                        .arg(destination, reason));
    };
    // The source is positioned at the first stretch it gives before anything is created.
    const auto firstRead = std::find_if(chunks.begin(), chunks.end(), [](const Chunk &c) { return c.bytes.isEmpty(); });
    const bool badOffset
        = std::any_of(chunks.begin(), chunks.end(), [](const Chunk &c) { return c.bytes.isEmpty() && c.offset < 0; });
    // A pipe or a device is never opened: reading it could block forever.
    const QFileInfo sourceInfo(source);
    QFile in(source);
    if (badOffset || !sourceInfo.isFile() || !in.open(QIODevice::ReadOnly | QIODevice::Unbuffered)
        || (firstRead != chunks.end() && !in.seek(firstRead->offset)))
        return fail(failure, CopyFailure::SourceUnreadable, QString::fromLatin1(kSourceUnreadableText));

    if (platform::sameFile(source, destination)) {
        return fail(failure, CopyFailure::SameAsSource,
                    QStringLiteral("The new file would have the same name and location as the MP3 you "
                                   "are splitting (%1). The original MP3 is never altered, so nothing "
                                   "was written. Choose another name or location for the new file.")
                        .arg(destination));
    }

    const QFileInfo destInfo(destination);
    const auto cannotCreate = [&](const QString &reason) {
        return fail(failure, CopyFailure::CannotCreate,
                    QStringLiteral("Cannot create file \"%1\". %2").arg(destination, reason));
    };
    if (destInfo.exists() && destInfo.isDir())
        return cannotCreate(QStringLiteral("Is a directory"));
    if (destInfo.exists() && !destInfo.isWritable())
        return cannotCreate(QStringLiteral("Permission denied"));
    // Declared before the file: a signal that ends the program during the
    // copy takes effect once the unfinished file has been removed.
    const termination::WriteInProgress writing;
    // What killed runs left unfinished here goes first.
    leftovers::removeFrom(destination);
    QSaveFile out(destination);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return cannotCreate(out.errorString());
    leftovers::mark(out, destination);
    QString reason;
    if (!safefile::keepPermissions(out, destination, &reason))
        return failed(destination, reason);

    std::array<char, kBlockSize> buffer;
    int64_t total = 0;
    for (const Chunk &chunk : chunks) {
        if (!chunk.bytes.isEmpty()) {
            if (!safefile::writeAll(out, chunk.bytes.constData(), chunk.bytes.size(), &reason))
                return failed(destination, reason);
            total += chunk.bytes.size();
            if (progress)
                progress->written.store(total);
            continue;
        }
        if (&chunk != &*firstRead && !in.seek(chunk.offset))
            return failed(destination, in.errorString());
        int64_t copied = 0;
        int64_t remaining = chunk.length;
        bool exhausted = false;
        while (remaining >= kBlockSize) {
            const qint64 n = in.read(buffer.data(), kBlockSize);
            if (n < 0)
                return failed(destination, in.errorString());
            if (n == 0) {
                exhausted = true;
                break;
            }
            if (!safefile::writeAll(out, buffer.data(), n, &reason))
                return failed(destination, reason);
            if (termination::requested())
                return failed(destination, QStringLiteral("Interrupted"));
            copied += n;
            if (progress)
                progress->written.store(total + copied);
            if (cancelled())
                return stopped();
            remaining = chunk.length - copied;
        }
        if (!exhausted && remaining > 0) {
            const qint64 n = in.read(buffer.data(), remaining);
            if (n < 0)
                return failed(destination, in.errorString());
            if (n > 0 && !safefile::writeAll(out, buffer.data(), n, &reason))
                return failed(destination, reason);
            copied += std::max<qint64>(n, 0);
        }
        total += copied;
    }
    if (!safefile::syncData(out, &reason))
        return failed(destination, reason);
    // A logout during the last block or the sync: the earlier file stays.
    if (termination::requested())
        return failed(destination, QStringLiteral("Interrupted"));
    if (cancelled())
        return stopped();
    // The file it replaces goes to the trash first, where it can be restored;
    // where no trash takes it, it is replaced as it always was.
    trash::Trashed trashed;
    bool inTrash = false;
    if (QFileInfo(destination).isFile() && !QFileInfo(destination).isSymLink()) {
        inTrash = trash::moveToTrash(destination, &trashed, &reason);
        if (!inTrash)
            diagnose(QStringLiteral("%1 is replaced without a copy in the trash: %2").arg(destination, reason));
    }
    if (!out.commit()) {
        const QString why = out.errorString();
        if (inTrash && !trash::restore(trashed, destination))
            diagnose(QStringLiteral("the earlier %1 stays in the trash as %2").arg(destination, trashed.file));
        return failed(destination, why);
    }
    leftovers::unmark(destination);
    return true;
}

} // namespace segment
