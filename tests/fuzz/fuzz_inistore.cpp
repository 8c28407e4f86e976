// The INI store reading, then writing, arbitrary file contents: a write keeps
// every section and key it did not touch, and never crashes.
#include "settings/inistore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <list>
#include <map>
#include <string>
#include <strings.h>
#include <vector>

#define SI_IMPLEMENTATION
#define SI_NO_CONVERSION
#include <SimpleIni.h>

namespace {

// Every value of every key, section by section, as the bytes of the file give them.
using Entries = std::map<std::string, std::map<std::string, std::vector<std::string>>>;

Entries entries(const QByteArray &data, bool skipNumber)
{
    CSimpleIniA ini;
    ini.SetMultiKey(true);
    Entries out;
    if (ini.LoadData(data.constData(), static_cast<size_t>(data.size())) < 0)
        std::abort();
    CSimpleIniA::TNamesDepend sections;
    ini.GetAllSections(sections);
    for (const auto &s : sections) {
        CSimpleIniA::TNamesDepend keys;
        ini.GetAllKeys(s.pItem, keys);
        for (const auto &k : keys) {
            if (skipNumber && strcasecmp(s.pItem, "Stat") == 0 && strcasecmp(k.pItem, "Number") == 0)
                continue;
            CSimpleIniA::TNamesDepend values;
            ini.GetAllValues(s.pItem, k.pItem, values);
            values.sort(CSimpleIniA::Entry::LoadOrder());
            std::string section = s.pItem, key = k.pItem;
            for (auto &c : section)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            for (auto &c : key)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            auto &list = out[section][key];
            list.clear();
            for (const auto &v : values)
                list.push_back(v.pItem);
        }
    }
    return out;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        std::abort();
    return f.readAll();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // A folder in memory where there is one: every write syncs the file.
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/cleavo-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/cleavo-fuzz-XXXXXX"));
    const QString path = dir.path() + QStringLiteral("/cleavo.ini");
    const QByteArray content(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QFile::remove(path);
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            std::abort();
        f.write(content);
    }
    const Entries before = entries(ini::normalized(content), true);
    (void)ini::readString(path, QStringLiteral("frmsplit"), QStringLiteral("W"), QString());
    QString error;
    if (!ini::writeString(path, QStringLiteral("Stat"), QStringLiteral("Number"), QStringLiteral("42"), &error)) {
        if (error != QStringLiteral("Unable to write to %1").arg(path) || fileBytes(path) != content)
            std::abort(); // a refused write says so and changes nothing
        return 0;
    }
    if (ini::readString(path, QStringLiteral("Stat"), QStringLiteral("Number"), QString()) != QStringLiteral("42"))
        std::abort();
    // Nothing else was lost or changed.
    const Entries after = entries(fileBytes(path), true);
    if (after != before) {
        for (const auto *e : {&before, &after}) {
            std::fprintf(stderr, "----\n");
            for (const auto &[section, keys] : *e)
                for (const auto &[key, values] : keys)
                    for (const auto &value : values)
                        std::fprintf(stderr, "[%s] %s = %s\n", section.c_str(), key.c_str(), value.c_str());
        }
        std::abort();
    }
    return 0;
}
