// The window `Edit` of the password editor: the entry box `NewPass` and the default button
// `Change` in one row, over the Win32 window system.
#pragma once

#include <windows.h>

#include <string>

#include "editor/editor.h"
#include "shared/ansi_code_page_win32.h"
#include "shared/file_service_win32.h"
#include "shared/forms_win32.h"

namespace vantor {

class Edit : public pw::BaseWindow<Edit> {
 public:
  explicit Edit(HINSTANCE instance);

  // Registers the window class and creates the window with its controls, hidden. On failure
  // reports the system's reason in a message box and returns false.
  bool Create();
  // The window's Load; false when the program must end (the user has been told why).
  [[nodiscard]] bool Load() { return editor_.Load(); }
  // Shows the window with the focus in `NewPass` and runs the program until the window closes;
  // returns the exit code.
  int Run(int show_command);

  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

 private:
  // The box and the button; false, with the system's reason in GetLastError, if one fails.
  bool CreateControls();
  void OnCommand(WPARAM wparam);

  HINSTANCE instance_;
  pw::Screen screen_;
  pw::Win32TextBox new_pass_box_;
  pw::Win32MessageBox message_box_;
  pw::Win32FileService files_;
  pw::Win32AnsiCodePage code_page_;
  Editor editor_;
  HWND new_pass_ = nullptr;
  HWND change_ = nullptr;
  pw::FocusMemory focus_;
};

}  // namespace vantor
