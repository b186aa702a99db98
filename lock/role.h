// The role a Corvel process takes from its command line. A plain start, with no arguments, locks.
// A lock in force starts Corvel again as its watcher: a lock in waiting, which takes over should
// the lock be ended by force. It is told the values of the two handles it is handed as it is
// created, the same as in the Corvel that started it: that Corvel's process, and the memory the
// two share. The arguments are only a claim: the role is taken once that memory names the new
// process (handover_win32.h), and anything else makes a plain start, so that nothing typed on a
// command line starts less than a lock.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace corvel {

enum class Role {
  kLock,     // a plain start
  kWatcher,  // started by a lock in force, to wait behind it
};

struct RoleClaim {
  Role role = Role::kLock;
  std::uint32_t starter = 0;  // the handle of the Corvel process that started this one
  std::uint32_t section = 0;  // the handle of the memory the two share
};

// Exactly "/watch STARTER SECTION", each number in decimal digits alone and within 32 bits, one
// space apart, claims the watcher's role; anything else is a plain start.
RoleClaim ClaimedRole(std::wstring_view arguments);

// The arguments that claim the watcher's role.
std::wstring RoleArguments(const RoleClaim& claim);

}  // namespace corvel
