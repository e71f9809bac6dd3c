// a × b / c with a 64-bit product, rounded to the nearest integer with halves away from
// zero; -1 when c is 0 or the result does not fit. Page and font sizes are converted with it.
#pragma once

#include <cstdint>
#include <limits>

namespace velmo {

constexpr int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const std::int64_t product = std::int64_t(a) * std::int64_t(b);
    const bool negative = (product < 0) != (c < 0);
    const std::uint64_t num = product < 0 ? std::uint64_t(-product) : std::uint64_t(product);
    const std::uint64_t den = c < 0 ? std::uint64_t(-std::int64_t(c)) : std::uint64_t(c);
    const std::uint64_t q = (num * 2 + den) / (den * 2);
    if (q > std::uint64_t(std::numeric_limits<int>::max()) + (negative ? 1 : 0))
        return -1;
    return negative ? int(-std::int64_t(q)) : int(q);
}

} // namespace velmo
