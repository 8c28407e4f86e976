// Whole-number readings on arbitrary text.
#include "core/intconv.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromLatin1(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const auto parsed = parseInt32(text);
    QString error;
    const auto strict = strictInt(text, &error);
    if (strict != parsed || error.isEmpty() == !parsed.has_value())
        std::abort();
    const int32_t lenient = lenientInt(text, -7);
    if (parsed && lenient != *parsed)
        std::abort();
    // A plain decimal reading agrees with strtoll where the text is plain digits.
    if (parsed && size > 0 && size < 12 && data[0] >= '0' && data[0] <= '9') {
        bool digits = true;
        for (size_t i = 0; i < size; ++i)
            digits = digits && data[i] >= '0' && data[i] <= '9';
        if (digits && std::strtoll(text.toLatin1().constData(), nullptr, 10) != *parsed)
            std::abort();
    }
    return 0;
}
