#pragma once
// Naming the new file and copying a byte range of the source into it.

#include <QString>
#include <cstdint>

namespace segment {

extern const char *const kNamePrefix; // "Split - "
constexpr int kBlockSize = 8192;

struct PathParts {
    QString dir;  // up to and including the last separator
    QString name; // everything after it
};
PathParts splitPath(const QString &path);

// The folder of the source, then "Split - ", then the source's name.
QString defaultOutputName(const QString &source);
// Appends ".mp3" unless the name's extension is ".mp3" in any letter case.
QString withMp3Extension(const QString &name);

// Size of the regular file at path (taken literally, links followed), or -1.
int64_t GetFileSize64(const QString &path);

struct CopyOutcome {
    enum Kind {
        Copied,           // the new file is in place
        SourceUnreadable, // the source could not be opened or positioned
        SameAsSource,     // the destination is the source itself: nothing written
        CannotCreate,     // the destination cannot be created at all: nothing written
        Failed            // reading or writing failed: nothing changed
    };
    Kind kind = Copied;
    QString message; // what to tell the user when kind is not Copied
};

// Copies up to length bytes from offset start of source into destination,
// in blocks of kBlockSize through one buffer. The destination is replaced
// only when the whole copy succeeded. Never throws: every failure is an
// outcome with the text to show.
CopyOutcome copyByteRange(const QString &source, const QString &destination, int32_t start, int64_t length);

extern const char *const kSourceUnreadableText;

} // namespace segment
