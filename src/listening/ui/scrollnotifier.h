#pragma once
// Turns a scroll bar's signals and input events into classic scroll
// notifications, each delivered before the bar takes its new position:
// a step, page or end action, thumb tracking during a drag, the thumb's final
// position at its release, and an end-of-scroll when the mouse button or key
// that started the action is released.

#include <QObject>
#include <functional>

class QScrollBar;

class ScrollNotifier : public QObject {
    Q_OBJECT
public:
    enum Code {
        SB_LINELEFT = 0,
        SB_LINERIGHT = 1,
        SB_PAGELEFT = 2,
        SB_PAGERIGHT = 3,
        SB_THUMBPOSITION = 4,
        SB_THUMBTRACK = 5,
        SB_LEFT = 6,
        SB_RIGHT = 7,
        SB_ENDSCROLL = 8
    };

    explicit ScrollNotifier(QScrollBar *bar);
    // handler(code, pos): pos is the position the bar is about to take.
    void setHandler(std::function<void(int, int)> handler) { m_handler = std::move(handler); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void notify(int code, int pos);
    void onAction(int action);
    void onReleased();
    // The end of a scroll, at once, or after the action under way when the
    // release arrives while it is being reported (its handler let the
    // pending events run): the bar has not yet taken the action's position.
    void endScroll();

    int m_inAction = 0;

    QScrollBar *m_bar;
    std::function<void(int, int)> m_handler;
    bool m_pendingEnd = false;
};
