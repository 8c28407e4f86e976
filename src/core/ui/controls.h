#pragma once
// Making the window's controls at their places: each named as the program
// names it (tests, screen readers and road tests find it by that name), in
// the window's fonts.

#include "core/ui/glyphs.h"

#include <QFont>
#include <QString>

class QFrame;
class QLabel;
class QPushButton;
class QScrollBar;
class QWidget;

namespace controls {

[[nodiscard]] QFont font(int pt, bool bold = false, bool underline = false, const char *family = "Arial");

// Names w and sets its place on its parent.
template <class T>
T *place(T *w, const char *name, int x, int y, int width, int height)
{
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(x, y, width, height);
    return w;
}

// Plain text, top left.
QLabel *label(QWidget *parent, const char *name, const QString &text, int x, int y, int w, int h, const QFont &font);
// A label that shows a picture.
QLabel *picture(QWidget *parent, const char *name, int x, int y, int w, int h);
// A push button with its glyph, pressed by Return and Enter too.
QPushButton *button(QWidget *parent, const char *name, const QString &text, int x, int y, int w, int h,
                    glyphs::Glyph glyph);
// A sunken panel of the given grey.
QFrame *panel(QWidget *parent, const char *name, int x, int y, int w, int h, int grey);
// A horizontal scroll bar from 0 to 100 that takes the focus.
QScrollBar *scrollBar(QWidget *parent, const char *name, int x, int y, int w, int h, int single, int page);

} // namespace controls
