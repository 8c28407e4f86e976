#include "settings/settings.h"

#include "app/errors.h"
#include "settings/inistore.h"
#include "settings/intconv.h"
#include "settings/platform.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

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

// The "Software\Quillfen\Cleavo" key of the design: a QSettings store in the
// user's scope. Returns false when the store cannot be opened or created.
bool openAskStore(std::unique_ptr<QSettings> &out)
{
#ifndef Q_OS_WIN
    const QString root = platform::settingsRoot();
    const QString folder = root + QStringLiteral("/Quillfen");
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir())
        return false;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, root);
#endif
    out = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                      QStringLiteral("Quillfen"), QStringLiteral("Cleavo"));
    return out->status() != QSettings::AccessError;
}

void writeAsk(QSettings &store, bool ask)
{
    store.setValue(kAsk, ask ? 1 : 0);
    store.sync();
    if (store.status() != QSettings::NoError)
        throw AppError(QStringLiteral("Failed to set data for 'Ask'"));
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
    if (statsPath.isEmpty())
        return;
    ini::writeString(statsPath, kHistory, kLastDir, folder);
}

bool LoadAskFlag()
{
    std::unique_ptr<QSettings> store;
    if (!openAskStore(store))
        return true;
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
