#include "listening/piecetags.h"

#include <QString>

#include <cstring>

namespace piecetags {

namespace {

int64_t syncsafe(const unsigned char *p)
{
    return int64_t(p[0] & 0x7F) << 21 | int64_t(p[1] & 0x7F) << 14 | int64_t(p[2] & 0x7F) << 7 | int64_t(p[3] & 0x7F);
}

int64_t be(const unsigned char *p, int n)
{
    int64_t v = 0;
    for (int i = 0; i < n; ++i)
        v = v << 8 | p[i];
    return v;
}

// The description of a TXXX or COMM frame's body, as text (enough of it to compare).
QString description(const unsigned char *body, int64_t n, bool comment)
{
    if (n < 1)
        return {};
    const unsigned char encoding = body[0];
    int64_t at = comment ? 4 : 1; // a comment has its language first
    if (at > n)
        return {};
    const unsigned char *p = body + at;
    const int64_t left = n - at;
    if (encoding == 1 || encoding == 2) {
        QString text;
        bool little = encoding == 1;
        int64_t i = 0;
        if (encoding == 1 && left >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF))) {
            little = p[0] == 0xFF;
            i = 2;
        }
        for (; i + 1 < left; i += 2) {
            const char16_t c = little ? char16_t(p[i] | p[i + 1] << 8) : char16_t(p[i] << 8 | p[i + 1]);
            if (c == 0)
                break;
            text += QChar(c);
        }
        return text;
    }
    int64_t end = 0;
    while (end < left && p[end] != 0)
        ++end;
    return encoding == 3 ? QString::fromUtf8(reinterpret_cast<const char *>(p), end)
                         : QString::fromLatin1(reinterpret_cast<const char *>(p), end);
}

// Whether a frame measures the whole source.
bool measuresSource(const QByteArray &id, const unsigned char *body, int64_t n)
{
    if (id == "TLEN" || id == "TLE" || id == "RVA2" || id == "RGAD" || id == "RVA")
        return true;
    if (id == "TXXX" || id == "TXX") {
        const QString name = description(body, n, false).toUpper();
        return name.startsWith(QLatin1String("REPLAYGAIN_")) || name.startsWith(QLatin1String("MP3GAIN_"));
    }
    if (id == "COMM" || id == "COM")
        return description(body, n, true) == QLatin1String("iTunNORM");
    return false;
}

} // namespace

int64_t tagSize(const unsigned char *p, int64_t available)
{
    if (available < 10 || std::memcmp(p, "ID3", 3) != 0 || p[3] == 0xFF || p[4] == 0xFF
        || ((p[6] | p[7] | p[8] | p[9]) & 0x80))
        return 0;
    return 10 + syncsafe(p + 6) + ((p[5] & 0x10) ? 10 : 0);
}

std::optional<QByteArray> withoutSourceMeasures(const QByteArray &tag)
{
    const auto *p = reinterpret_cast<const unsigned char *>(tag.constData());
    const int64_t size = tag.size();
    if (tagSize(p, size) != size)
        return std::nullopt;
    const int major = p[3];
    const unsigned char flags = p[5];
    // A tag unsynchronised as a whole (before version 4), or with a footer
    // (which allows no padding), is kept as it is.
    if (major < 2 || major > 4 || (major < 4 && (flags & 0x80)) || (flags & 0x10) || (major == 2 && (flags & 0x40)))
        return std::nullopt;
    const int idBytes = major == 2 ? 3 : 4;
    const int headBytes = major == 2 ? 6 : 10;
    int64_t at = 10;
    if (major > 2 && (flags & 0x40)) {
        if (size < 14)
            return std::nullopt;
        at += major == 4 ? syncsafe(p + 10) : 4 + be(p + 10, 4);
    }
    if (at > size)
        return std::nullopt;
    QByteArray kept(reinterpret_cast<const char *>(p), static_cast<qsizetype>(at));
    bool dropped = false;
    while (at + headBytes <= size && p[at] != 0) {
        const QByteArray id(reinterpret_cast<const char *>(p + at), idBytes);
        const int64_t body = major == 4 ? syncsafe(p + at + 4) : be(p + at + idBytes, major == 2 ? 3 : 4);
        const int64_t whole = headBytes + body;
        if (body < 0 || at + whole > size)
            return std::nullopt; // a frame that does not fit: the tag is not taken apart
        if (measuresSource(id, p + at + headBytes, body))
            dropped = true;
        else
            kept.append(reinterpret_cast<const char *>(p + at), static_cast<qsizetype>(whole));
        at += whole;
    }
    if (!dropped)
        return std::nullopt;
    kept.append(QByteArray(static_cast<qsizetype>(size) - kept.size(), '\0'));
    return kept;
}

} // namespace piecetags
