// The INI store reading, then writing, arbitrary file contents: a write keeps
// every section and key it did not touch, and never crashes.
#include "app/errors.h"
#include "settings/inistore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <list>
#include <vector>

#define SI_IMPLEMENTATION
#define SI_NO_CONVERSION
#include <SimpleIni.h>

namespace {

struct Entry {
    QString section, key, value;
};

std::vector<Entry> entries(const QByteArray &data)
{
    CSimpleIniA ini;
    ini.SetMultiKey(true);
    std::vector<Entry> out;
    if (ini.LoadData(data.constData(), static_cast<size_t>(data.size())) < 0)
        return out;
    CSimpleIniA::TNamesDepend sections;
    ini.GetAllSections(sections);
    for (const auto &s : sections) {
        CSimpleIniA::TNamesDepend keys;
        ini.GetAllKeys(s.pItem, keys);
        for (const auto &k : keys) {
            const char *v = ini.GetValue(s.pItem, k.pItem, "");
            out.push_back({QString::fromLocal8Bit(s.pItem), QString::fromLocal8Bit(k.pItem), QString::fromLocal8Bit(v)});
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/cleavo.ini");
    const QByteArray content(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QFile::remove(path);
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            std::abort();
        f.write(content);
    }
    const std::vector<Entry> before = entries(content);
    for (const Entry &e : before)
        (void)ini::readString(path, e.section, e.key, QString());
    try {
        ini::writeString(path, QStringLiteral("Stat"), QStringLiteral("Number"), QStringLiteral("42"));
    } catch (const AppError &) {
        return 0;
    }
    if (ini::readString(path, QStringLiteral("Stat"), QStringLiteral("Number"), QString()) != QStringLiteral("42"))
        std::abort();
    for (const Entry &e : before) {
        if (e.section.compare(QStringLiteral("Stat"), Qt::CaseInsensitive) == 0
            && e.key.compare(QStringLiteral("Number"), Qt::CaseInsensitive) == 0)
            continue;
        if (ini::readString(path, e.section, e.key, QStringLiteral("<lost>")) != e.value)
            std::abort();
    }
    return 0;
}
