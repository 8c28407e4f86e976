#pragma once
// A horizontal scroll bar whose keys move the thumb the way they point:
// Left/Up and Page Up towards the minimum, Right/Down and Page Down towards
// the maximum, Home and End to the ends.

#include <QScrollBar>

class ScrollBar : public QScrollBar {
    Q_OBJECT
public:
    explicit ScrollBar(QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
