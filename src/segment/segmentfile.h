#pragma once
// Naming the new file and copying a byte range of the source into it.

#include "core/platform.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <cstdint>
#include <vector>

namespace segment {

extern const char *const kNamePrefix; // "Split - "
constexpr int kBlockSize = 8192;

struct PathParts {
    QString dir;  // up to and including the last separator
    QString name; // everything after it
};
[[nodiscard]] PathParts splitPath(const QString &path);

// The folder of the source, then "Split - ", then the source's name.
[[nodiscard]] QString defaultOutputName(const QString &source);
// Appends ".mp3" unless the name's extension is ".mp3" in any letter case.
[[nodiscard]] QString withMp3Extension(const QString &name);

// Size of the regular file at path (taken literally, links followed), or -1.
// The -1 is what the window shows for a size it cannot read, so it stays a
// value here rather than a failure.
[[nodiscard]] int64_t GetFileSize64(const QString &path);

// Why a copy failed, and the text to tell the user.
struct CopyFailure {
    enum Kind {
        SourceUnreadable, // the source could not be opened or positioned
        SameAsSource,     // the destination is the source itself: nothing written
        CannotCreate,     // the destination cannot be created at all: nothing written
        Refused,          // the destination is a link: nothing written
        SourceChanged,    // the source is not as it was when chosen, or changed meanwhile: nothing changed
        Failed,           // reading or writing failed: nothing changed
        Cancelled         // stopped on request before the end: nothing changed
    };
    Kind kind = Failed;
    QString text;
};

// A copy watched and stopped from another thread: the bytes written so far,
// and a request to stop.
struct CopyProgress {
    std::atomic<int64_t> written{0};
    std::atomic<bool> cancel{false};
};

// Copies up to length bytes from offset start of source into destination,
// in blocks of kBlockSize through one buffer: the bytes the source had there
// when it was opened (fewer only where it ended sooner). The destination is
// replaced only when the whole copy succeeded, its earlier file moved to the
// trash first; else false, with the kind of failure and its text in failure.
// With progress, the bytes written are counted there, and a cancel request
// ends the copy (Cancelled) before the earlier file is replaced. With
// expected, the source must still be that file, unchanged (SourceChanged);
// a source that shrinks or is written to during the copy is SourceChanged too.
[[nodiscard]] bool copyByteRange(const QString &source, const QString &destination, int32_t start, int64_t length,
                                 CopyProgress *progress = nullptr, CopyFailure *failure = nullptr,
                                 const platform::FileIdentity *expected = nullptr);

// One stretch of a new file: length bytes of the source from offset, or,
// where bytes is not empty, those bytes themselves.
struct Chunk {
    int64_t offset = 0;
    int64_t length = 0;
    QByteArray bytes;
};

// As copyByteRange, for a file made of several stretches in order.
[[nodiscard]] bool copyChunks(const QString &source, const QString &destination, const std::vector<Chunk> &chunks,
                              CopyProgress *progress = nullptr, CopyFailure *failure = nullptr,
                              const platform::FileIdentity *expected = nullptr);

extern const char *const kSourceUnreadableText;
// The source, not as it was chosen ("%1": its path).
extern const char *const kSourceChangedText;
extern const char *const kCancelledText;

} // namespace segment
