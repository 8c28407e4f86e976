#include "listening/ui/spinedit.h"

#include "core/intconv.h"

#include <QLineEdit>
#include <QProxyStyle>
#include <QStyleOptionComplex>

namespace {

// Narrow arrows and a thin frame, so that five digits fit a field 49 pixels wide.
class NarrowArrows : public QProxyStyle {
public:
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex *option, SubControl sub,
                         const QWidget *widget) const override
    {
        if (control != CC_SpinBox)
            return QProxyStyle::subControlRect(control, option, sub, widget);
        constexpr int kArrows = 10;
        const QRect r = option->rect;
        const int half = r.height() / 2;
        switch (sub) {
        case SC_SpinBoxEditField: return QRect(r.left() + 2, r.top() + 2, r.width() - kArrows - 3, r.height() - 4);
        case SC_SpinBoxUp: return QRect(r.right() - kArrows, r.top(), kArrows, half);
        case SC_SpinBoxDown: return QRect(r.right() - kArrows, r.top() + half, kArrows, r.height() - half);
        default: return QProxyStyle::subControlRect(control, option, sub, widget);
        }
    }
};

} // namespace

SpinEdit::SpinEdit(QWidget *parent) : QSpinBox(parent)
{
    auto *narrow = new NarrowArrows;
    narrow->setParent(this);
    setStyle(narrow);
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
