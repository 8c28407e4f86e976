// Help, catalogue, support and About.

#include "extras/ui/extras.h"

#include "core/platform.h"
#include "core/ui/interaction.h"
#include "extras/pages.h"

#include <QFileInfo>

namespace extras {

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

void openHelp(Interaction &ui, const QString &page)
{
    openPage(ui, page, [&ui, page] {
        const QString where = platform::pageLocationText(page);
        ui.messageDialog(DialogType::Information,
                         QStringLiteral("The help file could not be opened because your browser would not open. "
                                        "You can view this help file by opening your browser manually, and "
                                        "pointing it to %1.")
                             .arg(where));
    });
}

void openCatalogue(Interaction &ui, const QString &page)
{
    openPage(ui, page, [&ui] {
        ui.messageDialog(DialogType::Information,
                         QStringLiteral("The help file could not be opened because your browser would not open. "
                                        "You can view this help file by opening your browser manually, and "
                                        "pointing it to")
                             + QLatin1Char(' ') + QLatin1String(pages::kWebSite) + QLatin1Char('.'));
    });
}

void askForSupport(Interaction &ui)
{
    // The request for a detailed question follows once it is known whether a
    // mail program opened.
    ui.openDocument(pages::supportMail(), [&ui](bool ok) {
        if (!ok)
            ui.messageBox(QStringLiteral("You cannot view this file because you do not have a default email "
                                         "software setup. Please send your questions to support at")
                          + QLatin1Char(' ') + QLatin1String(pages::kSupportAddress));
        ui.messageBox(QStringLiteral("Please send your detailed question and we will gladly assist you. Please be "
                                     "sure to include detailed information so we can better understand and answer "
                                     "your question."));
    });
}

} // namespace extras
