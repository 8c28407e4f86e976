#pragma once
// The title, artist and album an MP3's ID3 tags give, as libmpg123 reads them.

#include <QString>

namespace tags {

struct Tags {
    QString title, artist, album; // empty where the file gives none
};

// Reads the ID3v2 tag (or, for what it lacks, the ID3v1 tag) of a regular
// file, opened for reading only. Empty fields when there is none or the file
// cannot be read.
[[nodiscard]] Tags read(const QString &path);

} // namespace tags
