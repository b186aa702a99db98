// Vantor, the password editor: shows the stored password and saves a new one.
#include <windows.h>

#include "editor/edit.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*command_line*/,
                    int show_command) {
  vantor::Edit edit(instance);
  if (!edit.Create() || !edit.Load()) return 1;
  return edit.Run(show_command);
}
