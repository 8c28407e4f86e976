// The controls of the main window, at their places.

#include "app/glyphs.h"
#include "app/scrollbar.h"
#include "core/ui/frmsplit.h"
#include "core/ui/look.h"
#include "listening/ui/spinedit.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>

namespace {

// Return and Enter press a focused push button, as Space does.
class ReturnPresses : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) || key->modifiers() & ~Qt::KeypadModifier)
            return false;
        auto *button = static_cast<QPushButton *>(watched);
        if (!key->isAutoRepeat() && button->isEnabled())
            button->click();
        return true;
    }
};

QFont makeFont(int pt, bool bold = false, bool underline = false, const char *family = "Arial")
{
    QFont f(QString::fromLatin1(family));
    f.setPointSize(pt);
    f.setBold(bold);
    f.setUnderline(underline);
    return f;
}

template <class T>
T *place(T *w, const char *name, int x, int y, int width, int height)
{
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(x, y, width, height);
    return w;
}

QLabel *label(QWidget *parent, const char *name, const QString &text, int x, int y, int w, int h, const QFont &font)
{
    auto *l = place(new QLabel(text, parent), name, x, y, w, h);
    l->setFont(font);
    l->setTextFormat(Qt::PlainText);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}

QLabel *picture(QWidget *parent, const char *name, int x, int y, int w, int h)
{
    auto *l = place(new QLabel(parent), name, x, y, w, h);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}

QPushButton *button(QWidget *parent, const char *name, const QString &text, int x, int y, int w, int h,
                    glyphs::Glyph glyph)
{
    auto *b = place(new QPushButton(text, parent), name, x, y, w, h);
    b->installEventFilter(new ReturnPresses(b));
    b->setFont(makeFont(8));
    b->setIcon(glyphs::icon(glyph));
    b->setIconSize(QSize(16, 16));
    b->setAutoDefault(false);
    return b;
}

QFrame *panel(QWidget *parent, const char *name, int x, int y, int w, int h, int grey)
{
    auto *f = place(new QFrame(parent), name, x, y, w, h);
    f->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    f->setLineWidth(2);
    f->setAutoFillBackground(true);
    QPalette pal = f->palette();
    pal.setColor(QPalette::Window, QColor(grey, grey, grey));
    f->setPalette(pal);
    return f;
}

QScrollBar *scrollBar(QWidget *parent, const char *name, int x, int y, int w, int h, int single, int page)
{
    auto *s = place(new ScrollBar(parent), name, x, y, w, h);
    s->setRange(0, 100);
    s->setSingleStep(single);
    s->setPageStep(page);
    s->setFocusPolicy(Qt::StrongFocus);
    return s;
}

SpinEdit *spin(QWidget *parent, const char *name, int x, int y, const char *hint)
{
    auto *s = place(new SpinEdit(parent), name, x, y, 49, 23);
    s->setRange(1, 35000);
    s->setValue(1500);
    s->setFont(makeFont(8));
    s->setToolTip(QString::fromLatin1(hint));
    return s;
}

} // namespace

void TFrmsplit::buildControls()
{
    using glyphs::Glyph;
    setWindowTitle(QStringLiteral("MP3 Cleavo"));
    // The installed icon when the desktop's icon theme has it, else the same picture drawn here.
    setWindowIcon(QIcon::fromTheme(QStringLiteral("cleavo"), glyphs::appIcon()));
    resize(502, 609);
    setAutoFillBackground(true);
    // Grey panels and black text under any desktop palette, dark ones included.
    setPalette(look::windowPalette());
    setFont(makeFont(8, false, false, "MS Sans Serif"));
    const QFont plain = makeFont(8), bold = makeFont(8, true), boldUnder = makeFont(8, true, true);

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

    // Top area
    Lblinfo = label(canvas, "Lblinfo",
                    QStringLiteral("Click \"Select\" to choose an MP3, then choose to \"Split by Byte Size\" or "
                                   "\"Split by Listening\". (Note that the original MP3 is never altered or changed)."),
                    5, 2, 482, 32, plain);
    Lblinfo->setWordWrap(true);
    Cmdselect
        = button(canvas, "Cmdselect", QStringLiteral("Select an MP3 file to split"), 128, 45, 188, 22, Glyph::Open);
    Cmdselect->setToolTip(QStringLiteral("Select an MP3 to split (original is NOT altered)"));
    Image1 = picture(canvas, "Image1", 330, 49, 40, 32);
    Image1->setPixmap(glyphs::arrow(devicePixelRatioF()));
    Lblliteral = label(canvas, "Lblliteral", QStringLiteral("FILE SELECTED:"), 5, 75, 119, 18, boldUnder);
    Lblliteral->hide();
    LblFile = label(canvas, "LblFile", QString(), 134, 75, 356, 16, boldUnder);
    Lblsizecaption
        = label(canvas, "Lblsizecaption", QStringLiteral("FILE SIZE (Total Bytes):"), 5, 93, 129, 13, boldUnder);
    Lblsizecaption->hide();
    Lblsize = label(canvas, "Lblsize", QString(), 134, 93, 275, 13, boldUnder);

    Panel3 = panel(canvas, "Panel3", 91, 120, 302, 31, 232);
    RadListen = place(new QRadioButton(QStringLiteral("Split by Listening"), Panel3), "RadListen", 14, 8, 133, 17);
    RadByte = place(new QRadioButton(QStringLiteral("Split by Byte Size"), Panel3), "RadByte", 168, 8, 124, 17);
    RadListen->setFont(plain);
    RadByte->setFont(plain);

    Panel1 = panel(canvas, "Panel1", 7, 168, 484, 353, 224);

    // Listening panel
    PanListen = panel(Panel1, "PanListen", 8, 8, 468, 185, 232);
    SpinEdit1 = spin(PanListen, "SpinEdit1", 58, 15, "Number to adjust when you click rewind");
    CmdRewind = button(PanListen, "CmdRewind", QStringLiteral("Rewind"), 111, 15, 70, 22, Glyph::Rewind);
    CmdForward = button(PanListen, "CmdForward", QStringLiteral("Forward"), 207, 15, 70, 22, Glyph::Forward);
    SpinEdit2 = spin(PanListen, "SpinEdit2", 282, 15, "Number to adjust when you click forward");
    Image2 = picture(PanListen, "Image2", 360, 11, 57, 49);
    Image2->hide();
    CmdStop = button(PanListen, "CmdStop", QStringLiteral("Stop"), 84, 48, 70, 22, Glyph::Stop);
    CmdPause = button(PanListen, "CmdPause", QStringLiteral("Pause"), 159, 48, 70, 22, Glyph::Pause);
    CmdPlay = button(PanListen, "CmdPlay", QStringLiteral("Play"), 235, 48, 70, 22, Glyph::Play);
    ScrollBar1 = scrollBar(PanListen, "ScrollBar1", 77, 76, 233, 13, 5, 5);
    ScrollBar1->setCursor(Qt::SizeHorCursor);
    const QFont courier = makeFont(8, true, false, "Courier New");
    LblCurrent = label(PanListen, "LblCurrent", QString(), 64, 92, 127, 16, courier);
    LblEnd = label(PanListen, "LblEnd", QString(), 273, 92, 104, 16, courier);
    CmdStart = button(PanListen, "CmdStart", QStringLiteral("Set Start Position"), 95, 125, 151, 23, Glyph::MarkStart);
    CmdStart->setToolTip(QStringLiteral("Click to set starting point of new MP3"));
    CmdEnd = button(PanListen, "CmdEnd", QStringLiteral("Set End Position"), 95, 152, 151, 23, Glyph::MarkEnd);
    CmdEnd->setToolTip(QStringLiteral("Click to set ending point of new MP3"));
    Lblstarting = label(PanListen, "Lblstarting", QStringLiteral("Start position set: "), 259, 130, 93, 17, plain);
    Lblstarting->hide();
    LblPosS = label(PanListen, "LblPosS", QString(), 354, 130, 104, 17, bold);
    Lblending = label(PanListen, "Lblending", QStringLiteral("End position set:"), 260, 155, 87, 17, plain);
    Lblending->hide();
    LblPosE = label(PanListen, "LblPosE", QString(), 354, 155, 104, 17, bold);
    ChkExact = place(new QCheckBox(QStringLiteral("Cut at the exact marks"), PanListen), "ChkExact", 316, 64, 146, 17);
    ChkExact->setFont(plain);
    ChkExact->setToolTip(QStringLiteral("Cut the new MP3 at the very times you marked, in whole MP3 frames with an "
                                        "exact length, instead of at whole percentages of the file"));

    // Byte panel
    PanByte = panel(Panel1, "PanByte", 8, 8, 468, 185, 232);
    Label8 = label(PanByte, "Label8",
                   QStringLiteral("Alter the scrollbar positions to create your split file. Click the arrows to move "
                                  "by 1 byte, click or drag on the scrollbar to move by larger amounts."),
                   8, 5, 449, 30, plain);
    Label8->setWordWrap(true);
    ScrollStart = scrollBar(PanByte, "ScrollStart", 11, 38, 270, 13, 1, 100);
    Label3 = label(PanByte, "Label3", QStringLiteral("Start at byte: "), 9, 55, 72, 14, plain);
    LblByteStart = label(PanByte, "LblByteStart", QString(), 84, 55, 95, 14, bold);
    Image4 = picture(PanByte, "Image4", 354, 42, 57, 49);
    Image4->hide();
    ScrollEnd = scrollBar(PanByte, "ScrollEnd", 11, 82, 270, 13, 1, 100);
    Label2 = label(PanByte, "Label2", QStringLiteral("End at byte:"), 10, 99, 63, 14, plain);
    LblByteEnd = label(PanByte, "LblByteEnd", QString(), 85, 99, 94, 14, bold);
    LblRealTime = label(PanByte, "LblRealTime", QString(), 9, 124, 255, 14, plain);
    LblRealByte = label(PanByte, "LblRealByte", QString(), 270, 124, 87, 14, bold);
    BitBtn1 = button(PanByte, "BitBtn1", QStringLiteral("Split File Now"), 8, 153, 151, 24, Glyph::Split);

    // Result panel and output location
    Label5 = label(Panel1, "Label5", QStringLiteral("New File Byte Size:"), 8, 207, 108, 14, boldUnder);
    LblNewByte = label(Panel1, "LblNewByte", QString(), 118, 207, 158, 15, bold);
    Label6 = label(Panel1, "Label6", QStringLiteral("New File Name:"), 8, 223, 108, 14, boldUnder);
    LblName = label(Panel1, "LblName", QString(), 118, 223, 313, 17, bold);
    Label7 = label(Panel1, "Label7", QStringLiteral("New File Location:"), 8, 240, 108, 15, boldUnder);
    LblPath = label(Panel1, "LblPath", QString(), 118, 240, 353, 15, bold);
    LblNewTime = label(Panel1, "LblNewTime", QString(), 282, 207, 190, 15, bold);
    for (QLabel *l : {Label5, LblNewByte, Label6, LblName, Label7, LblPath, LblNewTime})
        l->hide();
    GroupBox2 = place(new QGroupBox(QStringLiteral("When splitting files:"), Panel1), "GroupBox2", 8, 260, 197, 83);
    GroupBox2->setFont(makeFont(9, true));
    RadDefault
        = place(new QRadioButton(QStringLiteral("Use default MP3 location."), GroupBox2), "RadDefault", 8, 24, 179, 17);
    RadAsk = place(new QRadioButton(QStringLiteral("Ask me where to store the MP3."), GroupBox2), "RadAsk", 8, 46, 179,
                   17);
    RadDefault->setFont(plain);
    RadAsk->setFont(plain);
    CmdPmp3 = button(Panel1, "CmdPmp3", QStringLiteral("Play New MP3"), 216, 266, 156, 23, Glyph::PlayNew);
    CmdPmp3->setToolTip(QStringLiteral("Listen to your new MP3 that was split."));
    CmdOmp3 = button(Panel1, "CmdOmp3", QStringLiteral("Play With Default Player"), 216, 293, 156, 23, Glyph::OpenWith);
    CmdOmp3->setToolTip(QStringLiteral("Use the default player to listen to your new MP3 that was split."));
    CmdSPlay = button(Panel1, "CmdSPlay", QStringLiteral("Stop Playing New MP3"), 216, 320, 156, 23, Glyph::StopNew);
    CmdSPlay->setToolTip(QStringLiteral("Stop playing"));
    for (QPushButton *b : {CmdPmp3, CmdOmp3, CmdSPlay})
        b->setEnabled(false);
    Image3 = picture(Panel1, "Image3", 380, 260, 65, 42);

    // Bottom rows
    Button3 = button(canvas, "Button3", QStringLiteral("More Software"), 262, 526, 112, 20, Glyph::More);
    Button2 = button(canvas, "Button2", QStringLiteral("Help"), 378, 526, 112, 20, Glyph::Help);
    CmdSupport = button(canvas, "CmdSupport", QStringLiteral("Support"), 146, 549, 112, 20, Glyph::Support);
    CmdSupport->hide();
    CmdAbout = button(canvas, "CmdAbout", QStringLiteral("About"), 262, 549, 112, 20, Glyph::About);
    CmdCancel = button(canvas, "CmdCancel", QStringLiteral("Exit"), 378, 549, 112, 20, Glyph::Exit);

    nameForScreenReaders();

    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(50);
    Timer3 = new QTimer(this);
    Timer3->setObjectName(QStringLiteral("Timer3"));
    Timer3->setInterval(1000);
}

void TFrmsplit::nameForScreenReaders()
{
    ScrollBar1->setAccessibleName(QStringLiteral("Position in the MP3, in milliseconds"));
    ScrollStart->setAccessibleName(QStringLiteral("Start at byte"));
    ScrollEnd->setAccessibleName(QStringLiteral("End at byte"));
    Label3->setBuddy(ScrollStart);
    Label2->setBuddy(ScrollEnd);
    for (SpinEdit *step : {SpinEdit1, SpinEdit2})
        step->setAccessibleName(step->toolTip());
    for (QLabel *arrow : {Image1, Image2, Image4})
        arrow->setAccessibleName(QStringLiteral("Arrow pointing to the next step"));
    Image3->setAccessibleName(QStringLiteral("New MP3 ready"));
    PanListen->setAccessibleName(QStringLiteral("Split by Listening"));
    PanByte->setAccessibleName(QStringLiteral("Split by Byte Size"));
    ChkExact->setAccessibleDescription(ChkExact->toolTip());
    m_scroller->horizontalScrollBar()->setAccessibleName(QStringLiteral("Scroll the window sideways"));
    m_scroller->verticalScrollBar()->setAccessibleName(QStringLiteral("Scroll the window up and down"));
}

void TFrmsplit::resizeEvent(QResizeEvent *event)
{
    m_scroller->setGeometry(rect());
    QWidget::resizeEvent(event);
}

void TFrmsplit::setControlsEnabled(bool enabled)
{
    m_scroller->widget()->setEnabled(enabled);
}
