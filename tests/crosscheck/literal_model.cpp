#include "literal_model.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace literal {
namespace {

// 32-bit two's complement arithmetic, wrapping.
int32_t wrap(int64_t v) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v)));
}
int32_t add(int32_t a, int32_t b) { return wrap(static_cast<int64_t>(a) + b); }
int32_t sub(int32_t a, int32_t b) { return wrap(static_cast<int64_t>(a) - b); }
int32_t mul(int32_t a, int32_t b) { return wrap(static_cast<int64_t>(a) * b); }
// Truncating division; a zero divisor gives 0.
int32_t div(int32_t a, int32_t b) {
    if (b == 0)
        return 0;
    return wrap(static_cast<int64_t>(a) / b);
}

uint32_t word(const std::vector<uint8_t>& img, std::size_t at) {
    uint32_t lo = at < img.size() ? img[at] : 0;
    uint32_t hi = at + 1 < img.size() ? img[at + 1] : 0;
    return lo + 256u * hi;
}

int32_t signedWord(const std::vector<uint8_t>& img, std::size_t at) {
    return static_cast<int16_t>(static_cast<uint16_t>(word(img, at)));
}

void computeB5(const Calibration& cal, uint32_t ut, int32_t& b5) {
    int32_t x1 = div(mul(sub(static_cast<int32_t>(ut), static_cast<int32_t>(cal.ac6)),
                         static_cast<int32_t>(cal.ac5)),
                     32768);
    int32_t x2 = div(mul(cal.mc, 2048), add(x1, cal.md));
    b5 = add(x1, x2);
}

} // namespace

int32_t truncToInt(long double v) {
    if (std::isnan(v))
        return INT32_MIN;
    long double t = std::trunc(v);
    if (t < -2147483648.0L || t > 2147483647.0L)
        return INT32_MIN;
    return static_cast<int32_t>(t);
}

int32_t compensatePressure(const Calibration& cal, uint32_t up, uint32_t ut) {
    int32_t b5 = 0;
    computeB5(cal, ut, b5);
    int32_t b6 = sub(b5, 4000);
    int32_t x1 = div(mul(cal.b2, div(mul(b6, b6), 4096)), 2048);
    int32_t x2 = div(mul(cal.ac2, b6), 2048);
    int32_t x3 = add(x1, x2);
    int32_t b3 = div(add(mul(cal.ac1, 4), x3), 4);
    x1 = div(mul(cal.ac3, b6), 8192);
    x2 = div(mul(cal.b1, div(mul(b6, b6), 4096)), 65536);
    x3 = div(add(add(x1, x2), 2), 4);
    uint32_t b4 = (cal.ac4 * static_cast<uint32_t>(add(x3, 32768))) >> 15;
    int32_t b7 = mul(sub(static_cast<int32_t>(up), b3), 50000);
    uint32_t ub7 = static_cast<uint32_t>(b7);
    uint32_t up7 = 0;
    if (ub7 < 0x80000000u) {
        up7 = b4 == 0 ? 0 : (ub7 * 2u) / b4;
    } else {
        up7 = (b4 == 0 ? 0 : ub7 / b4) * 2u;
    }
    int32_t p = static_cast<int32_t>(up7);
    long double q = static_cast<long double>(p) / 256.0L;
    x1 = truncToInt(q * q);
    x1 = div(mul(x1, 3038), 65536);
    x2 = div(mul(-7357, p), 65536);
    p = add(p, div(add(add(x1, x2), 3791), 16));
    return p;
}

int32_t headerTemperature(const Calibration& cal, uint32_t ut) {
    int32_t b5 = 0;
    computeB5(cal, ut, b5);
    int32_t tenths = div(add(b5, 8), 16);
    int32_t t = static_cast<int8_t>(static_cast<uint8_t>(static_cast<uint32_t>(div(tenths, 10))));
    if (t > 0)
        t = static_cast<int8_t>(truncToInt(t * 0.81));
    if (t > 80)
        t = 20;
    if (t < -30)
        t = 20;
    return t;
}

float altitude(float pressureHpa, float refPressureHpa, float groundTempC) {
    const long double inv1013 = 1.0L / 1013.25L;
    const long double inv288 = 1.0L / 288.15L;
    float h0 = static_cast<float>(
        (1.0 - std::pow(static_cast<double>(refPressureHpa * inv1013), 0.190266669)) * 44330.76923);
    double h =
        (1.0 - std::pow(static_cast<double>(pressureHpa * inv1013), 0.190266669)) * 44330.76923;
    float d = static_cast<float>(h - h0);
    return static_cast<float>(((groundTempC + 273.15) * d) * inv288);
}

namespace {

// "0.0" form of a non-negative decimal text "ddd.ddd...", ties away from zero.
std::string oneDecimalFromText(const std::string& s, bool negative) {
    std::size_t dot = s.find('.');
    std::string intPart = s.substr(0, dot);
    int first = s[dot + 1] - '0';
    bool roundUp = s[dot + 2] >= '5';
    // ties and above go away from zero: a digit >= 5 at the second decimal always rounds up
    std::string digits = intPart + static_cast<char>('0' + first);
    if (roundUp) {
        int i = static_cast<int>(digits.size()) - 1;
        while (i >= 0) {
            if (digits[static_cast<std::size_t>(i)] == '9') {
                digits[static_cast<std::size_t>(i)] = '0';
                --i;
            } else {
                ++digits[static_cast<std::size_t>(i)];
                break;
            }
        }
        if (i < 0)
            digits.insert(digits.begin(), '1');
    }
    std::string out = digits.substr(0, digits.size() - 1) + "." + digits.back();
    while (out.size() > 3 && out[0] == '0' && out[1] != '.')
        out.erase(0, 1);
    bool zero = out.find_first_not_of("0.") == std::string::npos;
    if (negative && !zero)
        out = "-" + out;
    return out;
}

} // namespace

std::string formatOneDecimal(double v) {
    // The exact decimal expansion of the binary value, then one rounding. 200 decimals hold every
    // float exactly, and every double down to 1e-40, far below what rounds to 0.0 anyway.
    char buf[600];
    std::snprintf(buf, sizeof buf, "%.200f", std::fabs(v));
    return oneDecimalFromText(buf, std::signbit(v));
}

std::string centimetresOneDecimal(int32_t altitudeCm) {
    int64_t a = altitudeCm < 0 ? -static_cast<int64_t>(altitudeCm) : altitudeCm;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%lld.%02lld", static_cast<long long>(a / 100),
                  static_cast<long long>(a % 100));
    return oneDecimalFromText(buf, altitudeCm < 0);
}

namespace {

// Export form of a non-negative decimal text "ddd.ddd...": four significant digits, but never
// more than one decimal; one rounding, ties away from zero.
std::string exportFromDecimal(const std::string& s, bool negative) {
    std::size_t dot = s.find('.');
    std::string all = s.substr(0, dot) + s.substr(dot + 1);
    int pointPos = static_cast<int>(dot); // digits before the point
    // first significant digit
    std::size_t firstSig = all.find_first_not_of('0');
    if (firstSig == std::string::npos)
        return "0.0";
    // keep digits up to: four significant, but never more than one decimal
    int keepSig = static_cast<int>(firstSig) + 4; // index after the last kept digit
    int keepDec = pointPos + 1;
    int keep = keepSig < keepDec ? keepSig : keepDec;
    std::string kept;
    bool up = false;
    if (keep <= 0) {
        kept = "";
        up = keep == 0 && all[0] >= '5';
    } else {
        kept = all.substr(0, static_cast<std::size_t>(keep));
        up = static_cast<std::size_t>(keep) < all.size() &&
             all[static_cast<std::size_t>(keep)] >= '5';
    }
    // pad with zeros to one decimal
    while (static_cast<int>(kept.size()) < keepDec)
        kept.push_back('0');
    int i = keep - 1;
    if (up) {
        while (i >= 0 && kept[static_cast<std::size_t>(i)] == '9') {
            kept[static_cast<std::size_t>(i)] = '0';
            --i;
        }
        if (i >= 0) {
            ++kept[static_cast<std::size_t>(i)];
        } else {
            kept.insert(kept.begin(), '1');
            ++pointPos;
        }
    }
    std::string intDigits = kept.substr(0, static_cast<std::size_t>(pointPos));
    std::string dec = kept.substr(static_cast<std::size_t>(pointPos), 1);
    while (intDigits.size() > 1 && intDigits[0] == '0')
        intDigits.erase(0, 1);
    // A character, not the text "0": g++ 12 at -O3 warns falsely (-Wrestrict) on assigning a
    // string literal after the erase above.
    if (intDigits.empty())
        intDigits.push_back('0');
    std::string out = intDigits + "." + dec;
    if (negative && out != "0.0")
        out = "-" + out;
    return out;
}

} // namespace

std::string exportValue(int32_t altitudeCm, bool exactHundredths) {
    if (exactHundredths) {
        int64_t a = altitudeCm < 0 ? -static_cast<int64_t>(altitudeCm) : altitudeCm;
        char buf[32];
        std::snprintf(buf, sizeof buf, "%lld.%02lld", static_cast<long long>(a / 100),
                      static_cast<long long>(a % 100));
        return exportFromDecimal(buf, altitudeCm < 0);
    }
    double v = altitudeCm * 0.01;
    char buf[1200];
    std::snprintf(buf, sizeof buf, "%.1100f", std::fabs(v));
    return exportFromDecimal(buf, v < 0);
}

Header readHeader(const std::vector<uint8_t>& image) {
    Header h;
    h.competitor = word(image, 1);
    h.serial = word(image, 3);
    h.deviceFactor = static_cast<int32_t>(word(image, 8));
    if (h.deviceFactor < 9700 || h.deviceFactor > 10500)
        h.deviceFactor = 10000;
    h.cal.ac1 = signedWord(image, 10);
    h.cal.ac2 = signedWord(image, 12);
    h.cal.ac3 = signedWord(image, 14);
    h.cal.ac4 = word(image, 16);
    h.cal.ac5 = word(image, 18);
    h.cal.ac6 = word(image, 20);
    h.cal.b1 = signedWord(image, 22);
    h.cal.b2 = signedWord(image, 24);
    h.cal.mb = signedWord(image, 26);
    h.cal.mc = signedWord(image, 28);
    h.cal.md = signedWord(image, 30);
    h.headerTemp = headerTemperature(h.cal, word(image, 5));
    h.rateCode = (image.size() > 7 ? image[7] : 0u) & 0x0Fu;
    static const uint32_t kRates[6] = {200, 150, 100, 50, 10, 5};
    h.rateTimes10 = h.rateCode <= 5 ? kRates[h.rateCode] : 0;
    return h;
}

namespace {

float referencePressure(const std::vector<uint8_t>& image, const Calibration& cal) {
    std::size_t rxPos = 32;
    float ref = 0.0f;
    uint32_t p0 = word(image, 34);
    int accepted = 0;
    for (int s = 0; s < 10; ++s) {
        uint32_t ut = word(image, rxPos);
        uint32_t up = word(image, rxPos + 2);
        rxPos += 4;
        if (std::abs(static_cast<int32_t>(up) - static_cast<int32_t>(p0)) < 5) {
            ref = static_cast<float>(ref + compensatePressure(cal, up, ut) * 0.01L);
            ++accepted;
        }
    }
    return ref / static_cast<float>(accepted);
}

int32_t sampleAltitudeCm(const Calibration& cal, uint32_t up, uint32_t ut, float ref,
                         float groundTemp) {
    int32_t p = compensatePressure(cal, up, ut);
    float hpa = static_cast<float>(p * 0.01L);
    return truncToInt(altitude(hpa, ref, groundTemp) * 100.0);
}

// Converts samples from the first on until one whose pressure word is 0xFFFF (stored too) or
// `samples` of them; gives how many were stored.
std::size_t convertSamples(const std::vector<uint8_t>& image, const Calibration& cal,
                           uint32_t samples, float ref, float groundTemp,
                           std::vector<int32_t>& altitudeCm) {
    int64_t n = samples;
    std::size_t i = 0, rxPos = 32;
    do {
        n -= 1;
        uint32_t ut = word(image, rxPos);
        uint32_t up = word(image, rxPos + 2);
        rxPos += 4;
        altitudeCm[i] = sampleAltitudeCm(cal, up, ut, ref, groundTemp);
        i += 1;
        if (up == 0xFFFF)
            break;
    } while (n != 0);
    return i;
}

} // namespace

RecorderResult evaluateFlight(const std::vector<uint8_t>& image, uint32_t words,
                              const Calibration& cal, uint32_t rateTimes10, float groundTemp,
                              bool accelView) {
    RecorderResult r;
    // Room for the conversion mark and the smoothing's reads past it.
    r.altitudeCm.assign(kCurveLength + 8, 0);
    r.dhdtCm.assign(kCurveLength + 8, 0);
    uint32_t samples = words / 2;
    if (samples > kCurveLength - 1)
        samples = kCurveLength - 1;
    r.maxAltitude = 0.0f;
    r.minAltitude = 10000.0f;
    r.minorTicks = rateTimes10 > 10 ? static_cast<int>(rateTimes10 / 10 - 1) : 0;
    r.refPressure = referencePressure(image, cal);

    const std::size_t i =
        words > 16 ? convertSamples(image, cal, samples, r.refPressure, groundTemp, r.altitudeCm)
                   : 0;
    r.altitudeCm[i] = kConversionMark;

    int64_t ns = static_cast<int64_t>(samples) - 2;
    std::size_t k = 0;
    if (ns > 16) {
        for (int64_t c = 0; c < ns; ++c) {
            int32_t prev = r.altitudeCm[k];
            int32_t s = add(add(prev, r.altitudeCm[k + 1]), r.altitudeCm[k + 2]);
            r.altitudeCm[k + 1] = div(s, 3);
            r.dhdtCm[k + 1] = sub(div(s, 3), prev);
            k += 1;
        }
    }
    r.lastPointIndex = static_cast<int32_t>(k) - 1;

    int64_t np = static_cast<int64_t>(samples) - 5;
    k = 0;
    uint32_t t = 0;
    float d = 0.0f;
    if (np > 16) {
        while (np != 0) {
            int32_t v = r.altitudeCm[k];
            float a = static_cast<float>(v * 0.01);
            np -= 1;
            r.series1.push_back(a);
            if (rateTimes10 != 0 && t % rateTimes10 == 0) {
                r.labels.push_back({static_cast<int>(k), std::to_string(t / rateTimes10)});
            }
            if (accelView && np > 1)
                r.series2.push_back(d);
            t += 10;
            d = static_cast<float>(r.dhdtCm[k + 1] * 0.01);
            int32_t sum =
                add(add(add(r.dhdtCm[k], r.dhdtCm[k + 1]), r.dhdtCm[k + 2]), r.dhdtCm[k + 3]);
            r.dhdtCm[k + 2] = truncToInt(sum * 0.25);
            k += 1;
            if (a > r.maxAltitude && v != -1)
                r.maxAltitude = a;
            if (a < r.minAltitude && v != -1 && r.maxAltitude > 10.0f)
                r.minAltitude = a;
        }
    }
    r.maxText = formatOneDecimal(r.maxAltitude);
    r.minText = formatOneDecimal(r.minAltitude);
    // In double: float arithmetic would round some maxima just below a whole number up to it
    // (7941.29 m gives 8206 instead of 8205).
    r.leftAxisMax = truncToInt(static_cast<double>(r.maxAltitude) / 30 + r.maxAltitude);
    r.altitudeCm[k] = kEndMark;
    r.plotted = static_cast<int32_t>(k);
    return r;
}

CompareResult evaluateCompareFlight(const std::vector<uint8_t>& image, uint32_t bytes,
                                    const Calibration& cal, float groundTemp,
                                    double leftAxisMaxBefore) {
    CompareResult r;
    r.altitudeCm.assign(kCurveLength + 8, 0);
    r.leftAxisMax = leftAxisMaxBefore;
    r.maxAltitude = 0.0f;
    r.minAltitude = 65535.0f;
    r.refPressure = referencePressure(image, cal);
    uint32_t samples = bytes / 4;
    if (samples > kCurveLength - 1)
        samples = kCurveLength - 1;
    const std::size_t i =
        convertSamples(image, cal, samples, r.refPressure, groundTemp, r.altitudeCm);
    r.altitudeCm[i] = kEndMark;

    std::size_t k = 0;
    for (int64_t c = 0; c < static_cast<int64_t>(samples) - 2; ++c) {
        r.altitudeCm[k + 1] =
            div(add(add(r.altitudeCm[k], r.altitudeCm[k + 1]), r.altitudeCm[k + 2]), 3);
        k += 1;
    }
    k = 0;
    for (int64_t c = 0; c < static_cast<int64_t>(samples) - 5; ++c) {
        float a = static_cast<float>(r.altitudeCm[k] * 0.01);
        k += 1;
        r.series3.push_back(a);
        if (a > r.maxAltitude) {
            r.maxAltitude = a;
            r.maxWritten = true;
            r.maxText = formatOneDecimal(a);
            int32_t m = truncToInt(a + a * 0.1);
            if (m > r.leftAxisMax)
                r.leftAxisMax = m;
        }
        if (a < r.minAltitude && r.maxAltitude > 10.0f) {
            r.minAltitude = a;
            r.minWritten = true;
            r.minText = formatOneDecimal(a);
        }
    }
    r.altitudeCm[k] = kEndMark;
    r.plotted = static_cast<int32_t>(k);
    return r;
}

namespace {

struct FilterState {
    std::vector<int32_t> input, work, smooth1, smooth2;
    std::size_t n = 0;
    bool capped = false;
};

long gPreCutRestarts = 0;
long gBandCutRestarts = 0;

// Safety cap on candidates for pathological curves only.
constexpr long kMaxSteps = 20000000L;

void preCut(FilterState& f, int32_t allowance) {
    for (std::size_t i = 0; i <= f.n; ++i)
        f.work[i] = f.input[i];
    std::size_t j = 0, k = 1;
    int32_t a = allowance, s = 0;
    long steps = 0;
    while (k < f.n && f.work[k] != kEndMark) {
        if (++steps > kMaxSteps) {
            f.capped = true;
            break;
        }
        s = add(s, a);
        int32_t diff = sub(f.work[k], f.work[j]);
        int32_t ad = diff < 0 ? wrap(-static_cast<int64_t>(diff)) : diff;
        if (ad < s) {
            a = allowance;
            if (k == j + 1) {
                j = k;
            } else {
                int32_t step = div(sub(f.work[k], f.work[j]), static_cast<int32_t>(k - j));
                for (std::size_t m = j + 1; m <= k; ++m)
                    f.work[m] = add(f.work[m - 1], step);
                j = k;
            }
            k = k + 1;
            s = 0;
        } else {
            if (k - j > 20) {
                ++gPreCutRestarts;
                k = j;
                a = add(a, 30);
                s = 0;
            }
            k = k + 1;
        }
    }
}

std::size_t aheadOf(int32_t w) { return static_cast<std::size_t>(w + w / 2 - w / 5); }

void smoothFirst(FilterState& f, int32_t w) {
    std::size_t ahead = aheadOf(w);
    for (std::size_t i = 0; i < 100; ++i)
        f.smooth1[i] = f.work[i];
    for (std::size_t i = static_cast<std::size_t>(w); i < f.n && f.work[i] != kEndMark; ++i) {
        int32_t sum = 0, count = 0;
        for (std::size_t m = i - static_cast<std::size_t>(w); m <= i + ahead - 1 && m < f.n; ++m) {
            sum = add(sum, f.work[m]);
            ++count;
        }
        f.smooth1[i] = div(sum, count);
    }
    f.smooth1[f.n] = kEndMark;
}

void smoothSecond(FilterState& f, int32_t w) {
    std::size_t ahead = aheadOf(w);
    for (std::size_t i = 0; i < 100; ++i)
        f.smooth2[i] = f.smooth1[i];
    std::size_t before = 1, after = 1;
    for (std::size_t i = 42; i < f.n && f.smooth1[i] != kEndMark; ++i) {
        int32_t sum = 0, count = 0;
        for (std::size_t m = i - before; m <= i + after - 1 && m < f.n; ++m) {
            sum = add(sum, f.smooth1[m]);
            ++count;
        }
        f.smooth2[i] = div(sum, count);
        if (after != ahead)
            after += 1;
        if (before != static_cast<std::size_t>(w))
            before += 1;
    }
    f.smooth2[f.n] = kEndMark;
}

void bandCut(FilterState& f, int32_t tolerance) {
    for (std::size_t i = 0; i <= f.n; ++i)
        f.work[i] = f.input[i];
    std::size_t j = 0, k = 1;
    int32_t t = tolerance, d = 0;
    long steps = 0;
    while (k + 1 <= f.n && f.work[k + 1] != kEndMark) {
        if (++steps > kMaxSteps) {
            f.capped = true;
            break;
        }
        d = add(d, mul(5, sub(f.smooth2[k + 1], f.smooth2[k - 1])));
        int32_t ad = d < 0 ? wrap(-static_cast<int64_t>(d)) : d;
        int32_t h = div(ad, 10);
        int32_t low = sub(sub(f.smooth2[k], h), t);
        int32_t high = add(add(f.smooth2[k], h), t);
        if (low <= f.work[k] && f.work[k] <= high) {
            t = tolerance;
            if (k == j + 1) {
                j = k;
            } else {
                int32_t anchor = f.work[j];
                int32_t span = static_cast<int32_t>(k - j);
                int32_t step = div(mul(10, sub(f.work[k], anchor)), span);
                for (int32_t m = 1; m <= span; ++m) {
                    f.work[j + static_cast<std::size_t>(m)] = add(anchor, div(mul(m, step), 10));
                }
                j = k;
            }
            k = k + 1;
            d = 0;
        } else {
            if (k - j > 45) {
                ++gBandCutRestarts;
                k = j;
                t = add(t, 1);
            }
            k = k + 1;
        }
    }
}

} // namespace

std::vector<int32_t> filterAltitude(const std::vector<int32_t>& curveWithMark,
                                    const FilterParams& params, bool& capped) {
    FilterState f;
    f.input.assign(kCurveLength + 128, 0);
    f.work.assign(kCurveLength + 128, 0);
    f.smooth1.assign(kCurveLength + 128, 0);
    f.smooth2.assign(kCurveLength + 128, 0);
    std::size_t n = 0;
    while (n < curveWithMark.size() && curveWithMark[n] != kEndMark)
        ++n;
    f.n = n;
    for (std::size_t i = 0; i < n; ++i)
        f.input[i] = curveWithMark[i];
    f.input[n] = kEndMark;
    int32_t w1 =
        params.prefilterWidth < 1 ? 1 : (params.prefilterWidth > 100 ? 100 : params.prefilterWidth);
    int32_t w2 = params.finalFilterWidth < 1 ? 1 : params.finalFilterWidth;
    preCut(f, params.preCutCm);
    smoothFirst(f, w1);
    smoothSecond(f, w2);
    bandCut(f, mul(2, params.finalCutCm));
    for (int c = 0; c < 8; ++c) {
        smoothFirst(f, w1);
        smoothSecond(f, w2);
        bandCut(f, params.finalCutCm);
    }
    capped = f.capped;
    return std::vector<int32_t>(f.work.begin(), f.work.begin() + static_cast<std::ptrdiff_t>(n));
}

std::pair<long, long> restartCounts() { return {gPreCutRestarts, gBandCutRestarts}; }

FilterExtremes filterExtremes(const std::vector<int32_t>& filtered) {
    FilterExtremes e{0, 5000, "", ""};
    for (int32_t v : filtered) {
        if (v > e.maxCm)
            e.maxCm = v;
        if (v < e.minCm)
            e.minCm = v;
    }
    e.maxText = centimetresOneDecimal(e.maxCm);
    e.minText = centimetresOneDecimal(e.minCm);
    return e;
}

} // namespace literal
