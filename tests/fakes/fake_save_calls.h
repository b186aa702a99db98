// A recording fake of a save's file calls over an in-memory folder. Its replace does what the
// system's documentation says for success or for the failure set in `replace_error`.
#pragma once

#include <map>
#include <set>

#include "shared/file_save.h"

namespace pw::testing {

class FakeSaveCalls : public SaveCalls {
 public:
  std::map<std::wstring, std::string> files;  // the content of each file that exists
  std::set<std::wstring> held;                // files that cannot be moved or deleted
  std::set<std::wstring> unreadable;          // names whose read fails, a file there or not
  unsigned replace_error = 0;                 // 0: the replace succeeds

  FileWrite Replace(const std::wstring& file, const std::wstring& replacement,
                    const std::wstring& backup) override {
    // 1177 moves the old file aside and stops; 1175, 1176 and any other move nothing.
    if (replace_error == 0 || replace_error == 1177) Move(file, backup);
    if (replace_error == 0) return Move(replacement, file);
    return {false, L"E" + std::to_wstring(replace_error)};
  }
  FileWrite Move(const std::wstring& from, const std::wstring& to) override {
    if (held.count(from) || !files.count(from) || files.count(to)) return {false, L"E32"};
    files[to] = files.extract(from).mapped();  // the right side first, as for any assignment
    return {};
  }
  FileWrite Delete(const std::wstring& path) override {
    if (held.count(path)) return {false, L"E32"};
    files.erase(path);
    return {};
  }
  FileRead Read(const std::wstring& path, std::size_t max_bytes) override {
    if (unreadable.count(path)) return {FileRead::Status::kUnreadable, {}, L"E5"};
    if (!files.count(path)) return {FileRead::Status::kMissing, {}, {}};
    return {FileRead::Status::kOk, files[path].substr(0, max_bytes), {}};
  }
};

}  // namespace pw::testing
