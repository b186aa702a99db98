// Checks the Win32 file and code page boundaries for real, in a fresh temporary folder, under the
// Japanese system locale (code page 932). Prints one line per failed check and a closing count;
// exits with 0 only when every check passed.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

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

// The names in the folder, sorted, so that a file left behind shows.
std::vector<std::wstring> Names(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

void CheckFiles(const std::wstring& folder) {
  pw::Win32FileService files;
  const std::wstring path = pw::PasswordPath(folder);
  const std::vector<std::wstring> only_password = {L"password"};

  const pw::FileRead folder_read = files.Read(folder, 100);
  CHECK(folder_read.status == pw::FileRead::Status::kUnreadable && !folder_read.reason.empty());

  CHECK(files.Replace(path, "\"abc\"\r\n").ok);
  CHECK(RawBytes(path) == "\"abc\"\r\n");
  CHECK(files.Replace(path, "\"abcd\"\r\n").ok && files.Read(path, 5).bytes == "\"abcd");
  CHECK(Names(folder) == only_password);

  // Another program writing the file does not keep it from being read.
  HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  CHECK(writer != INVALID_HANDLE_VALUE && files.Read(path, 5).bytes == "\"abcd");
  CloseHandle(writer);

  // A hidden file stays hidden; a read-only temporary file kept by an earlier save is neither in
  // the way nor removed.
  const std::wstring kept = folder + L"\\pwd1.tmp";
  CHECK(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN));
  CHECK(CloseHandle(CreateFileW(kept.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_READONLY, nullptr)));
  CHECK(files.Replace(path, "\"\"\r\n").ok && RawBytes(path) == "\"\"\r\n");
  CHECK((GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_HIDDEN) != 0);
  CHECK(Names(folder) == std::vector<std::wstring>({L"password", L"pwd1.tmp"}));
  CHECK(SetFileAttributesW(kept.c_str(), FILE_ATTRIBUTE_NORMAL) && DeleteFileW(kept.c_str()));

  // Held open by a program that shares it with no one: the temporary file is written, then
  // cannot take the file's place.
  HANDLE holder = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  const pw::FileWrite held = files.Replace(path, "\"abc\"\r\n");
  CHECK(!held.ok && held.reason.rfind(L"ファイルを置き換えられません: ", 0) == 0);
  CloseHandle(holder);
  // Nothing is left beside it: neither the temporary file nor the backup name.
  CHECK(RawBytes(path) == "\"\"\r\n" && Names(folder) == only_password);

  const std::wstring lost = folder + L"\\none\\password";
  const pw::FileWrite no_folder = files.Replace(lost, "\"abc\"\r\n");
  CHECK(!no_folder.ok && no_folder.reason.rfind(L"一時ファイルを作成できません: ", 0) == 0);
}

void CheckCodePage() {
  pw::Win32AnsiCodePage code_page;
  CHECK(GetACP() == 932);
  // A stored kanji decodes as itself, so that the lock can name it.
  CHECK(code_page.Decode("\x83\x70\x95\x5C") == L"パ表");
  CHECK(code_page.Encode(L"") == "");
  CHECK(!code_page.Encode(L"한"));
}

void CheckPasswordFile(const std::wstring& folder) {
  pw::Win32FileService files;
  pw::Win32AnsiCodePage code_page;
  CHECK(!pw::WriteStoredPassword(files, code_page, folder, L" ﾊﾟｽ, ﾜｰﾄﾞ "));
  CHECK(RawBytes(pw::PasswordPath(folder)) == "\" \xCA\xDF\xBD, \xDC\xB0\xC4\xDE \"\r\n");
  const pw::PasswordRead read = pw::ReadStoredPassword(files, code_page, folder);
  CHECK(!read.error && read.password == L" ﾊﾟｽ, ﾜｰﾄﾞ ");
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
  for (const std::wstring& name : Names(*folder)) DeleteFileW((*folder + L"\\" + name).c_str());
  RemoveDirectoryW(folder->c_str());
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
