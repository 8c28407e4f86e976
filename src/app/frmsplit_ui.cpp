// The controls of the main window, at their places.

#include "app/frmsplit.h"

#include "byterange/ui/bytepanel.h"
#include "core/ui/controls.h"
#include "core/ui/glyphs.h"
#include "core/ui/look.h"
#include "listening/ui/listeningpanel.h"
#include "listening/ui/waveformstrip.h"
#include "segment/ui/resultpanel.h"
#include "segment/ui/segmentwriter.h"
#include "segment/ui/sourcepanel.h"

#include <QFrame>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>

void TFrmsplit::buildControls()
{
    using controls::button;
    using controls::panel;
    using controls::place;
    using glyphs::Glyph;
    setWindowTitle(QStringLiteral("MP3 Cleavo"));
    // The installed icon when the desktop's icon theme has it, else the same picture drawn here.
    setWindowIcon(QIcon::fromTheme(QStringLiteral("cleavo"), glyphs::appIcon()));
    resize(502, 609);
    setAutoFillBackground(true);
    // Grey panels and black text under any desktop palette, dark ones included.
    setPalette(look::windowPalette());
    setFont(controls::font(8, false, false, "MS Sans Serif"));
    const QFont plain = controls::font(8);

    // The controls sit on a canvas of the layout's size. A window smaller than
    // that (a small screen, a large scale) scrolls it, so that every control
    // stays within the mouse's reach; at the layout's size nothing scrolls.
    m_scroller = new QScrollArea(this);
    m_scroller->setObjectName(QStringLiteral("Scroller"));
    m_scroller->setFrameShape(QFrame::NoFrame);
    m_scroller->setFocusPolicy(Qt::NoFocus);
    m_scroller->setWidgetResizable(true);
    m_scroller->setGeometry(rect());
    auto *canvas = new QWidget;
    canvas->setObjectName(QStringLiteral("Canvas"));
    canvas->setMinimumSize(kLayoutSize);
    m_scroller->setWidget(canvas);
    for (QScrollBar *bar : {m_scroller->horizontalScrollBar(), m_scroller->verticalScrollBar()})
        bar->setFocusPolicy(Qt::NoFocus);

    // The source at the top, the two ways to split below it.
    PanelHost &host = *this;
    m_source = new SourcePanel(canvas, host, [this] { CmdselectClick(); });
    Panel3 = panel(canvas, "Panel3", 91, 120, 302, 31, 232);
    RadListen = place(new QRadioButton(QStringLiteral("Split by Listening"), Panel3), "RadListen", 14, 8, 133, 17);
    RadByte = place(new QRadioButton(QStringLiteral("Split by Byte Size"), Panel3), "RadByte", 168, 8, 124, 17);
    RadListen->setFont(plain);
    RadByte->setFont(plain);

    // The panels of both ways in one place, the result below them.
    Panel1 = panel(canvas, "Panel1", 7, 168, 484, 353, 224);
    m_listening = new ListeningPanel(Panel1, canvas, host, MediaPlayer1());
    m_bytes = new BytePanel(Panel1, host);
    m_result = new ResultPanel(Panel1, host, MediaPlayer2());
    m_writer = std::make_unique<SegmentWriter>(
        host, *m_result, [this] { pieceWritten(); }, [this] { return m_source->arrow(); });

    // Bottom rows
    Button3 = button(canvas, "Button3", QStringLiteral("More Software"), 262, 526, 112, 20, Glyph::More);
    Button2 = button(canvas, "Button2", QStringLiteral("Help"), 378, 526, 112, 20, Glyph::Help);
    CmdSupport = button(canvas, "CmdSupport", QStringLiteral("Support"), 146, 549, 112, 20, Glyph::Support);
    CmdSupport->hide();
    CmdAbout = button(canvas, "CmdAbout", QStringLiteral("About"), 262, 549, 112, 20, Glyph::About);
    CmdCancel = button(canvas, "CmdCancel", QStringLiteral("Exit"), 378, 549, 112, 20, Glyph::Exit);

    connect(m_listening, &ListeningPanel::stripShown, this, &TFrmsplit::stripShown);
    m_listening->stripAfter(CmdCancel); // below the bottom rows
    nameForScreenReaders();
}

void TFrmsplit::nameForScreenReaders()
{
    m_scroller->horizontalScrollBar()->setAccessibleName(QStringLiteral("Scroll the window sideways"));
    m_scroller->verticalScrollBar()->setAccessibleName(QStringLiteral("Scroll the window up and down"));
}

void TFrmsplit::resizeEvent(QResizeEvent *event)
{
    m_scroller->setGeometry(rect());
    QWidget::resizeEvent(event);
    placeStrip();
}

int TFrmsplit::stripHeight() const
{
    return m_listening->showsStrip() ? WaveformStrip::kHeight + 4 : 0;
}

QSize TFrmsplit::layoutSize() const
{
    return kLayoutSize + QSize(0, stripHeight());
}

void TFrmsplit::placeStrip()
{
    // Below the designed controls, across the window's width.
    const QWidget *canvas = m_scroller->widget();
    m_listening->placeStrip(
        QRect(7, kLayoutSize.height(), std::max(kLayoutSize.width(), canvas->width()) - 14, WaveformStrip::kHeight));
}

void TFrmsplit::stripShown(bool shown)
{
    // The window grows by the strip, and gives it back.
    m_scroller->widget()->setMinimumSize(layoutSize());
    const int by = WaveformStrip::kHeight + 4;
    resize(width(), std::max(1, height() + (shown ? by : -by)));
    placeStrip();
}

void TFrmsplit::setControlsEnabled(bool enabled)
{
    m_scroller->widget()->setEnabled(enabled);
}
