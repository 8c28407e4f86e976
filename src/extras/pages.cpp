#include "extras/pages.h"

#include <QCoreApplication>
#include <QFileInfo>

#ifndef CLEAVO_DATADIR
#define CLEAVO_DATADIR "/usr/local/share/cleavo"
#endif

namespace pages {

const char *const kSupportAddress = "support@quillfen.example";
const char *const kWebSite = "https://www.quillfen.example";
const char *const kMailSubject = "Question about MP3 Cleavo";

QString locate(const QString &fileName, const QString &firstDir)
{
    const QString dir = firstDir.isEmpty() ? QCoreApplication::applicationDirPath() : firstDir;
    QString beside = dir + QLatin1Char('/') + fileName;
    if (QFileInfo(beside).isFile())
        return beside;
    // An installed program finds its pages in <prefix>/share/cleavo, also when
    // it was installed somewhere other than where it was built for.
    const QString relative = QCoreApplication::applicationDirPath() + QStringLiteral("/../share/cleavo/") + fileName;
    if (QFileInfo(relative).isFile())
        return QFileInfo(relative).canonicalFilePath();
    QString installed = QStringLiteral(CLEAVO_DATADIR "/") + fileName;
    if (QFileInfo(installed).isFile())
        return installed;
    return beside;
}

QUrl supportMail()
{
    return QUrl(QStringLiteral("mailto:") + QLatin1String(kSupportAddress) + QStringLiteral("?Subject=")
                + QLatin1String(kMailSubject));
}

} // namespace pages
