#include "listening/markmath.h"

#include "core/errors.h"

#include <cfenv>
#include <cmath>

namespace marks {

namespace {

std::optional<int32_t> roundToInt32(long double q, QString *error)
{
    // The default rounding mode rounds to nearest with ties to even.
    const long double r = std::nearbyintl(q);
    if (!(r >= -9.2233720368547758e18L && r < 9.2233720368547758e18L))
        return failed(error, QStringLiteral("Invalid floating point operation"));
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(r))));
}

} // namespace

std::optional<int32_t> Percent(int32_t mark, int32_t length, QString *error)
{
    if (length == 0)
        return failed(error,
                      mark == 0 ? QStringLiteral("Invalid floating point operation")
                                : QStringLiteral("Floating point division by zero"));
    // volatile: each step is rounded to 80 bits where it happens, so that the
    // compiler cannot fuse or reorder them and the percentages stay exact.
    volatile long double q = static_cast<long double>(mark) / static_cast<long double>(length);
    q = q * 100.0L;
    return roundToInt32(q, error);
}

std::optional<int32_t> ByteOffset(int32_t percent, int64_t size, QString *error)
{
    const int64_t product = static_cast<int64_t>(percent) * size;
    volatile long double q = static_cast<long double>(product) / 100.0L; // as above
    return roundToInt32(q, error);
}

} // namespace marks
