#include "editor/editor.h"

#include <utility>

#include "editor/layout.h"
#include "shared/password_file.h"

namespace vantor {

Editor::Editor(pw::FileService& files, pw::AnsiCodePage& code_page, pw::TextBox& new_pass,
               pw::MessageBoxService& message_box, std::wstring app_folder)
    : files_(files),
      code_page_(code_page),
      new_pass_(new_pass),
      message_box_(message_box),
      app_folder_(std::move(app_folder)) {}

bool Editor::Load() {
  pw::PasswordRead read = pw::ReadStoredPassword(files_, code_page_, app_folder_);
  switch (read.error.kind) {
    case pw::PasswordError::Kind::kNone:
      stored_password_ = std::move(read.password);
      break;
    // Nothing stored yet: the user is here to set the first password.
    case pw::PasswordError::Kind::kMissing:
    case pw::PasswordError::Kind::kNoPassword:
      stored_password_.clear();
      break;
    // Nothing the lock could be opened with: the user is told why and sets a new password.
    case pw::PasswordError::Kind::kNotAnsiText:
    case pw::PasswordError::Kind::kStoredBreaksRule:
      stored_password_.clear();
      message_box_.MsgBox(pw::DescribePasswordError(read.error, pw::PasswordPath(app_folder_)) +
                              L"\n" + layout::kSetNewPassword,
                          pw::kMsgBoxCritical, layout::kCaption);
      break;
    default:
      message_box_.MsgBox(pw::DescribePasswordError(read.error, pw::PasswordPath(app_folder_)),
                          pw::kMsgBoxCritical, layout::kCaption);
      return false;
  }
  new_pass_.SetText(stored_password_);
  return true;
}

void Editor::ChangeClick() {
  const std::wstring text = new_pass_.Text();
  const pw::PasswordError error = pw::WriteStoredPassword(files_, code_page_, app_folder_, text);
  if (error) {
    message_box_.MsgBox(pw::DescribePasswordError(error, pw::PasswordPath(app_folder_)),
                        pw::kMsgBoxCritical, layout::kCaption);
    return;
  }
  const std::wstring changed = layout::kChanged;
  message_box_.MsgBox(text.empty() ? changed + L"\n" + layout::kEmptyNoLock : changed,
                      pw::kMsgBoxInformation, layout::kCaption);
}

}  // namespace vantor
