#include "lock/decimal.h"

namespace corvel {

std::wstring Decimal(std::uint32_t value, std::size_t width) {
  std::wstring digits;
  do {
    digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + value % 10));
    value /= 10;
  } while (value != 0 || digits.size() < width);
  return digits;
}

}  // namespace corvel
