#include "shared/password_file.h"

#include <optional>
#include <utility>

#include "shared/password_record.h"

namespace pw {

namespace {

using Kind = PasswordError::Kind;

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }

// The first character of `text` that the code page cannot store, found by encoding one character
// (a surrogate pair counts as one) at a time; empty if each encodes on its own.
std::wstring FirstUnstorable(AnsiCodePage& code_page, std::wstring_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const size_t length = IsHighSurrogate(text[i]) && i + 1 < text.size() ? 2 : 1;
    const std::wstring_view character = text.substr(i, length);
    if (!code_page.Encode(character)) {
      return std::wstring(character);
    }
    i += length - 1;
  }
  return {};
}

// The sentence `head`, followed by the system's `reason` when there is one.
std::wstring WithReason(std::wstring head, std::wstring_view reason) {
  if (reason.empty()) {
    return head + L"。";
  }
  head += L": ";
  head += reason;
  if (reason.back() != L'。' && reason.back() != L'.') {
    head += L"。";
  }
  return head;
}

}  // namespace

std::wstring PasswordPath(std::wstring_view app_folder) {
  std::wstring path(app_folder);
  path += L"\\password";
  return path;
}

PasswordRead ReadStoredPassword(FileService& files, AnsiCodePage& code_page,
                                std::wstring_view app_folder) {
  PasswordRead result;
  FileRead read = files.Read(PasswordPath(app_folder));
  switch (read.status) {
    case FileRead::Status::kMissing:
      result.error.kind = Kind::kMissing;
      return result;
    case FileRead::Status::kUnreadable:
      result.error = {Kind::kUnreadable, std::move(read.reason)};
      return result;
    case FileRead::Status::kOk:
      break;
  }
  const std::optional<std::string> field = ParseFirstField(read.bytes);
  if (!field) {
    result.error.kind = Kind::kNoPassword;
    return result;
  }
  result.password = code_page.Decode(*field);
  return result;
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
  const std::optional<std::string> bytes = code_page.Encode(text);
  if (!bytes) {
    return {Kind::kNotInCodePage, FirstUnstorable(code_page, text)};
  }
  FileWrite write = files.Replace(PasswordPath(app_folder), FormatRecord(*bytes));
  if (!write.ok) {
    return {Kind::kWriteFailed, std::move(write.reason)};
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
    case Kind::kHasQuote:
      return L"パスワードに二重引用符 (\") は使えません。";
    case Kind::kHasLineBreak:
      return L"パスワードに改行は使えません。";
    case Kind::kNotInCodePage:
      if (error.reason.empty()) {
        return L"パスワードにこのシステムの文字コードで保存できない文字があります。";
      }
      return L"パスワードの文字「" + error.reason +
             L"」はこのシステムの文字コードで保存できません。";
    case Kind::kWriteFailed:
      return WithReason(file + L"に保存できません", error.reason);
  }
  return {};
}

}  // namespace pw
