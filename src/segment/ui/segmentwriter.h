#pragma once
// Writing the chosen piece of the source into a new file: its name and place
// chosen, the copy made beside the window, the result told.

#include "segment/ui/panelhost.h"

#include <QPixmap>
#include <QString>
#include <functional>

class PanelHost;
class ResultPanel;

class SegmentWriter {
public:
    // written runs once a new file is in place and told, for the other
    // panels to show it; arrow gives the picture of the next step.
    SegmentWriter(PanelHost &host, ResultPanel &result, std::function<void()> written, std::function<QPixmap()> arrow);

    // False where the handler ends at a failure it reported.
    bool CreateSplitFile(segment::WriteRequest piece);

private:
    [[nodiscard]] QString chooseDestination();
    // Copies the piece to its destination; on a failure of the copy, says
    // why and sets CopyFailed. closing: the window closes once it returns.
    bool CopySegment(const segment::WriteRequest &piece, bool *closing);

    PanelHost &m_host;
    ResultPanel &m_result;
    std::function<void()> m_written;
    std::function<QPixmap()> m_arrow;
    QString m_countFailure; // the written piece's count could not be kept: why
};
