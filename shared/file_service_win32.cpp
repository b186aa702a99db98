#include "shared/file_service_win32.h"

#include <windows.h>

#include <optional>

#include "shared/file_save.h"
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

// A name beside the file that no file has yet, for the system's replace to move the old file to;
// empty, with the system's reason set, when there is none.
std::wstring FreeName(const std::wstring& folder) {
  wchar_t name[MAX_PATH];
  for (UINT number = 1; number <= 0xFFFF; ++number) {
    if (GetTempFileNameW(folder.c_str(), L"pwd", number, name) == 0) return {};
    if (GetFileAttributesW(name) == INVALID_FILE_ATTRIBUTES &&
        GetLastError() == ERROR_FILE_NOT_FOUND) {
      return name;
    }
  }
  SetLastError(ERROR_FILE_EXISTS);
  return {};
}

// The system's replace keeps the file's security settings, and on some systems its attributes;
// the attributes that say how the user wants the file kept are carried over by hand as well.
std::optional<FileWrite> PrepareReplace(SaveFiles& files, const std::wstring& folder,
                                        DWORD attributes) {
  constexpr DWORD kCarried =
      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  if (!SetFileAttributesW(files.temp.c_str(), (attributes & kCarried) | FILE_ATTRIBUTE_ARCHIVE)) {
    return Failure(L"一時ファイルの属性を設定できません", GetLastError());
  }
  // A program that holds the file open without sharing its deletion keeps it from being moved
  // to the backup name. The hold is found before anything moves: it keeps the file from being
  // opened for deletion as well.
  Handle held(CreateFileW(files.file.c_str(), DELETE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!held.valid()) return Failure(L"ファイルを置き換えられません", GetLastError());
  held.Close();
  files.backup = FreeName(folder);
  if (files.backup.empty()) return Failure(L"一時ファイルを作成できません", GetLastError());
  return std::nullopt;
}

FileWrite Result(BOOL done) {
  return done ? FileWrite{} : FileWrite{false, SystemMessage(GetLastError())};
}

class Win32SaveCalls final : public SaveCalls {
 public:
  FileWrite Replace(const std::wstring& file, const std::wstring& replacement,
                    const std::wstring& backup) override {
    return Result(ReplaceFileW(file.c_str(), replacement.c_str(), backup.c_str(),
                               REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr));
  }
  FileWrite Move(const std::wstring& from, const std::wstring& to) override {
    return Result(MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH));
  }
  FileWrite Delete(const std::wstring& path) override {
    return Result(DeleteFileW(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND);
  }
  FileRead Read(const std::wstring& path, std::size_t max_bytes) override {
    return Win32FileService().Read(path, max_bytes);
  }
};

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
  SaveFiles files{path, temp_name, {}};
  std::optional<FileWrite> failure = FillTemporary(files.temp, bytes);
  if (!failure && exists) failure = PrepareReplace(files, folder, attributes);
  Win32SaveCalls calls;
  if (failure) return Abandon(calls, files, *std::move(failure));
  return PutInPlace(calls, files, bytes);
}

}  // namespace pw
