// What the window `Edit` does, free of the window system: its Load shows the stored password in
// `NewPass`, and each Click of `Change` saves the box's text to the password file.
#pragma once

#include <string>

#include "shared/ansi_code_page.h"
#include "shared/file_service.h"
#include "shared/forms.h"

namespace vantor {

class Editor {
 public:
  Editor(pw::FileService& files, pw::AnsiCodePage& code_page, pw::TextBox& new_pass,
         pw::MessageBoxService& message_box, std::wstring app_folder);

  // Load of `Edit`: reads the stored password into StoredPassword and shows it in `NewPass`.
  // A missing file, or one that holds no password, shows an empty box, so that the first
  // password can be set; so does a file that is not ANSI text or holds a password outside the
  // rule, after telling the user why. Any other read failure shows an error box naming the file and
  // the system's reason and returns false: the program must then end without touching the file.
  [[nodiscard]] bool Load();

  // Click of `Change`: saves the text of `NewPass` and confirms it, adding for an empty password
  // that the lock will not lock with it. A text the file cannot hold, or a write the system
  // refuses, shows an error box instead; the file keeps its content and the box its text.
  void ChangeClick();

  const std::wstring& StoredPassword() const { return stored_password_; }

 private:
  pw::FileService& files_;
  pw::AnsiCodePage& code_page_;
  pw::TextBox& new_pass_;
  pw::MessageBoxService& message_box_;
  std::wstring app_folder_;
  std::wstring stored_password_;
};

}  // namespace vantor
