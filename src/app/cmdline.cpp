#include "app/cmdline.h"

#include <QUrl>

#ifndef CLEAVO_VERSION
#define CLEAVO_VERSION "0"
#endif

namespace cmdline {

namespace {

// Options that the toolkit takes itself, with the number of values each takes.
int toolkitOption(const QString &arg)
{
    static const QStringList withValue = {QStringLiteral("platform"),
                                          QStringLiteral("platformpluginpath"),
                                          QStringLiteral("platformtheme"),
                                          QStringLiteral("plugin"),
                                          QStringLiteral("qwindowgeometry"),
                                          QStringLiteral("qwindowtitle"),
                                          QStringLiteral("qwindowicon"),
                                          QStringLiteral("style"),
                                          QStringLiteral("stylesheet"),
                                          QStringLiteral("session"),
                                          QStringLiteral("display"),
                                          QStringLiteral("geometry"),
                                          QStringLiteral("name"),
                                          QStringLiteral("title"),
                                          QStringLiteral("visual")};
    static const QStringList plain = {QStringLiteral("reverse"), QStringLiteral("widgetcount"), QStringLiteral("sync"),
                                      QStringLiteral("nograb"), QStringLiteral("dograb")};
    QString name = arg.mid(arg.startsWith(QLatin1String("--")) ? 2 : 1);
    if (name.contains(QLatin1Char('=')))
        return withValue.contains(name.section(QLatin1Char('='), 0, 0)) ? 0 : -1;
    if (withValue.contains(name))
        return 1;
    return plain.contains(name) ? 0 : -1;
}

} // namespace

Request parse(const QStringList &arguments)
{
    Request r;
    QStringList files;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        if (!optionsEnded && arg == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == QLatin1String("--help") || arg == QLatin1String("-h"))) {
            return {Request::Help, {}, {}};
        } else if (!optionsEnded && arg == QLatin1String("--version")) {
            return {Request::Version, {}, {}};
        } else if (!optionsEnded && arg.size() > 1 && arg.startsWith(QLatin1Char('-'))) {
            const int values = toolkitOption(arg);
            if (values < 0 || i + values >= arguments.size())
                return {
                    Request::Error, {}, QStringLiteral("cleavo: unknown option '%1' (try 'cleavo --help')").arg(arg)};
            i += values;
        } else {
            files << arg;
        }
    }
    if (files.size() > 1)
        return {Request::Error,
                {},
                QStringLiteral("cleavo: one MP3 file at a time, not %1 (try 'cleavo --help')").arg(files.size())};
    if (!files.isEmpty()) {
        // A file manager may hand over a URL instead of a path.
        const QUrl url(files.first());
        r.file = url.isLocalFile() ? url.toLocalFile() : files.first();
    }
    return r;
}

QString helpText()
{
    return QStringLiteral(
        "Usage: cleavo [FILE]\n"
        "Cut one piece out of an MP3 file and write it, byte for byte, into a new file. The original is never\n"
        "changed.\n"
        "\n"
        "  FILE        the MP3 to select at start-up, as if chosen with \"Select an MP3 file to split\"\n"
        "  --help      show this text and exit\n"
        "  --version   show the version and exit\n");
}

QString versionText()
{
    return QStringLiteral("cleavo " CLEAVO_VERSION "\n");
}

} // namespace cmdline
