#include "host/ValueText.h"

#include <cmath>
#include <cstring>

namespace tovrel {

namespace {

constexpr int kSignificantChars = 8;

void emit(const char* rendered, char* text, int32_t maxLen) {
    if (!text || maxLen < 0)
        return;
    const size_t length = std::strlen(rendered);
    const size_t kept = length < static_cast<size_t>(maxLen) ? length : static_cast<size_t>(maxLen);
    std::memcpy(text, rendered, kept);
    text[kept] = '\0';
}

} // namespace

void formatFloatText(double value, char* text, int32_t maxLen) {
    if (std::isnan(value)) {
        emit("NaN", text, maxLen);
        return;
    }
    char out[32];
    int count = 0;
    double v = value;
    const bool negative = v < 0.0;
    if (negative) {
        out[count++] = '-';
        v = -v;
    }
    if ((negative && v > 9999999.0) || (!negative && v > 99999999.0)) {
        emit("Huge!", text, maxLen);
        return;
    }

    // Integer digits, taken from the units upwards; the units digit and the point count 2.
    char digits[kSignificantChars];
    int digitCount = 0;
    int used = count + 2;
    double rest = std::floor(v);
    do {
        digits[digitCount++] = static_cast<char>('0' + static_cast<int>(std::fmod(rest, 10.0)));
        rest *= 0.1;
        if (digitCount > 1)
            ++used;
    } while (rest >= 1.0 && used < kSignificantChars);
    while (digitCount > 0)
        out[count++] = digits[--digitCount];
    out[count++] = '.';

    // Fraction digits fill the remaining budget, produced from the least significant upwards.
    if (used < kSignificantChars) {
        const int fractionDigits = kSignificantChars - used;
        double m = std::fmod(v, 1.0) * std::pow(10.0, fractionDigits);
        for (int i = fractionDigits - 1; i >= 0; --i) {
            if (m > 0.0) {
                out[count + i] = static_cast<char>('0' + static_cast<int>(std::fmod(m, 10.0)));
                m *= 0.1;
            } else {
                out[count + i] = '0';
            }
        }
        count += fractionDigits;
    }
    out[count] = '\0';
    emit(out, text, maxLen);
}

void formatIntegerText(int32_t value, char* text, int32_t maxLen) {
    int64_t v = value;
    // Negative values of such magnitude have no room either.
    if (v >= 100000000 || v <= -100000000) {
        emit("Huge!", text, maxLen);
        return;
    }
    char out[16];
    int count = 0;
    if (v < 0) {
        out[count++] = '-';
        v = -v;
    }
    bool started = false;
    for (int64_t divisor = 100000000; divisor >= 1; divisor /= 10) {
        const int64_t digit = v / divisor;
        v %= divisor;
        if (digit != 0 || started || divisor == 1) {
            out[count++] = static_cast<char>('0' + digit);
            started = true;
        }
    }
    out[count] = '\0';
    emit(out, text, maxLen);
}

void formatDecibelText(float gain, char* text, int32_t maxLen) {
    if (gain > 0.0f)
        formatFloatText(static_cast<float>(20.0 * std::log10(static_cast<double>(gain))), text, maxLen);
    else
        emit("-oo", text, maxLen);
}

} // namespace tovrel
