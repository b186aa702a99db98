#include "lock/program_file_win32.h"

#include <windows.h>

#include "shared/forms_win32.h"

namespace corvel {

void HoldProgramFile() {
  // Renaming or deleting needs a handle that shares deletion, writing one that shares writing:
  // this one shares neither. It is never closed: it goes with the process.
  CreateFileW(pw::ProgramPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
              nullptr);
}

}  // namespace corvel
