#pragma once
// The state the window's panels share: one object, which the window owns and
// hands to each panel (through PanelHost::values()), with the names the
// program gives them.

#include "core/platform.h"

#include <QString>
#include <cstdint>
#include <optional>

struct SharedValues {
    // The source: chosen by the selection.
    QString SourceFileName;
    int64_t SourceFileSize = 0;
    // The source as it was when selected: a cut is made only from that file, unchanged.
    std::optional<platform::FileIdentity> SourceIdentity;
    bool FileSelected = false;
    // The piece: set by the panel that marks it (listening or bytes).
    int32_t SegmentStart = 0;
    int32_t SegmentLength = 0;
    // The write and its result.
    QString OutputFileName;
    QString SaveDialogFileName;
    bool CopyFailed = false;
    bool PreviewClosed = true;
    int32_t StartPercent = 0;
    int32_t EndPercent = 0;
    // The window's settings and where they are kept.
    bool AskForLocation = true;
    QString WindowsDir;
    QString StatsIniPath;
    QString SizeIniPath;
    int64_t SplitCount = 0;
};
