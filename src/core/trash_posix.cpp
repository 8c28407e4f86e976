#include "core/trash.h"

#include "core/errors.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trash {

namespace {

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The home's data folder, as the desktop finds it.
QByteArray dataHome()
{
    QByteArray set = qgetenv("XDG_DATA_HOME");
    if (!set.isEmpty() && set.startsWith('/'))
        return set;
    return QFile::encodeName(QDir::homePath()) + "/.local/share";
}

// The device of the nearest folder that exists on the way to path.
dev_t deviceOf(QByteArray path)
{
    struct stat st {};
    while (!path.isEmpty()) {
        if (::stat(path.constData(), &st) == 0)
            return st.st_dev;
        const qsizetype slash = path.lastIndexOf('/');
        path = slash > 0 ? path.left(slash) : QByteArray("/");
        if (path == "/")
            break;
    }
    return ::stat("/", &st) == 0 ? st.st_dev : 0;
}

// Makes folder (and those above it) where missing, for this user only.
bool makeFolder(const QByteArray &folder)
{
    struct stat st {};
    if (::lstat(folder.constData(), &st) == 0) {
        errno = ENOTDIR;
        return S_ISDIR(st.st_mode);
    }
    const qsizetype slash = folder.lastIndexOf('/');
    if (slash > 0 && !makeFolder(folder.left(slash)))
        return false;
    return ::mkdir(folder.constData(), 0700) == 0 || errno == EEXIST;
}

// The top folder of the mount that holds folder (whose device is device).
QByteArray mountTop(QByteArray folder, dev_t device)
{
    struct stat st {};
    while (folder != "/") {
        const qsizetype slash = folder.lastIndexOf('/');
        const QByteArray parent = slash > 0 ? folder.left(slash) : QByteArray("/");
        if (::stat(parent.constData(), &st) != 0 || st.st_dev != device)
            return folder;
        folder = parent;
    }
    return folder;
}

// A folder the trash may use: a real folder (no link), owned by this user.
bool ownFolder(const QByteArray &folder)
{
    struct stat st {};
    return ::lstat(folder.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

struct Place {
    QByteArray root;     // the trash folder, holding files/ and info/
    QByteArray relative; // the top folder that Path= is relative to; empty: absolute
};

Outcome refused(QString *reason, const QString &text)
{
    failed(reason, text);
    return Outcome::Refused;
}

// A trash that could not be made: none can be, where the disk takes no new
// folder there at all (read-only, not this user's to write); else (a full
// disk) the trash refuses.
Outcome notMade(QString *reason, const QString &text, int error)
{
    failed(reason, QStringLiteral("%1: %2").arg(text, systemReason(error)));
    return error == EROFS || error == EACCES || error == EPERM || error == ENOTSUP ? Outcome::NoTrash
                                                                                   : Outcome::Refused;
}

// The trash for a file on device, under the mount top where it is not the
// home's: Moved where there is one to use.
Outcome placeFor(const QByteArray &folder, dev_t device, Place *place, QString *reason)
{
    const QByteArray home = dataHome() + "/Trash";
    if (deviceOf(home) == device) {
        if (!makeFolder(home + "/files") || !makeFolder(home + "/info"))
            return notMade(reason, QStringLiteral("the home trash cannot be made"), errno);
        *place = {home, {}};
        return Outcome::Moved;
    }
    const QByteArray top = mountTop(folder, device);
    const QByteArray uid = QByteArray::number(static_cast<qulonglong>(::getuid()));
    const QByteArray base = top == "/" ? QByteArray() : top;
    // An administrator's .Trash: a real folder with the sticky bit.
    struct stat st {};
    const QByteArray shared = base + "/.Trash";
    if (::lstat(shared.constData(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
        const QByteArray mine = shared + "/" + uid;
        if (makeFolder(mine + "/files") && makeFolder(mine + "/info") && ownFolder(mine)) {
            *place = {mine, top};
            return Outcome::Moved;
        }
    }
    const QByteArray own = base + "/.Trash-" + uid;
    const bool made = ::mkdir(own.constData(), 0700) == 0;
    if (!made && errno != EEXIST)
        return notMade(reason, QStringLiteral("this disk has no trash, and none can be made"), errno);
    if (!ownFolder(own))
        return refused(reason,
                       QStringLiteral("the trash folder %1 is not this user's own").arg(QFile::decodeName(own)));
    if (!makeFolder(own + "/files") || !makeFolder(own + "/info")) {
        const int error = errno;
        // A trash this disk cannot hold leaves nothing of it behind.
        if (made) {
            ::rmdir((own + "/files").constData());
            ::rmdir((own + "/info").constData());
            ::rmdir(own.constData());
        }
        return notMade(reason, QStringLiteral("the trash folder %1 cannot be used").arg(QFile::decodeName(own)), error);
    }
    *place = {own, top};
    return Outcome::Moved;
}

// The name a file takes in the trash: its own, unless its info file's name
// would be longer than the folder takes; then as much of it as fits, cut at a
// whole character, with room left for a number.
QByteArray entryName(const QByteArray &name, const QByteArray &infoFolder)
{
    const long longest = ::pathconf(infoFolder.constData(), _PC_NAME_MAX);
    const qsizetype room = (longest > 0 ? longest : 255) - qsizetype(sizeof ".trashinfo" - 1) - 5;
    if (name.size() + qsizetype(sizeof ".trashinfo" - 1) <= (longest > 0 ? longest : 255))
        return name;
    qsizetype cut = std::max<qsizetype>(1, room);
    while (cut > 1 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
        --cut;
    return name.left(cut);
}

// Writes the info file, new and whole, or nothing.
bool writeInfo(const QByteArray &info, const QByteArray &content, int *error)
{
    const int fd = ::open(info.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        *error = errno;
        return false;
    }
    const char *p = content.constData();
    qsizetype left = content.size();
    bool good = true;
    while (good && left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR)
            continue;
        good = n > 0;
        if (good) {
            p += n;
            left -= n;
        } else {
            *error = n < 0 ? errno : ENOSPC;
        }
    }
    if (good && ::fsync(fd) != 0) {
        *error = errno;
        good = false;
    }
    if (::close(fd) != 0 && good) {
        *error = errno;
        good = false;
    }
    if (!good)
        ::unlink(info.constData());
    return good;
}

} // namespace

QByteArray encodedPath(const QByteArray &path)
{
    return path.toPercentEncoding("/");
}

Outcome moveToTrash(const QString &path, Trashed *trashed, QString *reason)
{
    QByteArray file = QFile::encodeName(QDir::cleanPath(QDir(path).absolutePath()));
    struct stat st {};
    if (::lstat(file.constData(), &st) != 0)
        return refused(reason, systemReason(errno));
    if (!S_ISREG(st.st_mode))
        return refused(reason, QStringLiteral("it is not a plain file"));
    const qsizetype slash = file.lastIndexOf('/');
    const QByteArray name = file.mid(slash + 1);
    // The folder where it really lies: a link on the way (a music folder
    // kept on another disk) must not choose the trash.
    char *real = ::realpath(slash > 0 ? file.left(slash).constData() : "/", nullptr);
    if (!real)
        return refused(reason, systemReason(errno));
    const QByteArray folder(real);
    std::free(real);
    file = (folder == "/" ? QByteArray() : folder) + "/" + name;
    Place place;
    if (const Outcome found = placeFor(folder, st.st_dev, &place, reason); found != Outcome::Moved)
        return found;
    struct stat trashStat {};
    if (::stat((place.root + "/files").constData(), &trashStat) != 0 || trashStat.st_dev != st.st_dev)
        return refused(reason, QStringLiteral("the trash is on another disk"));

    QByteArray shown = file;
    if (!place.relative.isEmpty() && place.relative != "/" && file.startsWith(place.relative + "/"))
        shown = file.mid(place.relative.size() + 1);
    const QByteArray content = "[Trash Info]\nPath=" + encodedPath(shown) + "\nDeletionDate="
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")).toLatin1() + "\n";
    const QByteArray base = entryName(name, place.root + "/info");
    // A name of its own in the trash: the file's, or the file's with a number.
    for (int n = 1; n < 10000; ++n) {
        const QByteArray entry = n == 1 ? base : base + "." + QByteArray::number(n);
        const QByteArray info = place.root + "/info/" + entry + ".trashinfo";
        const QByteArray target = place.root + "/files/" + entry;
        int error = 0;
        if (::lstat(target.constData(), &trashStat) == 0)
            continue;
        if (!writeInfo(info, content, &error)) {
            if (error == EEXIST)
                continue;
            return refused(reason,
                           QStringLiteral("the trash's information cannot be written: %1").arg(systemReason(error)));
        }
        if (::rename(file.constData(), target.constData()) != 0) {
            error = errno;
            ::unlink(info.constData());
            return refused(reason, QStringLiteral("the trash refuses it: %1").arg(systemReason(error)));
        }
        if (trashed)
            *trashed = {QFile::decodeName(target), QFile::decodeName(info)};
        return Outcome::Moved;
    }
    return refused(reason, QStringLiteral("the trash holds too many files of that name"));
}

bool restore(const Trashed &trashed, const QString &path)
{
    const QByteArray to = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(to.constData(), &st) == 0)
        return false;
    if (::rename(QFile::encodeName(trashed.file).constData(), to.constData()) != 0)
        return false;
    ::unlink(QFile::encodeName(trashed.info).constData());
    return true;
}

} // namespace trash
