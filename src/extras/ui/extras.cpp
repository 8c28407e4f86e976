// Help, catalogue, support and About.

#include "core/platform.h"
#include "core/ui/frmsplit.h"
#include "core/ui/interaction.h"
#include "extras/pages.h"
#include "extras/ui/frmabout.h"

#include <QFileInfo>

QString TFrmsplit::pagePath(const QString &fileName) const
{
    return pages::locate(fileName, m_services.pagesDir);
}

namespace {

// Opens the page; failed() when it is missing or no browser opens it.
void openPage(Interaction &ui, const QString &path, const std::function<void()> &failed)
{
    if (!QFileInfo(path).isFile()) {
        failed();
        return;
    }
    ui.openDocument(QUrl::fromLocalFile(path), [failed](bool ok) {
        if (!ok)
            failed();
    });
}

} // namespace

void TFrmsplit::Button2Click()
{
    const QString page = pagePath(QStringLiteral("help.html"));
    openPage(ui(), page, [this, page] {
        const QString where = platform::pageLocationText(page);
        ui().messageDialog(DialogType::Information,
                           QStringLiteral("The help file could not be opened because your browser would not open. "
                                          "You can view this help file by opening your browser manually, and "
                                          "pointing it to %1.")
                               .arg(where));
    });
}

void TFrmsplit::Button3Click()
{
    openPage(ui(), pagePath(QStringLiteral("download.html")), [this] {
        ui().messageDialog(DialogType::Information,
                           QStringLiteral("The help file could not be opened because your browser would not open. "
                                          "You can view this help file by opening your browser manually, and "
                                          "pointing it to")
                               + QLatin1Char(' ') + QLatin1String(pages::kWebSite) + QLatin1Char('.'));
    });
}

void TFrmsplit::CmdSupportClick()
{
    // The request for a detailed question follows once it is known whether a
    // mail program opened.
    ui().openDocument(pages::supportMail(), [this](bool ok) {
        if (!ok)
            ui().messageBox(QStringLiteral("You cannot view this file because you do not have a default email "
                                           "software setup. Please send your questions to support at")
                            + QLatin1Char(' ') + QLatin1String(pages::kSupportAddress));
        ui().messageBox(QStringLiteral("Please send your detailed question and we will gladly assist you. Please be "
                                       "sure to include detailed information so we can better understand and answer "
                                       "your question."));
    });
}

void TFrmsplit::CmdaboutClick()
{
    TFrmabout2 about(this);
    ui().runModal(about);
}
