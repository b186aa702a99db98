#include "lock/role.h"

#include "lock/decimal.h"

namespace corvel {
namespace {

constexpr std::wstring_view kWatchWord = L"/watch ";

// Reads one number from the start of `text`, and the separator after it when `last` is false.
bool ReadNumber(std::wstring_view& text, bool last, std::uint32_t& number) {
  std::uint64_t value = 0;
  std::size_t length = 0;
  for (; length < text.size() && text[length] >= L'0' && text[length] <= L'9'; ++length) {
    value = value * 10 + static_cast<std::uint64_t>(text[length] - L'0');
    if (value > UINT32_MAX) {
      return false;
    }
  }
  text.remove_prefix(length);
  const bool separated = last ? text.empty() : text.starts_with(L' ');
  if (length == 0 || !separated) {
    return false;
  }
  text.remove_prefix(last ? 0 : 1);
  number = static_cast<std::uint32_t>(value);
  return true;
}

}  // namespace

RoleClaim ClaimedRole(std::wstring_view arguments) {
  RoleClaim claim{Role::kWatcher};
  if (!arguments.starts_with(kWatchWord)) {
    return {};
  }
  arguments.remove_prefix(kWatchWord.size());
  if (!ReadNumber(arguments, false, claim.starter) || !ReadNumber(arguments, true, claim.section)) {
    return {};
  }
  return claim;
}

std::wstring RoleArguments(const RoleClaim& claim) {
  return std::wstring(kWatchWord) + Decimal(claim.starter) + L" " + Decimal(claim.section);
}

}  // namespace corvel
