// Numbers as decimal text, by hand: the C library's formatting would cost a program held to
// 64 KiB a good part of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvel {

// At least `width` digits, zeros in front.
std::wstring Decimal(std::uint32_t value, std::size_t width = 1);

}  // namespace corvel
