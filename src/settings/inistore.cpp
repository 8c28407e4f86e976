#include "settings/inistore.h"

#include "core/errors.h"
#include "core/safefile.h"

#include <QFile>
#include <QFileInfo>

#define SI_IMPLEMENTATION
#define SI_NO_CONVERSION
#include <SimpleIni.h>

namespace ini {

namespace {

bool isNewLine(char c)
{
    return c == '\n' || c == '\r';
}

} // namespace

QByteArray normalized(const QByteArray &data)
{
    QByteArray out;
    out.reserve(data.size() + 16);
    qsizetype i = 0;
    const qsizetype n = data.size();
    while (i < n) {
        qsizetype end = i;
        while (end < n && !isNewLine(data[end]))
            ++end;
        QByteArray line = data.mid(i, end - i);
        line.replace('\0', ' ');
        QByteArray trimmed = line.trimmed();
        if (i == 0 && trimmed.startsWith("\xEF\xBB\xBF"))
            trimmed = trimmed.mid(3).trimmed(); // a UTF-8 signature
        if (trimmed.startsWith('[') && !line.contains(']'))
            line += ']';
        out += line;
        i = end;
        while (i < n && isNewLine(data[i]))
            out += data[i++];
    }
    return out;
}

namespace {

// Loads the file into ini. False, with the reason, when it exists but cannot be read.
bool load(CSimpleIniA &store, const QString &path, QString *error = nullptr)
{
    store.SetMultiKey(true);
    store.SetSpaces(false);
    QFile file(path);
    if (!file.exists())
        return true;
    if (!QFileInfo(path).isFile())
        return failed(error, QStringLiteral("it is not a file"));
    if (!file.open(QIODevice::ReadOnly))
        return failed(error, file.errorString());
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return failed(error, file.errorString());
    const QByteArray text = normalized(data);
    if (store.LoadData(text.constData(), static_cast<size_t>(text.size())) < 0)
        return failed(error, QStringLiteral("its text cannot be read"));
    return true;
}

QByteArray bytes(const QString &s)
{
    return s.toLocal8Bit();
}

} // namespace

QString readString(const QString &path, const QString &section, const QString &key, const QString &defaultValue)
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

bool writeString(const QString &path, const QString &section, const QString &key, const QString &value, QString *error)
{
    const QString failure = QStringLiteral("Unable to write to %1").arg(path);
    const auto refused = [&](const QString &why) {
        diagnose(QStringLiteral("%1: %2").arg(failure, why));
        if (error)
            *error = failure;
        return false;
    };
    if (path.isEmpty())
        return refused(QStringLiteral("no settings folder was found"));
    // A line break in a value would end its line and start a new section or key.
    for (const QString *text : {&section, &key, &value}) {
        if (text->contains(QLatin1Char('\n')) || text->contains(QLatin1Char('\r')) || text->contains(QChar(0)))
            return refused(QStringLiteral("a line break or NUL cannot be kept in a line of the file"));
    }
    CSimpleIniA store;
    QString reason;
    if (!load(store, path, &reason))
        return refused(reason);
    const QByteArray s = bytes(section), k = bytes(key), v = bytes(value);
    if (store.SetValue(s.constData(), k.constData(), v.constData(), nullptr, true) < 0)
        return refused(QStringLiteral("the value cannot be stored"));
    std::string text;
    if (store.Save(text, false) < 0)
        return refused(QStringLiteral("the file's text cannot be made"));
    // A name that begins with the bytes of a UTF-8 signature must not be read
    // back as a signature.
    if (text.rfind("\xEF\xBB\xBF", 0) == 0)
        text = "\n" + text;
    if (!safefile::replace(path, QByteArray::fromStdString(text), &reason))
        return refused(reason);
    return true;
}

} // namespace ini
