#pragma once
// The About window: a borderless disclaimer with one way out, "Return".

#include <QDialog>

class QPushButton;

class TFrmabout2 : public QDialog {
    Q_OBJECT
public:
    explicit TFrmabout2(QWidget *owner);
    QPushButton *Button1;

    void Button1Click();
};
