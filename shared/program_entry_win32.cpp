// Where both programs start, in place of the MinGW C runtime's start-up code. That code would add
// about 6 KB and some twenty imports to each program for what neither uses: argv and the
// environment, stdio modes, pseudo-relocations, TLS callbacks, exit handlers and the frame
// registration of exception tables. msvcrt.dll sets itself up when it loads, so malloc and the
// rest of the C library work as before. The link refuses static constructors and whatever else
// only that start-up code would run (cmake/program_entry.ld.in), as nothing here would run it.
#include <float.h>
#include <windows.h>

extern "C" IMAGE_DOS_HEADER __ImageBase;

// The system may start a 32-bit program on a stack aligned to 4 bytes only; the code after
// assumes 16, as the runtime's start-up code also makes it.
extern "C" [[noreturn]] __attribute__((force_align_arg_pointer)) void ProgramEntry() {
  // The x87 unit at the precision the runtime's start-up sets, so that the C library's x87 code,
  // std::round's among it, computes as it did.
  _fpreset();
  // The arguments follow the program's name, which ends at the first blank outside double
  // quotes, and the blanks after it.
  PWSTR arguments = GetCommandLineW();
  bool quoted = false;
  while (*arguments > L' ' || (*arguments != L'\0' && quoted)) {
    if (*arguments == L'"') quoted = !quoted;
    ++arguments;
  }
  while (*arguments != L'\0' && *arguments <= L' ') ++arguments;
  STARTUPINFOW startup;
  GetStartupInfoW(&startup);
  const int show =
      (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWDEFAULT;
  ExitProcess(static_cast<UINT>(
      wWinMain(reinterpret_cast<HINSTANCE>(&__ImageBase), nullptr, arguments, show)));
}
