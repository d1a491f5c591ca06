#include "flight/number_format.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kestrom {
namespace {

// Appends magnitude tenths as "<whole><sep><digit>", with a minus sign when negative and not zero.
void appendTenths(std::string& out, bool negative, std::uint64_t tenths, char sep) {
    if (negative && tenths != 0) {
        out.push_back('-');
    }
    std::array<char, 24> digits{};
    std::size_t n = 0;
    std::uint64_t whole = tenths / 10;
    do {
        digits[n++] = static_cast<char>('0' + whole % 10);
        whole /= 10;
    } while (whole != 0);
    while (n > 0) {
        out.push_back(digits[--n]);
    }
    out.push_back(sep);
    out.push_back(static_cast<char>('0' + tenths % 10));
}

} // namespace

std::string formatOneDecimal(double value, char decimalSeparator) {
    if (std::isnan(value)) {
        return "NAN";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-INF" : "INF";
    }
    // glibc prints the exact decimal expansion; every double of magnitude 2^-5 or more has at
    // most 57 fractional digits, and anything smaller rounds to 0.0 whatever its tail.
    std::array<char, 400> buffer{};
    const int length = std::snprintf(buffer.data(), buffer.size(), "%.60f", std::fabs(value));
    std::string text(buffer.data(), static_cast<std::size_t>(length));
    const std::size_t point = text.find('.');
    std::string whole = text.substr(0, point);
    char first = text[point + 1];
    // Ties and above go away from zero: only the second decimal decides.
    if (text[point + 2] >= '5') {
        if (first != '9') {
            ++first;
        } else {
            first = '0';
            std::size_t pos = whole.size();
            while (pos > 0 && whole[pos - 1] == '9') {
                whole[--pos] = '0';
            }
            if (pos == 0) {
                whole.insert(whole.begin(), '1');
            } else {
                ++whole[pos - 1];
            }
        }
    }
    const bool zero = first == '0' && whole.find_first_not_of('0') == std::string::npos;
    std::string out;
    if (std::signbit(value) && !zero) {
        out.push_back('-');
    }
    out += whole;
    out.push_back(decimalSeparator);
    out.push_back(first);
    return out;
}

void appendExportValue(std::string& out, std::int32_t altitudeCm, char decimalSeparator) {
    // Exact arithmetic on the centimetres: the value in metres is cm / 100.
    const bool negative = altitudeCm < 0;
    const std::uint64_t cm = static_cast<std::uint64_t>(std::llabs(altitudeCm));
    // Four significant digits: below 100 m one decimal is kept anyway (cm have two decimals,
    // and rounding them to four digits changes nothing); from 100 m on the digit unit grows.
    std::uint64_t unitCm = 10;
    for (std::uint64_t wholeMetres = cm / 100; wholeMetres >= 1000; wholeMetres /= 10) {
        unitCm *= 10;
    }
    const std::uint64_t roundedCm = (cm + unitCm / 2) / unitCm * unitCm;
    appendTenths(out, negative, roundedCm / 10, decimalSeparator);
}

std::string formatExportValue(std::int32_t altitudeCm, char decimalSeparator) {
    std::string out;
    appendExportValue(out, altitudeCm, decimalSeparator);
    return out;
}

} // namespace kestrom
