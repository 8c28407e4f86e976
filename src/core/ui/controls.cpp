#include "core/ui/controls.h"

#include "core/ui/scrollbar.h"

#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace controls {

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

} // namespace

QFont font(int pt, bool bold, bool underline, const char *family)
{
    QFont f(QString::fromLatin1(family));
    f.setPointSize(pt);
    f.setBold(bold);
    f.setUnderline(underline);
    return f;
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
    b->setFont(font(8));
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

} // namespace controls
