// The boundary to the file system: reading the start of a file, and whole-file replacement.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pw {

struct FileRead {
  enum class Status { kOk, kMissing, kUnreadable };
  Status status = Status::kOk;
  std::string bytes;    // the file's first bytes, when kOk
  std::wstring reason;  // the system's message, when kUnreadable
};

struct FileWrite {
  bool ok = true;       // the file holds the new bytes
  std::wstring reason;  // when !ok, what failed and why; when ok, empty or what of the save stays
};

class FileService {
 public:
  virtual ~FileService() = default;
  // At most `max_bytes` from the file's start, however large it is. Other programs may have the
  // file open meanwhile (a backup or a virus scanner), for reading or writing.
  virtual FileRead Read(const std::wstring& path, std::size_t max_bytes) = 0;
  // Replaces the file's content in one step: the bytes go to a new temporary file in the same
  // folder, are flushed to disk, and then take the file's place. An existing file keeps its
  // attributes and security settings; a new one gets the folder's defaults. It is ok only when
  // the file reads back as `bytes`. A failure leaves the old file as it was, or, when it has
  // gone, names the files that hold the old and the new bytes. Every other file of the save is
  // removed, and the reason names each one that cannot be, with the bytes it holds; the old file
  // moved aside stays, named, unless the file reads back as it.
  virtual FileWrite Replace(const std::wstring& path, std::string_view bytes) = 0;
};

}  // namespace pw
