#pragma once
// Values that carry the state between the main window's handlers.

#include <QString>
#include <cstdint>

struct SharedValues {
    QString SourceFileName;
    int64_t SourceFileSize = 0;
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
