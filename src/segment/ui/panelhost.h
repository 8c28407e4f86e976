#pragma once
// What the panels of the main window ask of the window that holds them. A
// panel owns its controls and its state, and never touches another panel's:
// what it needs of the others goes through here, and the window passes it on.
//
// Failures take the window's one road (core/errors.h): a step that reported a
// failure returns false, and its caller returns too.

#include "core/ui/shared.h"
#include "segment/segmentfile.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

class Interaction;

namespace segment {

// One new file to write, as the panel that marked it asks for it: the bytes
// of the source from start, length of them, or, where chunks are given, those
// stretches (a piece cut at the exact marks, whose playing time the result
// panel then shows). The writer fills in the destination: the default place,
// or the one the person chose.
struct WriteRequest {
    QString source;
    QString destination;
    int32_t start = 0;
    int64_t length = 0;
    std::vector<Chunk> chunks;
    QString playingTime;
};

} // namespace segment

class PanelHost {
public:
    virtual ~PanelHost() = default;

    virtual Interaction &ui() = 0;
    virtual SharedValues &values() = 0;
    // Runs a handler as the window runs each of its own.
    virtual void guarded(const std::function<void()> &handler) = 0;

    // True, after saying so, while no MP3 is selected.
    virtual bool RequireSelection() = 0;
    // True, after saying so, while the MP3 named at the top was not selected whole.
    virtual bool RefuseIncompleteSelection() = 0;
    // The preview of the new file: closed where it is open, and closed always.
    virtual void PreviewGuard() = 0;
    virtual void ClosePreview() = 0;
    // The result panel put away where it shows.
    virtual void HideResult() = 0;
    // The source player stopped; false where that failed (reported).
    virtual bool StopSourcePlayer() = 0;
    // Writes the piece; false where the handler ends at a reported failure.
    virtual bool CreateSplitFile(segment::WriteRequest piece) = 0;

    // Runs work beside the window, which takes no clicks meanwhile but can be
    // closed (segment::runWithProgress). False where the window is to close
    // once the handler has returned.
    virtual bool runBeside(const QString &what, int64_t total, segment::CopyProgress &progress,
                           const std::function<void()> &work)
        = 0;
};
