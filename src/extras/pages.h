#pragma once
// Help, catalogue and support: where the pages are, and the support mail.

#include <QString>
#include <QUrl>

namespace pages {

extern const char *const kSupportAddress; // support@quillfen.example
extern const char *const kWebSite;        // https://www.quillfen.example
extern const char *const kMailSubject;    // Question about MP3 Cleavo

// The page file: in firstDir (the folder of the executable when empty) when
// it is there, else in the installed data folder when it is there, else the
// path in firstDir (which then fails to open).
[[nodiscard]] QString locate(const QString &fileName, const QString &firstDir);

[[nodiscard]] QUrl supportMail();

} // namespace pages
