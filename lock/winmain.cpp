#include <windows.h>

#include <string>

#include "lock/layout.h"
#include "lock/main.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  corvel::Main main(instance);
  std::wstring error;
  if (!main.Create(error)) {
    MessageBoxW(nullptr, error.c_str(), corvel::layout::kCaption, MB_ICONERROR);
    return 1;
  }
  return main.Run();
}
