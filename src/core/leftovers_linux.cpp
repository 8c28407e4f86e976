// Linux: the mark is an extended attribute in the user namespace. Where the
// filesystem keeps none (FAT, some network shares), nothing is marked, and
// nothing is removed there.
#include "core/leftovers.h"

#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QFileInfo>
#include <QRegularExpression>

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>

namespace leftovers {

namespace {

constexpr const char *kAttribute = "user.cleavo.unfinished";

QByteArray firstLine(const char *path)
{
    QFile file(QString::fromLatin1(path));
    return file.open(QIODevice::ReadOnly) ? file.readLine().trimmed() : QByteArray();
}

// This boot's identity: a process number means a process only within a boot.
QByteArray bootId()
{
    return firstLine("/proc/sys/kernel/random/boot_id");
}

// This computer's identity: its machine id, else its name.
QByteArray hostId()
{
    QByteArray id = firstLine("/etc/machine-id");
    if (id.isEmpty()) {
        char name[256]{};
        if (::gethostname(name, sizeof name - 1) == 0)
            id = QByteArray(name);
    }
    // The mark's fields are parted by blanks and the host by a slash.
    return id.replace(' ', '_').replace('/', '_');
}

// "<host>/<boot> <process> <final name>": who writes the file, and what it
// becomes. A mark without "<host>/" was written before the host was named.
QByteArray markFor(const QString &destination)
{
    return hostId() + '/' + bootId() + ' ' + QByteArray::number(::getpid()) + ' '
        + QFile::encodeName(QFileInfo(destination).fileName());
}

// Whether the run that wrote a file with this mark, named name, has ended.
bool writerEnded(const QByteArray &mark, const QString &name)
{
    const qsizetype first = mark.indexOf(' ');
    const qsizetype second = first < 0 ? -1 : mark.indexOf(' ', first + 1);
    if (second < 0)
        return false;
    QByteArray boot = mark.left(first);
    bool ok = false;
    const qint64 pid = mark.mid(first + 1, second - first - 1).toLongLong(&ok);
    const QString finalName = QFile::decodeName(mark.mid(second + 1));
    const QString stem = unfinishedStem(finalName);
    // The name must be the final name (or its shortened stem) and six letters or digits after it.
    static const QRegularExpression suffix(QStringLiteral("^\\.[A-Za-z0-9]{6}$"));
    if (!ok || pid <= 0 || boot.isEmpty() || !name.startsWith(stem) || !suffix.match(name.mid(stem.size())).hasMatch())
        return false;
    if (const qsizetype slash = boot.indexOf('/'); slash >= 0) {
        // Another computer's file: whether its writer runs is not known here.
        if (boot.left(slash) != hostId())
            return false;
        boot = boot.mid(slash + 1);
    }
    if (boot != bootId())
        return true;
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

} // namespace

void mark(QFileDevice &out, const QString &destination)
{
    const QByteArray value = markFor(destination);
    if (out.handle() >= 0)
        ::fsetxattr(out.handle(), kAttribute, value.constData(), static_cast<size_t>(value.size()), 0);
}

void unmark(const QString &destination)
{
    // Where the name is a link (a settings file kept elsewhere), the file it
    // names is the one that was written.
    ::removexattr(QFile::encodeName(destination).constData(), kAttribute);
}

int removeFrom(const QString &destination)
{
    const QDir folder = QFileInfo(destination).absoluteDir();
    const QStringList names
        = folder.entryList({QStringLiteral("*.??????")}, QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    int removed = 0;
    for (const QString &name : names) {
        const QByteArray path = QFile::encodeName(folder.filePath(name));
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid())
            continue;
        std::array<char, 4096> value{};
        const ssize_t n = ::lgetxattr(path.constData(), kAttribute, value.data(), value.size());
        if (n <= 0 || !writerEnded(QByteArray(value.data(), n), name))
            continue;
        if (::unlink(path.constData()) == 0)
            ++removed;
    }
    return removed;
}

} // namespace leftovers
