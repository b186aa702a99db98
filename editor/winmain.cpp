// Vantor, the password editor: shows the stored password and saves a new one.
#include <windows.h>

#include "editor/edit.h"
#include "shared/ansi_code_page_win32.h"
#include "shared/file_service_win32.h"
#include "shared/forms_win32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*command_line*/,
                    int show_command) {
  pw::Win32FileService files;
  pw::Win32AnsiCodePage code_page;
  vantor::Edit edit(instance, files, code_page, pw::AppPath());
  if (!edit.Create() || !edit.Load()) return 1;
  return edit.Run(show_command);
}
