// Checks the Win32 file and code page boundaries for real, in a fresh temporary folder, under the
// Japanese system locale (code page 932). Prints one line per failed check and a closing count;
// exits with 0 only when every check passed.
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>

#include "shared/ansi_code_page_win32.h"
#include "shared/file_service_win32.h"
#include "shared/password_file.h"

namespace {

int passed = 0;
int failed = 0;

void Check(bool ok, const char* what, int line) {
  if (ok) {
    ++passed;
  } else {
    ++failed;
    std::printf("%s:%d: failed: %s\n", __FILE__, line, what);
  }
}

#define CHECK(condition) Check((condition), #condition, __LINE__)

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The file's bytes, read without the service under test; nullopt when it cannot be opened.
std::optional<std::string> RawBytes(const std::wstring& path) {
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (!file) return std::nullopt;
  std::string bytes;
  char buffer[256];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
  std::fclose(file);
  return bytes;
}

void CheckFiles(const std::wstring& folder) {
  pw::Win32FileService files;
  const std::wstring path = pw::PasswordPath(folder);
  const std::wstring temp = path + L".tmp";

  CHECK(files.Read(path).status == pw::FileRead::Status::kMissing);
  CHECK(files.Read(folder + L"\\none\\password").status == pw::FileRead::Status::kMissing);
  const pw::FileRead folder_read = files.Read(folder);
  CHECK(folder_read.status == pw::FileRead::Status::kUnreadable && !folder_read.reason.empty());

  CHECK(files.Replace(path, "\"abc\"\r\n").ok);
  CHECK(RawBytes(path) == "\"abc\"\r\n");
  CHECK(files.Replace(path, "\"\"\r\n").ok);
  CHECK(RawBytes(path) == "\"\"\r\n");
  const pw::FileRead read = files.Read(path);
  CHECK(read.status == pw::FileRead::Status::kOk && read.bytes == "\"\"\r\n");
  CHECK(!Exists(temp));
  const std::string long_record = "\"" + std::string(10000, 'x') + "\"\r\n";
  CHECK(files.Replace(path, long_record).ok && files.Read(path).bytes == long_record);
  CHECK(files.Replace(path, "\"\"\r\n").ok);

  CHECK(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
  const pw::FileWrite refused = files.Replace(path, "\"new\"\r\n");
  CHECK(!refused.ok && !refused.reason.empty());
  CHECK(RawBytes(path) == "\"\"\r\n");
  CHECK(!Exists(temp));
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);

  // A folder in the file's place: the temporary file is written, then cannot take the place.
  const std::wstring taken = folder + L"\\taken";
  CHECK(CreateDirectoryW(taken.c_str(), nullptr));
  const pw::FileWrite onto_folder = files.Replace(taken, "\"abc\"\r\n");
  CHECK(!onto_folder.ok && onto_folder.reason.rfind(L"ファイルを置き換えられません: ", 0) == 0);
  CHECK(!Exists(taken + L".tmp"));
  RemoveDirectoryW(taken.c_str());

  const std::wstring lost = folder + L"\\none\\password";
  const pw::FileWrite no_folder = files.Replace(lost, "\"abc\"\r\n");
  CHECK(!no_folder.ok && no_folder.reason.rfind(L"一時ファイルを作成できません: ", 0) == 0);
  CHECK(!Exists(lost) && !Exists(lost + L".tmp"));
}

void CheckCodePage() {
  pw::Win32AnsiCodePage code_page;
  CHECK(GetACP() == 932);
  CHECK(code_page.Encode(L"パスワード") == "\x83\x70\x83\x58\x83\x8F\x81\x5B\x83\x68");
  CHECK(code_page.Decode("\x83\x70\x83\x58\x83\x8F\x81\x5B\x83\x68") == L"パスワード");
  CHECK(code_page.Encode(L"ﾊﾟｽﾜｰﾄﾞ") == "\xCA\xDF\xBD\xDC\xB0\xC4\xDE");
  CHECK(code_page.Encode(L"表") == "\x95\x5C");
  CHECK(code_page.Encode(L"") == "");
  CHECK(!code_page.Encode(L"café"));
  CHECK(!code_page.Encode(L"한"));
  CHECK(!code_page.Encode(L"a\xD83D\xDE00"));
}

void CheckPasswordFile(const std::wstring& folder) {
  pw::Win32FileService files;
  pw::Win32AnsiCodePage code_page;
  CHECK(!pw::WriteStoredPassword(files, code_page, folder, L" パス, ワード "));
  CHECK(RawBytes(pw::PasswordPath(folder)) ==
        "\" \x83\x70\x83\x58, \x83\x8F\x81\x5B\x83\x68 \"\r\n");
  const pw::PasswordRead read = pw::ReadStoredPassword(files, code_page, folder);
  CHECK(!read.error && read.password == L" パス, ワード ");
  const pw::PasswordError error = pw::WriteStoredPassword(files, code_page, folder, L"한글");
  CHECK(error.kind == pw::PasswordError::Kind::kNotInCodePage && error.reason == L"한");
}

// A new folder in the temporary folder; a leftover of an earlier run is left alone.
std::optional<std::wstring> NewFolder() {
  wchar_t temp[MAX_PATH];
  const DWORD length = GetTempPathW(MAX_PATH, temp);
  const std::wstring base = std::wstring(temp, length) + L"パスワード試験-";
  for (int n = 0; n < 100; ++n) {
    const std::wstring folder =
        base + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(n);
    if (CreateDirectoryW(folder.c_str(), nullptr)) return folder;
  }
  return std::nullopt;
}

}  // namespace

int wmain() {
  const std::optional<std::wstring> folder = NewFolder();
  if (!folder) {
    std::printf("cannot create a test folder\n0 passed, 1 failed\n");
    return 1;
  }
  CheckFiles(*folder);
  CheckCodePage();
  CheckPasswordFile(*folder);
  for (const wchar_t* name : {L"\\password", L"\\password.tmp", L"\\taken.tmp"}) {
    DeleteFileW((*folder + name).c_str());
  }
  RemoveDirectoryW(folder->c_str());
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
