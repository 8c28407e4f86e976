// The byte panel: two scroll bars give the first byte and the end byte.

#include "byterange/byterange.h"
#include "core/ui/frmsplit.h"
#include "core/ui/interaction.h"

#include <QLabel>
#include <QScrollBar>

void TFrmsplit::byteScrollChange(QScrollBar *bar, QLabel *own)
{
    if (RequireSelection())
        return;
    PreviewGuard();
    own->setText(QString::number(bar->value()));
    QString error;
    const byterange::Range range = must(byterange::fromLabels(LblByteStart->text(), LblByteEnd->text(), &error), error);
    LblRealByte->setText(QString::number(byterange::pieceSize(range)));
}

void TFrmsplit::ScrollStartChange()
{
    byteScrollChange(ScrollStart, LblByteStart);
}

void TFrmsplit::ScrollEndChange()
{
    byteScrollChange(ScrollEnd, LblByteEnd);
}

void TFrmsplit::BitBtn1Click()
{
    if (RequireSelection() || RefuseIncompleteSelection())
        return;
    CmdSPlayClick();
    QString error;
    const byterange::Range range = must(byterange::fromLabels(LblByteStart->text(), LblByteEnd->text(), &error), error);
    if (const auto segment = byterange::segmentOf(range)) {
        v.SegmentStart = segment->start;
        v.SegmentLength = segment->length;
        CreateSplitFile();
    } else {
        ui().messageBox(QStringLiteral(
            "Your starting position cannot be greater then the ending position! Use the scrollbar to adjust the "
            "ending position to a higher number, or lower the starting number with the other scrollbar."));
    }
}
