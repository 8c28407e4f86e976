#include "extras/ui/frmabout.h"

#include "core/ui/look.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace {

QLabel *disclaimer(QWidget *parent, const char *name, const char *text, int x, int y, int w, int h)
{
    auto *l = new QLabel(QString::fromLatin1(text), parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(x, y, w, h);
    l->setWordWrap(true);
    l->setTextFormat(Qt::PlainText);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont f(QStringLiteral("Courier New"));
    f.setPointSize(10);
    l->setFont(f);
    return l;
}

} // namespace

TFrmabout2::TFrmabout2(QWidget *owner) : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("TFrmabout2"));
    setModal(true);
    setFixedSize(559, 336);
    setAutoFillBackground(true);
    setPalette(look::windowPalette());
    setAccessibleName(QStringLiteral("About MP3 Cleavo"));

    auto *frame = new QGroupBox(this);
    frame->setObjectName(QStringLiteral("GroupBox1"));
    frame->setGeometry(8, 16, 537, 273);
    auto *box = new QGroupBox(QStringLiteral("Disclaimer"), frame);
    box->setObjectName(QStringLiteral("GroupBox2"));
    box->setGeometry(20, 64, 501, 193);
    QFont boxFont = box->font();
    boxFont.setPointSize(10);
    box->setFont(boxFont);
    // Styles that draw the caption above the frame line push the frame down:
    // the text moves down with it instead of crossing the line.
    const int below = std::max(0, box->contentsRect().top() - 16);
    disclaimer(box, "Label2",
               "There are NO warranties express or implied.  Quillfen or the developers of this software will NOT "
               "be held liable for any special, incidental, consequential, indirect, or similiar",
               12, 16 + below, 477, 65);
    disclaimer(box, "Label3",
               "damages due to loss of data, loss of profits, business interruption, or any other reason.  The sole "
               "remedy shall be limited to refund of the purchase price.",
               12, 63 + below, 477, 57);
    disclaimer(box, "Label4",
               "By using this software, you are agreeing to these terms.  If these terms are not agreeable, do not "
               "use this software.",
               12, 116 + below, 469, 52);

    Button1 = new QPushButton(QStringLiteral("Return"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(468, 300, 75, 25);
    QFont buttonFont(QStringLiteral("Arial"));
    buttonFont.setPointSize(9);
    Button1->setFont(buttonFont);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &TFrmabout2::Button1Click);

    if (QScreen *screen = owner ? owner->screen() : nullptr) {
        const QRect area = screen->geometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

void TFrmabout2::Button1Click()
{
    close();
}
