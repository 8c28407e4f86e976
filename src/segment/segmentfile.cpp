#include "segment/segmentfile.h"

#include "core/errors.h"
#include "core/leftovers.h"
#include "core/platform.h"
#include "core/safefile.h"
#include "core/termination.h"
#include "core/trash.h"

#include <QFile>
#include <QFileInfo>

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

const char *const kSourceChangedText
    = "The MP3 you are splitting (%1) has changed since it was selected: it was cut short, replaced or written "
      "to. Nothing was written, and any earlier file of that name is as it was. Select the MP3 again to split "
      "it as it is now.";

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

bool writeFailed(CopyFailure *failure, const QString &destination, const QString &reason)
{
    return fail(failure, CopyFailure::Failed,
                QStringLiteral("The new MP3 could not be written to %1: %2. Nothing was changed: the original MP3 and "
                               "any earlier file of that name are as they were.")
                    .arg(destination, reason));
}

bool sourceChanged(CopyFailure *failure, const QString &source)
{
    return fail(failure, CopyFailure::SourceChanged, QString::fromLatin1(kSourceChangedText).arg(source));
}

// The source opened for reading, positioned at the first stretch it gives,
// before anything is created; its identity then.
bool openSource(QFile &in, const std::vector<Chunk> &chunks, const platform::FileIdentity *expected,
                platform::FileIdentity *opened, CopyFailure *failure)
{
    const auto firstRead = std::find_if(chunks.begin(), chunks.end(), [](const Chunk &c) { return c.bytes.isEmpty(); });
    const bool badOffset
        = std::any_of(chunks.begin(), chunks.end(), [](const Chunk &c) { return c.bytes.isEmpty() && c.offset < 0; });
    // A pipe or a device is never opened: reading it could block forever.
    const QFileInfo sourceInfo(in.fileName());
    if (badOffset || !sourceInfo.isFile() || !in.open(QIODevice::ReadOnly | QIODevice::Unbuffered)
        || (firstRead != chunks.end() && !in.seek(firstRead->offset)))
        return fail(failure, CopyFailure::SourceUnreadable, QString::fromLatin1(kSourceUnreadableText));
    const std::optional<platform::FileIdentity> now = platform::identityOf(in.handle());
    if (!now)
        return fail(failure, CopyFailure::SourceUnreadable, QString::fromLatin1(kSourceUnreadableText));
    if (expected && *now != *expected)
        return sourceChanged(failure, in.fileName());
    *opened = *now;
    return true;
}

// What may not be written at all: the source itself, a folder, a file this
// user may not write, a link (the file it names would be changed).
bool checkDestination(const QString &source, const QString &destination, CopyFailure *failure)
{
    if (platform::sameFile(source, destination)) {
        return fail(failure, CopyFailure::SameAsSource,
                    QStringLiteral("The new file would have the same name and location as the MP3 you "
                                   "are splitting (%1). The original MP3 is never altered, so nothing "
                                   "was written. Choose another name or location for the new file.")
                        .arg(destination));
    }
    const QFileInfo destInfo(destination);
    if (destInfo.isSymLink()) {
        return fail(failure, CopyFailure::Refused,
                    QStringLiteral("The new MP3 would be written through a link: %1 is a link to %2. Nothing was "
                                   "written, and the file it links to is as it was. Remove the link, or choose "
                                   "another name for the new file.")
                        .arg(destination, destInfo.symLinkTarget()));
    }
    const auto cannotCreate = [&](const QString &reason) {
        return fail(failure, CopyFailure::CannotCreate,
                    QStringLiteral("Cannot create file \"%1\". %2").arg(destination, reason));
    };
    if (destInfo.exists() && destInfo.isDir())
        return cannotCreate(QStringLiteral("Is a directory"));
    if (destInfo.exists() && !destInfo.isWritable())
        return cannotCreate(QStringLiteral("Permission denied"));
    return true;
}

// The copy's running state: one buffer, the bytes written, who watches.
struct Copy {
    QFile &in;
    QFileDevice &out;
    int64_t sourceSize; // when it was opened
    CopyProgress *progress;
    CopyFailure *failure;
    const QString &destination;
    std::array<char, kBlockSize> buffer{};
    int64_t total = 0;

    [[nodiscard]] bool cancelled() const { return progress && progress->cancel.load(); }
    void counted() const
    {
        if (progress)
            progress->written.store(total);
    }
};

bool copyBytes(Copy &c, const QByteArray &bytes)
{
    QString reason;
    if (!safefile::writeAll(c.out, bytes.constData(), bytes.size(), &reason))
        return writeFailed(c.failure, c.destination, reason);
    c.total += bytes.size();
    c.counted();
    return true;
}

// The stretch of the source, block by block: as much of it as the source
// had when it was opened, or it changed meanwhile.
bool copyStretch(Copy &c, const Chunk &chunk, bool positioned)
{
    if (!positioned && !c.in.seek(chunk.offset))
        return writeFailed(c.failure, c.destination, c.in.errorString());
    const int64_t there = std::clamp<int64_t>(c.sourceSize - chunk.offset, 0, std::max<int64_t>(chunk.length, 0));
    QString reason;
    for (int64_t copied = 0; copied < chunk.length;) {
        const qint64 n = c.in.read(c.buffer.data(), std::min<int64_t>(kBlockSize, chunk.length - copied));
        if (n < 0)
            return writeFailed(c.failure, c.destination, c.in.errorString());
        if (n == 0) {
            if (copied < there)
                return sourceChanged(c.failure, c.in.fileName());
            break;
        }
        if (!safefile::writeAll(c.out, c.buffer.data(), n, &reason))
            return writeFailed(c.failure, c.destination, reason);
        if (termination::requested())
            return writeFailed(c.failure, c.destination, QStringLiteral("Interrupted"));
        copied += n;
        c.total += n;
        c.counted();
        if (c.cancelled())
            return fail(c.failure, CopyFailure::Cancelled, QString::fromLatin1(kCancelledText));
    }
    return true;
}

// The whole new file takes its name; the file it replaces goes to the trash
// first, where it can be restored. Where the disk has no trash it is
// replaced as it always was; where a trash refuses it, nothing is replaced.
bool putInPlace(safefile::PendingFile &out, const QString &destination, CopyFailure *failure)
{
    trash::Trashed trashed;
    bool inTrash = false;
    QString reason;
    if (QFileInfo(destination).isFile() && !QFileInfo(destination).isSymLink()) {
        switch (trash::moveToTrash(destination, &trashed, &reason)) {
        case trash::Outcome::Moved: inTrash = true; break;
        case trash::Outcome::NoTrash:
            diagnose(QStringLiteral("%1 is replaced without a copy in the trash: %2").arg(destination, reason));
            break;
        case trash::Outcome::Refused:
            return writeFailed(
                failure, destination,
                QStringLiteral("the earlier file of that name cannot be moved to the trash (%1)").arg(reason));
        }
    }
    if (!out.commit(&reason)) {
        if (inTrash && !trash::restore(trashed, destination))
            diagnose(QStringLiteral("the earlier %1 stays in the trash as %2").arg(destination, trashed.file));
        return writeFailed(failure, destination, reason);
    }
    return true;
}

} // namespace

bool copyByteRange(const QString &source, const QString &destination, int32_t start, int64_t length,
                   CopyProgress *progress, CopyFailure *failure, const platform::FileIdentity *expected)
{
    return copyChunks(source, destination, {Chunk{start, length, {}}}, progress, failure, expected);
}

bool copyChunks(const QString &source, const QString &destination, const std::vector<Chunk> &chunks,
                CopyProgress *progress, CopyFailure *failure, const platform::FileIdentity *expected)
{
    QFile in(source);
    platform::FileIdentity opened;
    if (!openSource(in, chunks, expected, &opened, failure) || !checkDestination(source, destination, failure))
        return false;
    // Declared before the file: a signal that ends the program during the
    // copy takes effect once the unfinished file has been removed.
    const termination::WriteInProgress writing;
    // What killed runs left unfinished here goes first.
    leftovers::removeFrom(destination);
    safefile::PendingFile out(destination);
    QString reason;
    if (!out.open(&reason))
        return fail(failure, CopyFailure::CannotCreate,
                    QStringLiteral("Cannot create file \"%1\". %2").arg(destination, reason));
    if (!safefile::keepPermissions(out.device(), destination, &reason))
        return writeFailed(failure, destination, reason);

    Copy copy{in, out.device(), opened.size, progress, failure, destination};
    bool positioned = true; // at the first stretch of the source
    for (const Chunk &chunk : chunks) {
        const bool ok = chunk.bytes.isEmpty() ? copyStretch(copy, chunk, positioned) : copyBytes(copy, chunk.bytes);
        if (!ok)
            return false;
        positioned = positioned && !chunk.bytes.isEmpty();
    }
    if (!safefile::syncData(out.device(), &reason))
        return writeFailed(failure, destination, reason);
    // A logout during the last block or the sync: the earlier file stays.
    if (termination::requested())
        return writeFailed(failure, destination, QStringLiteral("Interrupted"));
    if (copy.cancelled())
        return fail(failure, CopyFailure::Cancelled, QString::fromLatin1(kCancelledText));
    // A source cut short, replaced in place or written to meanwhile.
    if (platform::identityOf(in.handle()) != std::optional(opened))
        return sourceChanged(failure, source);
    return putInPlace(out, destination, failure);
}

} // namespace segment
