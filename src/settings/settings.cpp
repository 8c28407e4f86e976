#include "settings/settings.h"

#include "core/errors.h"
#include "core/intconv.h"
#include "core/platform.h"
#include "core/safefile.h"
#include "settings/inistore.h"

#include <QDir>
#include <QFileDevice>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>

namespace settings {

const char *const kFormSection = "frmsplit";

namespace {

const QString kStat = QStringLiteral("Stat");
const QString kNumber = QStringLiteral("Number");
const QString kHistory = QStringLiteral("History");
const QString kLastDir = QStringLiteral("Last Dir");
const QString kAsk = QStringLiteral("Ask");
const QString kExact = QStringLiteral("Exact");

int32_t readFormValue(const QString &section, const QString &key, const QString &path)
{
    return lenientInt(ini::readString(path, section, key, QString()), 0);
}

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

// Opens the store. Returns false when it cannot be opened with full access:
// the file or, for a new file, its folder may not be written.
bool openAskStore(std::unique_ptr<QSettings> &out)
{
#ifdef Q_OS_WIN
    out = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quillfen"),
                                      QStringLiteral("Cleavo"));
#else
    const QString folder = askFolder();
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir())
        return false;
    const QFileInfo file(askPath());
    if (file.exists() ? !(file.isFile() && file.isWritable()) : !QFileInfo(folder).isWritable())
        return false;
    QSettings::setPath(confFormat(), QSettings::UserScope, platform::settingsRoot());
    out = std::make_unique<QSettings>(confFormat(), QSettings::UserScope, QStringLiteral("Quillfen"),
                                      QStringLiteral("Cleavo"));
#endif
    return out->status() != QSettings::AccessError;
}

#ifndef Q_OS_WIN
// A lock that no living writer holds (left by a crashed run, or by another
// host sharing this home folder) is taken away, waiting at most a second.
void clearStaleLock()
{
    QLockFile lock(askPath() + QStringLiteral(".lock"));
    lock.setStaleLockTime(std::chrono::milliseconds(500));
    if (lock.tryLock(std::chrono::milliseconds(900)))
        lock.unlock();
}
#endif

bool writeFlag(QSettings &store, const QString &key, bool on, QString *error)
{
    const auto failed = [error, &key](const QString &why) {
        const QString failure = QStringLiteral("Failed to set data for '%1'").arg(key);
        diagnose(QStringLiteral("%1: %2").arg(failure, why));
        if (error)
            *error = failure;
        return false;
    };
#ifndef Q_OS_WIN
    clearStaleLock();
    if (!QFileInfo(askFolder()).isWritable()) {
        // A file that may be written in a folder that may not: written in
        // place, with its old bytes kept should the write be refused.
        QSettings::SettingsMap map;
        for (const QString &key : store.allKeys())
            map.insert(key, store.value(key));
        map.insert(key, on ? 1 : 0);
        QByteArray text;
        if (!confText(map, text))
            return failed(QStringLiteral("its values cannot be written as text"));
        QString reason;
        if (!safefile::writeInPlace(askPath(), text, &reason))
            return failed(reason);
        return true;
    }
#endif
    store.setValue(key, on ? 1 : 0);
    confWriteFailure.clear();
    store.sync();
    if (store.status() == QSettings::AccessError)
        return failed(confWriteFailure.isEmpty() ? QStringLiteral("%1 cannot be written").arg(store.fileName())
                                                 : confWriteFailure);
    return true;
}

} // namespace

int32_t ReadFormWidth(const QString &section, const QString &path)
{
    return readFormValue(section, QStringLiteral("W"), path);
}

int32_t ReadFormHeight(const QString &section, const QString &path)
{
    return readFormValue(section, QStringLiteral("H"), path);
}

bool SaveFormSize(int width, int height, const QString &section, const QString &path, QString *error)
{
    return ini::writeString(path, section, QStringLiteral("W"), QString::number(width), error)
        && ini::writeString(path, section, QStringLiteral("H"), QString::number(height), error);
}

bool ReadSplitCount(const QString &statsPath, int64_t &SplitCount, QString *error)
{
    SplitCount = 0;
    if (statsPath.isEmpty())
        return true;
    const QString text = ini::readString(statsPath, kStat, kNumber, QStringLiteral(" "));
    const std::optional<int32_t> count = strictInt(text, error);
    if (!count)
        return false;
    SplitCount = static_cast<int64_t>(*count);
    return true;
}

bool AddToSplitCount(const QString &statsPath, int64_t &SplitCount, int32_t n, QString *error)
{
    if (!ReadSplitCount(statsPath, SplitCount, error))
        return false;
    if (statsPath.isEmpty())
        return true;
    const uint32_t low = static_cast<uint32_t>(static_cast<uint64_t>(SplitCount));
    const int32_t sum = static_cast<int32_t>(low + static_cast<uint32_t>(n));
    return ini::writeString(statsPath, kStat, kNumber, QString::number(sum), error);
}

bool CreateStatsFileIfMissing(const QString &statsPath, QString *error)
{
    if (QFileInfo::exists(statsPath))
        return true;
    return ini::writeString(statsPath, kStat, kNumber, QStringLiteral("0"), error);
}

QString ReadLastDir(const QString &statsPath)
{
    return ini::readString(statsPath, kHistory, kLastDir, QString());
}

bool WriteLastDir(const QString &statsPath, const QString &folder, QString *error)
{
    // A folder whose name holds a line break cannot be kept in a line of the
    // file: the folder remembered before stays.
    if (statsPath.isEmpty() || folder.contains(QLatin1Char('\n')) || folder.contains(QLatin1Char('\r')))
        return true;
    return ini::writeString(statsPath, kHistory, kLastDir, folder, error);
}

std::optional<bool> LoadAskFlag(QString *error)
{
    const auto invalid = [error]() -> std::optional<bool> {
        if (error)
            *error = QStringLiteral("Invalid data type for 'Ask'");
        return std::nullopt;
    };
    std::unique_ptr<QSettings> store;
    if (!openAskStore(store))
        return true;
    // Text that is no settings file at all holds no whole number either.
    if (store->status() == QSettings::FormatError)
        return invalid();
    if (!store->contains(kAsk)) {
        if (!writeFlag(*store, kAsk, true, error))
            return std::nullopt;
        return true;
    }
    const QVariant raw = store->value(kAsk);
    bool ok = false;
    const qlonglong value = raw.toString().trimmed().toLongLong(&ok);
    if (!ok)
        return invalid();
    return value != 0;
}

bool SaveAskFlag(bool ask, QString *error)
{
    std::unique_ptr<QSettings> store;
    if (!openAskStore(store))
        return true;
    return writeFlag(*store, kAsk, ask, error);
}

bool LoadExactFlag()
{
    std::unique_ptr<QSettings> store;
    if (!openAskStore(store) || store->status() != QSettings::NoError)
        return false;
    bool ok = false;
    const qlonglong value = store->value(kExact).toString().trimmed().toLongLong(&ok);
    return ok && value != 0;
}

bool SaveExactFlag(bool exact, QString *error)
{
    std::unique_ptr<QSettings> store;
    if (!openAskStore(store))
        return true;
    return writeFlag(*store, kExact, exact, error);
}

} // namespace settings
