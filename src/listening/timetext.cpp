#include "listening/timetext.h"

#include "core/intconv.h"

#include <QStringList>
#include <limits>

namespace timetext {

QString format(int64_t ms, bool withHours)
{
    if (ms < 0)
        ms = 0;
    const int64_t hundredths = (ms / 10) % 100;
    const int64_t seconds = (ms / 1000) % 60;
    const int64_t minutes = withHours ? (ms / 60000) % 60 : ms / 60000;
    const QString tail
        = QStringLiteral("%1.%2").arg(seconds, 2, 10, QLatin1Char('0')).arg(hundredths, 2, 10, QLatin1Char('0'));
    if (!withHours)
        return QStringLiteral("%1:%2").arg(minutes).arg(tail);
    return QStringLiteral("%1:%2:%3").arg(ms / 3600000).arg(minutes, 2, 10, QLatin1Char('0')).arg(tail);
}

namespace {

// Only the digits 0-9, at least one.
std::optional<int64_t> digits(const QString &text, int maxLength)
{
    if (text.isEmpty() || text.size() > maxLength)
        return std::nullopt;
    int64_t value = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

} // namespace

std::optional<int32_t> parse(const QString &raw)
{
    const QString text = raw.trimmed();
    if (!text.contains(QLatin1Char(':'))) {
        const auto plain = parseInt32(text);
        if (plain && *plain >= 0)
            return plain;
        return std::nullopt;
    }
    QString whole = text, fraction;
    if (const qsizetype dot = text.indexOf(QLatin1Char('.')); dot >= 0) {
        whole = text.left(dot);
        fraction = text.mid(dot + 1);
        if (fraction.isEmpty() || fraction.size() > 3)
            return std::nullopt;
    }
    const QStringList parts = whole.split(QLatin1Char(':'));
    if (parts.size() > 3)
        return std::nullopt;
    int64_t ms = 0;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const bool first = i == 0;
        const auto value = digits(parts[i], first ? 6 : 2);
        // After the first field, minutes and seconds stay below 60 and take two digits.
        if (!value || (!first && (parts[i].size() != 2 || *value >= 60)))
            return std::nullopt;
        ms = ms * 60 + *value;
    }
    ms *= 1000;
    if (!fraction.isEmpty()) {
        const auto f = digits(fraction, 3);
        if (!f)
            return std::nullopt;
        ms += *f * (fraction.size() == 1 ? 100 : fraction.size() == 2 ? 10 : 1);
    }
    if (ms > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(ms);
}

} // namespace timetext
