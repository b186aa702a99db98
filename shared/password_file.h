// The password file: where it lives, and reading and saving the stored password through the
// file and code page boundaries. Both programs use it; only the editor saves.
#pragma once

#include <string>
#include <string_view>

#include "shared/ansi_code_page.h"
#include "shared/file_service.h"

namespace pw {

// The application folder followed by "\password", joined as they are.
std::wstring PasswordPath(std::wstring_view app_folder);

struct PasswordError {
  enum class Kind {
    kNone,
    kMissing,           // reading: no file
    kUnreadable,        // reading: the system refused; `reason` says why
    kNoPassword,        // reading: the file ends before any field
    kNotAnsiText,       // reading: a byte-order mark or a NUL byte; `reason` says which
    kStoredBreaksRule,  // reading: the stored password, or the first line, breaks the password
                        // rule; `reason` holds the first character outside it, else empty for
                        // the length
    kHasQuote,          // saving: the reader would stop at the quote
    kHasLineBreak,      // saving: a CR or LF would end the record early
    kBreaksRule,        // saving: as kStoredBreaksRule, for the text to be saved; too long
                        // also when its record in the code page would be too long to read back
    kNotInCodePage,     // saving: a character the ANSI code page cannot store; `reason` holds the
                        // first such character, when it can be singled out
    kWriteFailed,       // saving: the system refused; `reason` says what failed and why
    kSavedLeftFile,     // saving: saved, but a file of the save stays; `reason` names it
  };
  Kind kind = Kind::kNone;
  std::wstring reason;
  explicit operator bool() const { return kind != Kind::kNone; }
};

struct PasswordRead {
  std::wstring password;
  PasswordError error;
};

// Reads only as much of the file as the longest first line can need (password_file.cpp); a first
// line that goes on past it breaks the password rule. No password outside the rule is returned.
PasswordRead ReadStoredPassword(FileService& files, AnsiCodePage& code_page,
                                std::wstring_view app_folder);

// Saves only a text within the password rule that reads back unchanged; otherwise nothing is
// written.
PasswordError WriteStoredPassword(FileService& files, AnsiCodePage& code_page,
                                  std::wstring_view app_folder, std::wstring_view text);

// One sentence in Japanese for the user: what is wrong with the file at `path`, and why.
std::wstring DescribePasswordError(const PasswordError& error, std::wstring_view path);

}  // namespace pw
