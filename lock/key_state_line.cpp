#include "lock/key_state_line.h"

#include "lock/layout.h"

namespace corvel {

std::wstring_view KeyStateLine(bool caps_lock, bool kana_lock) {
  if (caps_lock) {
    return kana_lock ? layout::kCapsAndKanaLockOn : layout::kCapsLockOn;
  }
  return kana_lock ? layout::kKanaLockOn : L"";
}

}  // namespace corvel
