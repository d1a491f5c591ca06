#pragma once
// 32-bit integer arithmetic as the recorder's numbers use it: products and sums wrap modulo 2^32,
// divisions truncate toward zero, and a zero divisor gives 0 instead of stopping the program.

#include <cstdint>

namespace kestrom {

constexpr std::int32_t wrapAdd(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
constexpr std::int32_t wrapSub(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}
constexpr std::int32_t wrapMul(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}
// a / b truncating toward zero; 0 when b is 0; INT32_MIN / -1 wraps to INT32_MIN.
constexpr std::int32_t truncDiv(std::int32_t a, std::int32_t b) {
    if (b == 0) {
        return 0;
    }
    if (b == -1) {
        return wrapSub(0, a);
    }
    return a / b;
}

} // namespace kestrom
