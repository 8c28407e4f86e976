// The store of the "Ask" and "Exact" values on Linux and other POSIX
// systems: a small INI file (Cleavo.conf) beside the other settings files.

#include "settings/askstore.h"

#include "core/platform.h"
#include "core/safefile.h"

#include <QDir>
#include <QFileDevice>
#include <QFileInfo>
#include <QLockFile>

namespace settings::askstore {

namespace {

// The "Ask" store is a small INI file read and written through QSettings in a
// format of its own, so that a refused write is noticed: the native writer
// flushes its buffer only inside commit(), where a failure goes unnoticed and
// an empty file replaces the old one.
bool readConf(QIODevice &device, QSettings::SettingsMap &map)
{
    const QByteArray data = device.readAll();
    if (data.contains('\0'))
        return false;
    QString group;
    for (const QByteArray &raw : data.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
            continue;
        if (line.startsWith('[')) {
            if (!line.endsWith(']'))
                return false;
            group = QString::fromUtf8(line.mid(1, line.size() - 2).trimmed());
            if (group.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0)
                group.clear();
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0)
            return false;
        const QString key = QString::fromUtf8(line.left(eq).trimmed());
        const QString name = group.isEmpty() ? key : group + QLatin1Char('/') + key;
        if (!map.contains(name))
            map.insert(name, QString::fromUtf8(line.mid(eq + 1).trimmed()));
    }
    return true;
}

// The text of the store: [General] first, then any other group, one key a line.
bool confText(const QSettings::SettingsMap &map, QByteArray &text)
{
    QMap<QString, QByteArray> groups;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const qsizetype slash = it.key().lastIndexOf(QLatin1Char('/'));
        const QString group = slash < 0 ? QStringLiteral("General") : it.key().left(slash);
        const QByteArray value = it.value().toString().toUtf8();
        if (value.contains('\n') || value.contains('\r'))
            return false;
        groups[group] += it.key().mid(slash + 1).toUtf8() + '=' + value + '\n';
    }
    text.clear();
    for (auto it = groups.cbegin(); it != groups.cend(); ++it)
        text += (text.isEmpty() ? "[" : "\n[") + it.key().toUtf8() + "]\n" + it.value();
    return true;
}

// Why the last write of the store failed, where the system said: QSettings
// itself only tells that it did.
thread_local QString confWriteFailure;

bool writeConf(QIODevice &device, const QSettings::SettingsMap &map)
{
    QByteArray text;
    if (!confText(map, text)) {
        confWriteFailure = QStringLiteral("its values cannot be written as text");
        return false;
    }
    if (device.write(text) != text.size()) {
        confWriteFailure = device.errorString();
        return false;
    }
    // Synced before the store commits it: a late refusal keeps the old file.
    auto *file = qobject_cast<QFileDevice *>(&device);
    return !file || safefile::syncData(*file, &confWriteFailure);
}

QSettings::Format confFormat()
{
    static const QSettings::Format format = QSettings::registerFormat(QStringLiteral("conf"), readConf, writeConf);
    return format;
}

// The folder of the store that takes the place of the "Software\Quillfen\Cleavo"
// key the program has always used.
QString askFolder()
{
    return platform::settingsRoot() + QStringLiteral("/Quillfen");
}

QString askPath()
{
    return askFolder() + QStringLiteral("/Cleavo.conf");
}

// A lock that no living writer holds (left by a crashed run, or by another
// host sharing this home folder) is taken away, waiting at most a second.
void clearStaleLock()
{
    QLockFile lock(askPath() + QStringLiteral(".lock"));
    lock.setStaleLockTime(std::chrono::milliseconds(500));
    if (lock.tryLock(std::chrono::milliseconds(900)))
        lock.unlock();
}

} // namespace

bool open(std::unique_ptr<QSettings> &out)
{
    const QString folder = askFolder();
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir())
        return false;
    const QFileInfo file(askPath());
    if (file.exists() ? !(file.isFile() && file.isWritable()) : !QFileInfo(folder).isWritable())
        return false;
    QSettings::setPath(confFormat(), QSettings::UserScope, platform::settingsRoot());
    out = std::make_unique<QSettings>(confFormat(), QSettings::UserScope, QStringLiteral("Quillfen"),
                                      QStringLiteral("Cleavo"));
    return out->status() != QSettings::AccessError;
}

bool write(QSettings &store, const QString &key, int value, QString *why)
{
    clearStaleLock();
    if (!QFileInfo(askFolder()).isWritable()) {
        // A file that may be written in a folder that may not: written in
        // place, with its old bytes kept should the write be refused.
        QSettings::SettingsMap map;
        for (const QString &name : store.allKeys())
            map.insert(name, store.value(name));
        map.insert(key, value);
        QByteArray text;
        if (!confText(map, text)) {
            *why = QStringLiteral("its values cannot be written as text");
            return false;
        }
        return safefile::writeInPlace(askPath(), text, why);
    }
    store.setValue(key, value);
    confWriteFailure.clear();
    store.sync();
    if (store.status() != QSettings::AccessError)
        return true;
    *why = confWriteFailure.isEmpty() ? QStringLiteral("%1 cannot be written").arg(store.fileName()) : confWriteFailure;
    return false;
}

} // namespace settings::askstore
