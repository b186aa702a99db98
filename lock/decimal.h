// Numbers as decimal text, by hand: the C library's formatting would cost a program held to
// 64 KiB a good part of it.
#pragma once

#include <cstdint>
#include <string>

namespace corvel {

std::wstring Decimal(std::uint32_t value);

}  // namespace corvel
