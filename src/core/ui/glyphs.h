#pragma once
// The program's small pictures, drawn in code: the guiding arrow and the
// button glyphs (with Qt's disabled look).

#include <QIcon>
#include <QPixmap>

class QPainter;

namespace glyphs {

enum class Glyph {
    Open,
    Rewind,
    Forward,
    Stop,
    Pause,
    Play,
    MarkStart,
    MarkEnd,
    Split,
    PlayNew,
    OpenWith,
    StopNew,
    More,
    Help,
    Support,
    About,
    Exit
};

QIcon icon(Glyph glyph);
// The colour of a glyph's flag (the start mark's green, the end mark's red).
QColor flagColour(Glyph glyph);
// The arrow that points left at the control the user should use next, drawn
// for a screen of that device pixel ratio.
QPixmap arrow(qreal ratio = 1.0);
// The program's icon: scissors over a sound wave.
QIcon appIcon();
void paintAppIcon(QPainter &painter, int size);

} // namespace glyphs
