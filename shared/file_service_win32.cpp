#include "shared/file_service_win32.h"

#include <windows.h>

#include <optional>

#include "shared/system_message_win32.h"

namespace pw {

namespace {

FileWrite Failure(const wchar_t* what, DWORD code) {
  return {false, std::wstring(what) + L": " + SystemMessage(code)};
}

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { Close(); }
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool Close() {
    if (!valid()) return true;
    const BOOL closed = CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return closed != FALSE;
  }

 private:
  HANDLE handle_;
};

bool WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = bytes.size() > 1u << 20 ? 1u << 20 : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

// Writes, flushes and closes the temporary file; the failure, if any.
std::optional<FileWrite> FillTemporary(Handle& temp, std::string_view bytes) {
  if (!WriteAll(temp.get(), bytes)) return Failure(L"一時ファイルに書き込めません", GetLastError());
  if (!FlushFileBuffers(temp.get())) {
    return Failure(L"一時ファイルをディスクに書き出せません", GetLastError());
  }
  if (!temp.Close()) return Failure(L"一時ファイルを閉じられません", GetLastError());
  return std::nullopt;
}

}  // namespace

FileRead Win32FileService::Read(const std::wstring& path) {
  Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
      return {FileRead::Status::kMissing, {}, {}};
    }
    return {FileRead::Status::kUnreadable, {}, SystemMessage(code)};
  }
  FileRead result;
  char buffer[4096];
  DWORD got = 0;
  do {
    if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) {
      return {FileRead::Status::kUnreadable, {}, SystemMessage(GetLastError())};
    }
    result.bytes.append(buffer, got);
  } while (got > 0);
  return result;
}

FileWrite Win32FileService::Replace(const std::wstring& path, std::string_view bytes) {
  // A read-only password file is the user's wish to keep it; the check is made here because not
  // every system refuses to move a file onto a read-only one.
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    return Failure(L"ファイルを置き換えられません", ERROR_ACCESS_DENIED);
  }
  const std::wstring temp_path = path + L".tmp";
  Handle temp(CreateFileW(temp_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!temp.valid()) return Failure(L"一時ファイルを作成できません", GetLastError());
  std::optional<FileWrite> failure = FillTemporary(temp, bytes);
  if (!failure && !MoveFileExW(temp_path.c_str(), path.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    failure = Failure(L"ファイルを置き換えられません", GetLastError());
  }
  if (failure) {
    temp.Close();
    DeleteFileW(temp_path.c_str());
    return *failure;
  }
  return {};
}

}  // namespace pw
