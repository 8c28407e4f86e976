// The store of the "Ask" and "Exact" values on Windows: the registry key
// "Software\Quillfen\Cleavo", as the program has always used. This half is
// not built or tested on the Linux machines the program is made on.

#include "settings/askstore.h"

namespace settings::askstore {

bool open(std::unique_ptr<QSettings> &out)
{
    out = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quillfen"),
                                      QStringLiteral("Cleavo"));
    return out->status() != QSettings::AccessError;
}

bool write(QSettings &store, const QString &key, int value, QString *why)
{
    store.setValue(key, value);
    store.sync();
    if (store.status() != QSettings::AccessError)
        return true;
    *why = QStringLiteral("%1 cannot be written").arg(store.fileName());
    return false;
}

} // namespace settings::askstore
