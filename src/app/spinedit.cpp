#include "app/spinedit.h"

#include "core/intconv.h"

#include <QLineEdit>

SpinEdit::SpinEdit(QWidget *parent) : QSpinBox(parent)
{
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    setKeyboardTracking(true);
}

int SpinEdit::Value() const
{
    const auto v = parseInt32(lineEdit()->text());
    return v ? *v : minimum();
}

QValidator::State SpinEdit::validate(QString &input, int &) const
{
    // Digits, signs and the decimal separator may be typed.
    for (QChar c : input) {
        if (!(c.isDigit() || c == QLatin1Char('-') || c == QLatin1Char('+') || c == QLatin1Char('.')
              || c == QLatin1Char(',')))
            return QValidator::Invalid;
    }
    const auto v = parseInt32(input);
    if (v && *v >= minimum() && *v <= maximum())
        return QValidator::Acceptable;
    return QValidator::Intermediate;
}

int SpinEdit::valueFromText(const QString &text) const
{
    const auto v = parseInt32(text);
    return v ? *v : minimum();
}

void SpinEdit::fixup(QString &input) const
{
    const int v = std::clamp(valueFromText(input), minimum(), maximum());
    input = QString::number(v);
}
