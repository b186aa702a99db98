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

// Writes the bytes to the temporary file, flushes and closes it; the failure, if any.
std::optional<FileWrite> FillTemporary(const std::wstring& temp_path, std::string_view bytes) {
  Handle temp(CreateFileW(temp_path.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!temp.valid()) return Failure(L"一時ファイルを作成できません", GetLastError());
  if (!WriteAll(temp.get(), bytes)) return Failure(L"一時ファイルに書き込めません", GetLastError());
  if (!FlushFileBuffers(temp.get())) {
    return Failure(L"一時ファイルをディスクに書き出せません", GetLastError());
  }
  if (!temp.Close()) return Failure(L"一時ファイルを閉じられません", GetLastError());
  return std::nullopt;
}

// The system's replace keeps the file's security settings, and on some systems its attributes;
// the attributes that say how the user wants the file kept are carried over by hand as well.
std::optional<FileWrite> ReplaceKeepingIdentity(const std::wstring& path,
                                                const std::wstring& temp_path, DWORD attributes) {
  constexpr DWORD kCarried =
      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  if (!SetFileAttributesW(temp_path.c_str(), (attributes & kCarried) | FILE_ATTRIBUTE_ARCHIVE)) {
    return Failure(L"一時ファイルの属性を設定できません", GetLastError());
  }
  // Wine's replace first moves the file aside under a name of its own, and leaves that name
  // behind, as an empty file, when a program holds the file open without sharing its deletion.
  // Such a hold is found first: it keeps the file from being opened for deletion, as it keeps it
  // from being moved.
  Handle held(CreateFileW(path.c_str(), DELETE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!held.valid()) return Failure(L"ファイルを置き換えられません", GetLastError());
  held.Close();
  if (!ReplaceFileW(path.c_str(), temp_path.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                    nullptr, nullptr)) {
    return Failure(L"ファイルを置き換えられません", GetLastError());
  }
  return std::nullopt;
}

std::optional<FileWrite> MoveIntoPlace(const std::wstring& path, const std::wstring& temp_path) {
  if (!MoveFileExW(temp_path.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) {
    return Failure(L"ファイルを作成できません", GetLastError());
  }
  return std::nullopt;
}

// The replace can fail after the old file has gone. The new one then takes its place, so that the
// folder is never left without a password file; if it cannot, it is the password's only copy, so
// it stays, and the message says where.
FileWrite AfterOldFileGone(const std::wstring& path, const std::wstring& temp_path,
                           FileWrite failure) {
  if (MoveFileExW(temp_path.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) return {};
  failure.reason = L"新しいパスワードは「" + temp_path + L"」に残っています。" + failure.reason;
  return failure;
}

}  // namespace

FileRead Win32FileService::Read(const std::wstring& path, std::size_t max_bytes) {
  Handle file(CreateFileW(path.c_str(), GENERIC_READ,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
      return {FileRead::Status::kMissing, {}, {}};
    }
    return {FileRead::Status::kUnreadable, {}, SystemMessage(code)};
  }
  FileRead result;
  result.bytes.resize(max_bytes);
  size_t filled = 0;
  DWORD got = 0;
  do {
    const DWORD wanted = static_cast<DWORD>(max_bytes - filled);
    if (!ReadFile(file.get(), result.bytes.data() + filled, wanted, &got, nullptr)) {
      return {FileRead::Status::kUnreadable, {}, SystemMessage(GetLastError())};
    }
    filled += got;
  } while (got > 0 && filled < max_bytes);
  result.bytes.resize(filled);
  return result;
}

FileWrite Win32FileService::Replace(const std::wstring& path, std::string_view bytes) {
  // A read-only password file is the user's wish to keep it; the check is made here because not
  // every system refuses to replace a read-only file.
  const DWORD attributes = GetFileAttributesW(path.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    return Failure(L"ファイルを置き換えられません", ERROR_ACCESS_DENIED);
  }
  // A name of its own, so that no file left over by an earlier failure can stand in the way.
  const std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
  wchar_t temp_name[MAX_PATH];
  if (GetTempFileNameW(folder.c_str(), L"pwd", 0, temp_name) == 0) {
    return Failure(L"一時ファイルを作成できません", GetLastError());
  }
  const std::wstring temp_path = temp_name;
  std::optional<FileWrite> failure = FillTemporary(temp_path, bytes);
  if (!failure) {
    failure = exists ? ReplaceKeepingIdentity(path, temp_path, attributes)
                     : MoveIntoPlace(path, temp_path);
    if (!failure) return {};
    if (exists && GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
      return AfterOldFileGone(path, temp_path, *failure);
    }
  }
  DeleteFileW(temp_path.c_str());
  return *failure;
}

}  // namespace pw
