// The boundary to the file system: whole-file reads and whole-file replacement.
#pragma once

#include <string>
#include <string_view>

namespace pw {

struct FileRead {
  enum class Status { kOk, kMissing, kUnreadable };
  Status status = Status::kOk;
  std::string bytes;    // the whole file, when kOk
  std::wstring reason;  // the system's message, when kUnreadable
};

struct FileWrite {
  bool ok = true;
  std::wstring reason;  // what failed and the system's message, when !ok
};

class FileService {
 public:
  virtual ~FileService() = default;
  virtual FileRead Read(const std::wstring& path) = 0;
  // Replaces the file's content in one step: the bytes go to a temporary file in the same folder,
  // are flushed to disk, and the temporary file then takes the file's place. On any failure the
  // old file is left as it was and the temporary file is removed.
  virtual FileWrite Replace(const std::wstring& path, std::string_view bytes) = 0;
};

}  // namespace pw
