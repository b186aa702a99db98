#include "lock/handover_win32.h"

#include <cstdint>

#include "lock/shared_section_win32.h"

namespace corvel {

Role TakeRole(const wchar_t* arguments, Handover& handover) {
  const RoleClaim claim = ClaimedRole(arguments);
  if (claim.role == Role::kLock) return Role::kLock;
  auto* section = reinterpret_cast<HANDLE>(std::uintptr_t{claim.section});
  auto* starter = reinterpret_cast<HANDLE>(std::uintptr_t{claim.starter});
  SharedState* shared = MapSharedSection(section);
  if (shared == nullptr) return Role::kLock;
  if (!HandedTo(*shared, GetCurrentProcessId(), GetProcessId(starter))) {
    UnmapViewOfFile(shared);
    return Role::kLock;
  }
  handover = {section, shared, starter};
  return claim.role;
}

}  // namespace corvel
