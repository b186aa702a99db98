#include "editor/editor.h"

#include <utility>

#include "editor/layout.h"
#include "shared/password_file.h"

namespace pw {

Editor::Editor(FileService& files, AnsiCodePage& code_page, TextBox& new_pass,
               MessageBoxService& message_box, std::wstring app_folder)
    : files_(files),
      code_page_(code_page),
      new_pass_(new_pass),
      message_box_(message_box),
      app_folder_(std::move(app_folder)) {}

bool Editor::Load() {
  PasswordRead read = ReadStoredPassword(files_, code_page_, app_folder_);
  switch (read.error.kind) {
    case PasswordError::Kind::kNone:
      stored_password_ = std::move(read.password);
      break;
    // Nothing stored yet: the user is here to set the first password.
    case PasswordError::Kind::kMissing:
    case PasswordError::Kind::kNoPassword:
      stored_password_.clear();
      break;
    default:
      message_box_.MsgBox(DescribePasswordError(read.error, PasswordPath(app_folder_)),
                          kMsgBoxCritical, editor::kCaption);
      return false;
  }
  new_pass_.SetText(stored_password_);
  return true;
}

void Editor::ChangeClick() {
  const PasswordError error =
      WriteStoredPassword(files_, code_page_, app_folder_, new_pass_.Text());
  if (error) {
    message_box_.MsgBox(DescribePasswordError(error, PasswordPath(app_folder_)), kMsgBoxCritical,
                        editor::kCaption);
    return;
  }
  message_box_.MsgBox(editor::kChanged, kMsgBoxInformation, editor::kCaption);
}

}  // namespace pw
