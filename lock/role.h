// The role a Corvel process takes from its command line. A plain start, with no arguments, locks.
// Corvel starts itself again in two roles: as the watcher of a lock in force, and as the lock that
// comes back after a force end. Each is told the process ID of the Corvel that started it and the
// value, in that process, of the handle of the memory the two share. The arguments are only a
// claim: the role is taken once that memory names the new process (watch_win32.h), and anything
// else makes a plain start, so that nothing typed on a command line starts less than a lock.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace corvel {

enum class Role {
  kLock,           // a plain start
  kWatcher,        // started by a lock in force, to watch it
  kRestartedLock,  // started by its watcher after the lock before it was ended by force
};

struct RoleClaim {
  Role role = Role::kLock;
  std::uint32_t starter = 0;  // the process ID of the Corvel that started this one
  std::uint32_t section = 0;  // the shared memory's handle value in that process
};

// Exactly "/watch STARTER SECTION" or "/relock STARTER SECTION", each number in decimal digits
// alone and within 32 bits, one space apart, claims a role; anything else is a plain start.
RoleClaim ClaimedRole(std::wstring_view arguments);

// The arguments that claim `claim.role`, which is not kLock.
std::wstring RoleArguments(const RoleClaim& claim);

}  // namespace corvel
