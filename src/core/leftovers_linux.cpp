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

// This boot's identity: a process number means a process only within a boot.
QByteArray bootId()
{
    QFile file(QStringLiteral("/proc/sys/kernel/random/boot_id"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray();
}

// "<boot> <process> <final name>": who writes the file, and what it becomes.
QByteArray markFor(const QString &destination)
{
    return bootId() + ' ' + QByteArray::number(::getpid()) + ' ' + QFile::encodeName(QFileInfo(destination).fileName());
}

// Whether the run that wrote a file with this mark, named name, has ended.
bool writerEnded(const QByteArray &mark, const QString &name)
{
    const qsizetype first = mark.indexOf(' ');
    const qsizetype second = first < 0 ? -1 : mark.indexOf(' ', first + 1);
    if (second < 0)
        return false;
    const QByteArray boot = mark.left(first);
    bool ok = false;
    const qint64 pid = mark.mid(first + 1, second - first - 1).toLongLong(&ok);
    const QString finalName = QFile::decodeName(mark.mid(second + 1));
    // The name must be the final name and six letters or digits after it.
    static const QRegularExpression suffix(QStringLiteral("^\\.[A-Za-z0-9]{6}$"));
    if (!ok || pid <= 0 || boot.isEmpty() || !name.startsWith(finalName)
        || !suffix.match(name.mid(finalName.size())).hasMatch())
        return false;
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
    ::lremovexattr(QFile::encodeName(destination).constData(), kAttribute);
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
