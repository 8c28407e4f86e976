#pragma once
// The store of the "Ask" and "Exact" values: a small INI file where the
// desktop keeps settings files (askstore_posix.cpp). Another platform would
// provide its native store (a registry, say) behind open and write.

#include <QSettings>
#include <QString>
#include <memory>

namespace settings::askstore {

// Opens the store. False when it cannot be opened with full access: the file
// or, for a new file, its folder may not be written.
[[nodiscard]] bool open(std::unique_ptr<QSettings> &out);

// Sets key to value in store so that a refused write leaves the store as it
// was; false, with the system's reason in *why, when it is refused.
[[nodiscard]] bool write(QSettings &store, const QString &key, int value, QString *why);

} // namespace settings::askstore
