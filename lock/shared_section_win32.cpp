#include "lock/shared_section_win32.h"

namespace corvel {

SharedState* MakeSharedSection(HANDLE& section) {
  section = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                               sizeof(SharedState), nullptr);
  if (section == nullptr) return nullptr;
  SharedState* state = MapSharedSection(section);
  if (state == nullptr) {
    CloseHandle(section);
    section = nullptr;
    return nullptr;
  }
  Initialize(*state);
  return state;
}

SharedState* MapSharedSection(HANDLE section) {
  return static_cast<SharedState*>(
      MapViewOfFile(section, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(SharedState)));
}

}  // namespace corvel
