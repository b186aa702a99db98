#include "shared/password_file.h"

#include <optional>
#include <utility>

#include "shared/password_record.h"
#include "shared/password_rule.h"

namespace pw {

namespace {

using Kind = PasswordError::Kind;

// How much of the file is read: the longest record takes 131 bytes (password_rule.h), and twice
// that leaves room for blanks and for the rest of a line edited by hand. A first line that goes
// on past it cannot hold a password within the rule, so nothing more is worth reading.
constexpr size_t kFirstLineLimit = 2 * (kMaxPasswordLength + 1);
// One byte more tells whether the first line goes on past the limit.
constexpr size_t kBytesRead = kFirstLineLimit + 1;

// The cause, as the user is told it, of a file that is not ANSI text.
std::wstring Describe(NotAnsiText found) {
  switch (found) {
    case NotAnsiText::kUtf8Mark:
      return L"UTF-8 の BOM があります";
    case NotAnsiText::kUtf16Mark:
      return L"UTF-16 の BOM があります";
    case NotAnsiText::kNulByte:
      return L"NUL 文字があります";
    case NotAnsiText::kNone:
      break;
  }
  return {};
}

bool FirstLineTooLong(std::string_view bytes) {
  return bytes.size() > kFirstLineLimit &&
         bytes.substr(0, kFirstLineLimit).find_first_of("\r\n") == std::string_view::npos;
}

// The first character of `text` that the code page cannot store, found by encoding one character
// at a time; empty if each encodes on its own. Text within the password rule has no surrogates.
std::wstring FirstUnstorable(AnsiCodePage& code_page, std::wstring_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (!code_page.Encode(text.substr(i, 1))) {
      return std::wstring(text.substr(i, 1));
    }
  }
  return {};
}

// What breaks the password rule in `password` (the stored one or the one to be saved): its first
// character outside the rule, or its length when `character` is empty; then what the rule allows.
std::wstring DescribeBreach(const std::wstring& password, std::wstring_view character) {
  if (character.empty()) {
    return password + L"が長すぎます。" + DescribePasswordRule();
  }
  return password + L"に使えない文字「" + std::wstring(character) + L"」があります。" +
         DescribePasswordRule();
}

// The sentence `head`, followed by the system's `reason` when there is one.
std::wstring WithReason(std::wstring head, std::wstring_view reason,
                        std::wstring_view separator = L": ") {
  if (reason.empty()) {
    return head + L"。";
  }
  head += separator;
  head += reason;
  if (reason.back() != L'。' && reason.back() != L'.') {
    head += L"。";
  }
  return head;
}

// The stored password in the first bytes of the file, as the reader takes it.
PasswordRead ParseStoredPassword(std::string_view bytes, AnsiCodePage& code_page) {
  PasswordRead result;
  if (const NotAnsiText found = CheckAnsiText(bytes); found != NotAnsiText::kNone) {
    result.error = {Kind::kNotAnsiText, Describe(found)};
    return result;
  }
  if (FirstLineTooLong(bytes)) {
    result.error.kind = Kind::kStoredBreaksRule;
    return result;
  }
  const std::optional<std::string> field = ParseFirstField(bytes);
  if (!field) {
    result.error.kind = Kind::kNoPassword;
    return result;
  }
  std::wstring password = code_page.Decode(*field);
  if (RuleBreach breach = CheckPasswordRule(password)) {
    result.error = {Kind::kStoredBreaksRule, std::move(breach.character)};
    return result;
  }
  result.password = std::move(password);
  return result;
}

}  // namespace

std::wstring PasswordPath(std::wstring_view app_folder) {
  std::wstring path(app_folder);
  path += L"\\password";
  return path;
}

PasswordRead ReadStoredPassword(FileService& files, AnsiCodePage& code_page,
                                std::wstring_view app_folder) {
  FileRead read = files.Read(PasswordPath(app_folder), kBytesRead);
  switch (read.status) {
    case FileRead::Status::kMissing:
      return {{}, {Kind::kMissing, {}}};
    case FileRead::Status::kUnreadable:
      return {{}, {Kind::kUnreadable, std::move(read.reason)}};
    case FileRead::Status::kOk:
      break;
  }
  return ParseStoredPassword(read.bytes, code_page);
}

PasswordError WriteStoredPassword(FileService& files, AnsiCodePage& code_page,
                                  std::wstring_view app_folder, std::wstring_view text) {
  // Each refused character would make the file read back as another password than the one typed.
  if (text.find(L'"') != std::wstring_view::npos) {
    return {Kind::kHasQuote, {}};
  }
  if (text.find_first_of(L"\r\n") != std::wstring_view::npos) {
    return {Kind::kHasLineBreak, {}};
  }
  if (RuleBreach breach = CheckPasswordRule(text)) {
    return {Kind::kBreaksRule, std::move(breach.character)};
  }
  const std::optional<std::string> bytes = code_page.Encode(text);
  if (!bytes) {
    return {Kind::kNotInCodePage, FirstUnstorable(code_page, text)};
  }
  // The reader's own view decides: where a character takes several bytes (a half-width katakana
  // takes three on a UTF-8 code page), a password within the rule can make too long a line.
  const std::string record = FormatRecord(*bytes);
  const PasswordRead back =
      ParseStoredPassword(std::string_view(record).substr(0, kBytesRead), code_page);
  if (back.error.kind == Kind::kStoredBreaksRule) {
    return {Kind::kBreaksRule, back.error.reason};
  }
  if (back.error || back.password != text) {
    return {Kind::kNotInCodePage, {}};
  }
  FileWrite write = files.Replace(PasswordPath(app_folder), record);
  if (!write.ok) {
    return {Kind::kWriteFailed, std::move(write.reason)};
  }
  if (!write.reason.empty()) {
    return {Kind::kSavedLeftFile, std::move(write.reason)};
  }
  return {};
}

std::wstring DescribePasswordError(const PasswordError& error, std::wstring_view path) {
  const std::wstring file = L"パスワードファイル「" + std::wstring(path) + L"」";
  switch (error.kind) {
    case Kind::kNone:
      return {};
    case Kind::kMissing:
      return file + L"が見つかりません。";
    case Kind::kUnreadable:
      return WithReason(file + L"を読み込めません", error.reason);
    case Kind::kNoPassword:
      return file + L"にパスワードがありません。";
    case Kind::kNotAnsiText:
      return file + L"は ANSI のテキストではありません (" + error.reason + L")。";
    case Kind::kStoredBreaksRule:
      return DescribeBreach(file + L"のパスワード", error.reason);
    case Kind::kHasQuote:
      return L"パスワードに二重引用符 (\") は使えません。";
    case Kind::kHasLineBreak:
      return L"パスワードに改行は使えません。";
    case Kind::kBreaksRule:
      return DescribeBreach(L"パスワード", error.reason);
    case Kind::kNotInCodePage:
      if (error.reason.empty()) {
        return L"パスワードにこのシステムの文字コードで保存できない文字があります。";
      }
      return L"パスワードの文字「" + error.reason +
             L"」はこのシステムの文字コードで保存できません。";
    case Kind::kWriteFailed:
      return WithReason(file + L"に保存できません", error.reason);
    case Kind::kSavedLeftFile:
      return WithReason(file + L"に保存しましたが", error.reason, L"、");
  }
  return {};
}

}  // namespace pw
