// The file boundary over the Win32 file API.
#pragma once

#include "shared/file_service.h"

namespace pw {

class Win32FileService final : public FileService {
 public:
  FileRead Read(const std::wstring& path, std::size_t max_bytes) override;
  // The temporary file is a new "pwd*.tmp" beside the file; an existing file is replaced through
  // the system's replace operation, not by a rename over it.
  FileWrite Replace(const std::wstring& path, std::string_view bytes) override;
};

}  // namespace pw
