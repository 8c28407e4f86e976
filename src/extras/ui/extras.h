#pragma once
// Help, the catalogue of more software, and support: pages and mail opened
// with the desktop's programs, and what to do where none opens.

#include <QString>

class Interaction;

namespace extras {

void openHelp(Interaction &ui, const QString &page);      // help.html at page
void openCatalogue(Interaction &ui, const QString &page); // download.html at page
void askForSupport(Interaction &ui);

} // namespace extras
