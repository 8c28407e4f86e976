#include "byterange/ui/bytepanel.h"

#include "byterange/byterange.h"
#include "core/ui/controls.h"
#include "core/ui/interaction.h"
#include "segment/ui/panelhost.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

BytePanel::BytePanel(QWidget *parent, PanelHost &host) : QObject(parent), m_host(host)
{
    using controls::label;
    const QFont plain = controls::font(8), bold = controls::font(8, true);
    PanByte = controls::panel(parent, "PanByte", 8, 8, 468, 185, 232);
    Label8 = label(PanByte, "Label8",
                   QStringLiteral("Alter the scrollbar positions to create your split file. Click the arrows to move "
                                  "by 1 byte, click or drag on the scrollbar to move by larger amounts."),
                   8, 5, 449, 30, plain);
    Label8->setWordWrap(true);
    ScrollStart = controls::scrollBar(PanByte, "ScrollStart", 11, 38, 270, 13, 1, 100);
    Label3 = label(PanByte, "Label3", QStringLiteral("Start at byte: "), 9, 55, 72, 14, plain);
    LblByteStart = label(PanByte, "LblByteStart", QString(), 84, 55, 95, 14, bold);
    Image4 = controls::picture(PanByte, "Image4", 354, 42, 57, 49);
    Image4->hide();
    ScrollEnd = controls::scrollBar(PanByte, "ScrollEnd", 11, 82, 270, 13, 1, 100);
    Label2 = label(PanByte, "Label2", QStringLiteral("End at byte:"), 10, 99, 63, 14, plain);
    LblByteEnd = label(PanByte, "LblByteEnd", QString(), 85, 99, 94, 14, bold);
    LblRealTime = label(PanByte, "LblRealTime", QString(), 9, 124, 255, 14, plain);
    LblRealByte = label(PanByte, "LblRealByte", QString(), 270, 124, 87, 14, bold);
    BitBtn1
        = controls::button(PanByte, "BitBtn1", QStringLiteral("Split File Now"), 8, 153, 151, 24, glyphs::Glyph::Split);

    ScrollStart->setAccessibleName(QStringLiteral("Start at byte"));
    ScrollEnd->setAccessibleName(QStringLiteral("End at byte"));
    Label3->setBuddy(ScrollStart);
    Label2->setBuddy(ScrollEnd);
    Image4->setAccessibleName(QStringLiteral("Arrow pointing to the next step"));
    PanByte->setAccessibleName(QStringLiteral("Split by Byte Size"));

    connect(BitBtn1, &QPushButton::clicked, this, [this] { m_host.guarded([this] { BitBtn1Click(); }); });
    connect(ScrollStart, &QScrollBar::valueChanged, this, [this] { m_host.guarded([this] { ScrollStartChange(); }); });
    connect(ScrollEnd, &QScrollBar::valueChanged, this, [this] { m_host.guarded([this] { ScrollEndChange(); }); });
}

void BytePanel::setVisible(bool visible)
{
    PanByte->setVisible(visible);
}

void BytePanel::setArrow(const QPixmap &arrow)
{
    Image4->setPixmap(arrow);
}

void BytePanel::clear()
{
    LblRealByte->clear();
    LblRealTime->clear();
}

void BytePanel::sourceChosen(int32_t size, const QString &sizeText)
{
    ScrollStart->setMaximum(size);
    ScrollEnd->setMaximum(size);
    LblByteStart->setText(QStringLiteral("0"));
    LblByteEnd->setText(sizeText);
    LblRealTime->setText(QStringLiteral("Based on settings above, the new split size will be:"));
    LblRealByte->setText(sizeText);
    Image4->show();
}

void BytePanel::pieceWritten()
{
    Image4->hide();
}

void BytePanel::byteScrollChange(QScrollBar *bar, QLabel *own)
{
    if (m_host.RequireSelection())
        return;
    m_host.PreviewGuard();
    own->setText(QString::number(bar->value()));
    QString error;
    const auto range = byterange::fromLabels(LblByteStart->text(), LblByteEnd->text(), &error);
    if (!range)
        return reportFailure(m_host.ui(), error);
    LblRealByte->setText(QString::number(byterange::pieceSize(*range)));
}

void BytePanel::ScrollStartChange()
{
    byteScrollChange(ScrollStart, LblByteStart);
}

void BytePanel::ScrollEndChange()
{
    byteScrollChange(ScrollEnd, LblByteEnd);
}

void BytePanel::BitBtn1Click()
{
    if (m_host.RequireSelection() || m_host.RefuseIncompleteSelection())
        return;
    m_host.ClosePreview();
    QString error;
    const auto range = byterange::fromLabels(LblByteStart->text(), LblByteEnd->text(), &error);
    if (!range)
        return reportFailure(m_host.ui(), error);
    if (const auto segment = byterange::segmentOf(*range)) {
        SharedValues &v = m_host.values();
        v.SegmentStart = segment->start;
        v.SegmentLength = segment->length;
        m_host.CreateSplitFile({v.SourceFileName, QString(), v.SegmentStart, v.SegmentLength, {}, QString()});
    } else {
        m_host.ui().messageBox(QStringLiteral(
            "Your starting position cannot be greater then the ending position! Use the scrollbar to adjust the "
            "ending position to a higher number, or lower the starting number with the other scrollbar."));
    }
}
