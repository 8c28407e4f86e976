#include "settings/settings.h"

#include "core/errors.h"
#include "core/intconv.h"
#include "core/platform.h"
#include "core/safefile.h"
#include "settings/askstore.h"
#include "settings/inistore.h"

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
const QString kExact = QStringLiteral("Exact");

int32_t readFormValue(const QString &section, const QString &key, const QString &path)
{
    return lenientInt(ini::readString(path, section, key, QString()), 0);
}

bool writeFlag(QSettings &store, const QString &key, bool on, QString *error)
{
    QString why;
    if (askstore::write(store, key, on ? 1 : 0, &why))
        return true;
    const QString failure = QStringLiteral("Failed to set data for '%1'").arg(key);
    diagnose(QStringLiteral("%1: %2").arg(failure, why));
    if (error)
        *error = failure;
    return false;
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
    if (!askstore::open(store))
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
    if (!askstore::open(store))
        return true;
    return writeFlag(*store, kAsk, ask, error);
}

bool LoadExactFlag()
{
    std::unique_ptr<QSettings> store;
    if (!askstore::open(store) || store->status() != QSettings::NoError)
        return false;
    bool ok = false;
    const qlonglong value = store->value(kExact).toString().trimmed().toLongLong(&ok);
    return ok && value != 0;
}

bool SaveExactFlag(bool exact, QString *error)
{
    std::unique_ptr<QSettings> store;
    if (!askstore::open(store))
        return true;
    return writeFlag(*store, kExact, exact, error);
}

} // namespace settings
