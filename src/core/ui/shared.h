#pragma once
// Values that carry the state between the main window's handlers.

#include "core/platform.h"

#include <QString>
#include <cstdint>
#include <optional>

struct SharedValues {
    QString SourceFileName;
    int64_t SourceFileSize = 0;
    // The source as it was when selected: a cut is made only from that file, unchanged.
    std::optional<platform::FileIdentity> SourceIdentity;
    bool FileSelected = false;
    int32_t SegmentStart = 0;
    int32_t SegmentLength = 0;
    QString OutputFileName;
    QString SaveDialogFileName;
    bool CopyFailed = false;
    bool PreviewClosed = true;
    int32_t StartPercent = 0;
    int32_t EndPercent = 0;
    bool AskForLocation = true;
    QString WindowsDir;
    QString StatsIniPath;
    QString SizeIniPath;
    int64_t SplitCount = 0;
};
