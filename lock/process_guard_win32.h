// Every Corvel process, and its thread, lets the user's other programs only wait on it and read
// its name: none can end it, suspend it, read or write its memory, start a thread in it, take its
// handles or change its settings, and none can rewrite that list where the system takes the
// owner's implicit right to it away. The two Corvels of a lock need no more of each other than
// the handles the starter has from creating the other and those it hands over at that moment.
// The system's own account keeps every right, and an administrator's tools still end a process.
#pragma once

#include <windows.h>

namespace corvel {

// The security of a Corvel process, or of its thread.
class Guard {
 public:
  enum class Kind { kProcess, kThread };
  explicit Guard(Kind kind);
  Guard(const Guard&) = delete;
  Guard& operator=(const Guard&) = delete;

  // For a process or thread as it is created.
  SECURITY_ATTRIBUTES* attributes() { return &attributes_; }

 private:
  friend void GuardThisProcess();
  SECURITY_DESCRIPTOR descriptor_;
  alignas(DWORD) unsigned char acl_[128];
  SECURITY_ATTRIBUTES attributes_;
};

// Guards this process and the calling thread, from its first moment, keeps the DLLs that other
// programs' hooks name out of it, and keeps the system from replacing a window of it that stops
// answering with a frame that can be moved.
void GuardThisProcess();

}  // namespace corvel
