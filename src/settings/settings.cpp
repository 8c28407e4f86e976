#include "settings/settings.h"

#include "core/errors.h"
#include "core/intconv.h"
#include "core/platform.h"
#include "settings/inistore.h"

#include <QDir>
#include <QFileDevice>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>

namespace settings {

const char *const kFormSection = "frmsplit";

namespace {

const QString kStat = QStringLiteral("Stat");
const QString kNumber = QStringLiteral("Number");
const QString kHistory = QStringLiteral("History");
const QString kLastDir = QStringLiteral("Last Dir");
const QString kAsk = QStringLiteral("Ask");

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

bool writeConf(QIODevice &device, const QSettings::SettingsMap &map)
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
    QByteArray text;
    for (auto it = groups.cbegin(); it != groups.cend(); ++it)
        text += (text.isEmpty() ? "[" : "\n[") + it.key().toUtf8() + "]\n" + it.value();
    if (device.write(text) != text.size())
        return false;
    auto *file = qobject_cast<QFileDevice *>(&device);
    return !file || file->flush();
}

QSettings::Format confFormat()
{
    static const QSettings::Format format = QSettings::registerFormat(QStringLiteral("conf"), readConf, writeConf);
    return format;
}

// The "Software\Quillfen\Cleavo" key of the design. Returns false when it
// cannot be opened with full access: the file or, for a new file, its folder
// may not be written.
bool openAskStore(std::unique_ptr<QSettings> &out)
{
#ifdef Q_OS_WIN
    out = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                      QStringLiteral("Quillfen"), QStringLiteral("Cleavo"));
#else
    const QString root = platform::settingsRoot();
    const QString folder = root + QStringLiteral("/Quillfen");
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir())
        return false;
    const QFileInfo file(folder + QStringLiteral("/Cleavo.conf"));
    if (file.exists() ? !(file.isFile() && file.isWritable()) : !QFileInfo(folder).isWritable())
        return false;
    QSettings::setPath(confFormat(), QSettings::UserScope, root);
    out = std::make_unique<QSettings>(confFormat(), QSettings::UserScope, QStringLiteral("Quillfen"),
                                      QStringLiteral("Cleavo"));
    // A file that may be written in a folder that may not: written in place.
    out->setAtomicSyncRequired(false);
#endif
    return out->status() != QSettings::AccessError;
}

void writeAsk(QSettings &store, bool ask)
{
    store.setValue(kAsk, ask ? 1 : 0);
    store.sync();
    if (store.status() == QSettings::AccessError)
        throw AppError(QStringLiteral("Failed to set data for 'Ask'"));
}

} // namespace

QSize RestoredSize(int32_t storedWidth, int32_t storedHeight, QSize own, QSize available)
{
    constexpr int kLeastWidth = 136, kLeastHeight = 39;
    int w = storedWidth != 0 ? storedWidth : own.width();
    int h = storedHeight != 0 ? storedHeight : own.height();
    if (available.isValid()) {
        w = std::min(w, available.width());
        h = std::min(h, available.height());
    }
    return {std::max(w, kLeastWidth), std::max(h, kLeastHeight)};
}

int32_t ReadFormWidth(const QString &section, const QString &path)
{
    return readFormValue(section, QStringLiteral("W"), path);
}

int32_t ReadFormHeight(const QString &section, const QString &path)
{
    return readFormValue(section, QStringLiteral("H"), path);
}

void SaveFormSize(int width, int height, const QString &section, const QString &path)
{
    ini::writeString(path, section, QStringLiteral("W"), QString::number(width));
    ini::writeString(path, section, QStringLiteral("H"), QString::number(height));
}

void ReadSplitCount(const QString &statsPath, int64_t &SplitCount)
{
    SplitCount = 0;
    if (statsPath.isEmpty())
        return;
    const QString text = ini::readString(statsPath, kStat, kNumber, QStringLiteral(" "));
    SplitCount = static_cast<int64_t>(strictInt(text));
}

void AddToSplitCount(const QString &statsPath, int64_t &SplitCount, int32_t n)
{
    ReadSplitCount(statsPath, SplitCount);
    if (statsPath.isEmpty())
        return;
    const uint32_t low = static_cast<uint32_t>(static_cast<uint64_t>(SplitCount));
    const int32_t sum = static_cast<int32_t>(low + static_cast<uint32_t>(n));
    ini::writeString(statsPath, kStat, kNumber, QString::number(sum));
}

void CreateStatsFileIfMissing(const QString &statsPath)
{
    if (!QFileInfo::exists(statsPath))
        ini::writeString(statsPath, kStat, kNumber, QStringLiteral("0"));
}

QString ReadLastDir(const QString &statsPath)
{
    return ini::readString(statsPath, kHistory, kLastDir, QString());
}

void WriteLastDir(const QString &statsPath, const QString &folder)
{
    // A folder whose name holds a line break cannot be kept in a line of the
    // file: the folder remembered before stays.
    if (statsPath.isEmpty() || folder.contains(QLatin1Char('\n')) || folder.contains(QLatin1Char('\r')))
        return;
    ini::writeString(statsPath, kHistory, kLastDir, folder);
}

bool LoadAskFlag()
{
    std::unique_ptr<QSettings> store;
    if (!openAskStore(store))
        return true;
    // Text that is no settings file at all holds no whole number either.
    if (store->status() == QSettings::FormatError)
        throw AppError(QStringLiteral("Invalid data type for 'Ask'"));
    if (!store->contains(kAsk)) {
        writeAsk(*store, true);
        return true;
    }
    const QVariant raw = store->value(kAsk);
    bool ok = false;
    const qlonglong value = raw.toString().trimmed().toLongLong(&ok);
    if (!ok)
        throw AppError(QStringLiteral("Invalid data type for 'Ask'"));
    return value != 0;
}

void SaveAskFlag(bool ask)
{
    std::unique_ptr<QSettings> store;
    if (!openAskStore(store))
        return;
    writeAsk(*store, ask);
}

} // namespace settings
