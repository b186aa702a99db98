// The file boundary over the Win32 file API.
#pragma once

#include "shared/file_service.h"

namespace pw {

class Win32FileService final : public FileService {
 public:
  FileRead Read(const std::wstring& path) override;
  // The temporary file is `path` followed by ".tmp"; a leftover one from an earlier crash is
  // overwritten.
  FileWrite Replace(const std::wstring& path, std::string_view bytes) override;
};

}  // namespace pw
