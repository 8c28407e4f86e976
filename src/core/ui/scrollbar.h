#pragma once
// A horizontal scroll bar as the program's bars behave: its keys move the
// thumb the way they point (Left/Up and Page Up towards the minimum,
// Right/Down and Page Down towards the maximum, Home and End to the ends), its
// thumb keeps the smallest size whatever the page step, and it shows a focus
// mark on the thumb while it has the keyboard focus.

#include <QScrollBar>

class ScrollBar : public QScrollBar {
    Q_OBJECT
public:
    explicit ScrollBar(QWidget *parent = nullptr);

    // Ends a mouse press on the bar as if the button had been released, but
    // without any signal: no more repeated steps, no end of a drag. Used when
    // a modal window opens while the button is held, since that window takes
    // the release.
    void cancelPress();

protected:
    void initStyleOption(QStyleOptionSlider *option) const override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_pressed = false;
};
