// A recording fake of the file boundary over an in-memory set of files. Calls are logged as
// "Read(<path>)" and "Replace(<path>,<bytes>)", bytes as Escaped (call_log.h) shows them.
#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <string_view>

#include "shared/file_service.h"
#include "tests/fakes/call_log.h"

namespace pw::testing {

class FakeFileService : public FileService {
 public:
  explicit FakeFileService(CallLog& log) : log_(log) {}

  std::map<std::wstring, std::string> files;        // the content of each file that exists
  std::map<std::wstring, std::wstring> unreadable;  // paths the system refuses to read, and why
  std::size_t most_read = 0;                        // the largest max_bytes a Read asked for

  FileRead Read(const std::wstring& path, std::size_t max_bytes) override {
    log_.push_back("Read(" + Utf8(path) + ")");
    most_read = std::max(most_read, max_bytes);
    if (auto refused = unreadable.find(path); refused != unreadable.end()) {
      return {FileRead::Status::kUnreadable, {}, refused->second};
    }
    auto file = files.find(path);
    if (file == files.end()) return {FileRead::Status::kMissing, {}, {}};
    return {FileRead::Status::kOk, file->second.substr(0, max_bytes), {}};
  }

  FileWrite Replace(const std::wstring& path, std::string_view bytes) override {
    log_.push_back("Replace(" + Utf8(path) + "," + Escaped(bytes) + ")");
    files[path] = std::string(bytes);
    return {};
  }

 private:
  CallLog& log_;
};

}  // namespace pw::testing
