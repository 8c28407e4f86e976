#pragma once
// A whole-number field with arrows: text that is not a whole number counts as
// the minimum, and the value is brought into range when the field loses focus.

#include <QSpinBox>

class SpinEdit : public QSpinBox {
    Q_OBJECT
public:
    explicit SpinEdit(QWidget *parent = nullptr);
    // The value as the field's text gives it (not yet brought into range).
    [[nodiscard]] int Value() const;
    using QAbstractSpinBox::lineEdit;

protected:
    QValidator::State validate(QString &input, int &pos) const override;
    [[nodiscard]] int valueFromText(const QString &text) const override;
    void fixup(QString &input) const override;
};
