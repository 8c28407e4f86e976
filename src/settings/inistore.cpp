#include "settings/inistore.h"

#include "app/errors.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#define SI_IMPLEMENTATION
#define SI_NO_CONVERSION
#include <SimpleIni.h>

namespace ini {

namespace {

// Loads the file into ini. False when it exists but cannot be read.
bool load(CSimpleIniA &store, const QString &path)
{
    store.SetMultiKey(true);
    store.SetSpaces(false);
    QFile file(path);
    if (!file.exists())
        return true;
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    return store.LoadData(data.constData(), static_cast<size_t>(data.size())) >= 0;
}

QByteArray bytes(const QString &s) { return s.toLocal8Bit(); }

} // namespace

QString readString(const QString &path, const QString &section, const QString &key,
                   const QString &defaultValue)
{
    if (path.isEmpty())
        return defaultValue;
    CSimpleIniA store;
    if (!load(store, path))
        return defaultValue;
    const char *value = store.GetValue(bytes(section).constData(), bytes(key).constData(), nullptr);
    if (!value)
        return defaultValue;
    return QString::fromLocal8Bit(value);
}

void writeString(const QString &path, const QString &section, const QString &key,
                 const QString &value)
{
    const QString failure = QStringLiteral("Unable to write to %1").arg(path);
    if (path.isEmpty())
        throw AppError(failure);
    CSimpleIniA store;
    if (!load(store, path))
        throw AppError(failure);
    const QByteArray s = bytes(section), k = bytes(key), v = bytes(value);
    if (store.SetValue(s.constData(), k.constData(), v.constData(), nullptr, true) < 0)
        throw AppError(failure);
    std::string text;
    if (store.Save(text, false) < 0)
        throw AppError(failure);
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        throw AppError(failure);
    if (out.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()))
        throw AppError(failure);
    if (!out.commit())
        throw AppError(failure);
}

} // namespace ini
