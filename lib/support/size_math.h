// Size arithmetic on numbers taken from input: products are formed only when
// they fit 32 bits, so nothing wraps.
#pragma once

#include <cstdint>

// Stores a x b and returns true when the product fits 32 bits.
[[nodiscard]] inline bool size_product32(uint64_t a, uint64_t b, uint64_t* product)
{
    if (a > 0xFFFFFFFFu || b > 0xFFFFFFFFu) return false;
    if (a != 0 && b > 0xFFFFFFFFu / a) return false;
    *product = a * b;
    return true;
}

// Stores a x b x c and returns true when the product fits 32 bits.
[[nodiscard]] inline bool size_product32(uint64_t a, uint64_t b, uint64_t c, uint64_t* product)
{
    uint64_t ab = 0;
    if (a == 0 || b == 0 || c == 0) {
        *product = 0;
        return true;
    }
    return size_product32(a, b, &ab) && size_product32(ab, c, product);
}
