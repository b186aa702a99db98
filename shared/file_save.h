// How a whole-file replacement ends, over the calls that move its files: whichever of them fails,
// the file holds either the new bytes or the old ones, and the reason says where each of them is.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "shared/file_service.h"

namespace pw {

// The files of one save: the file saved; the temporary file beside it that holds the new bytes;
// when the file exists, a name beside it that no file has yet, for the old file to move to.
struct SaveFiles {
  std::wstring file;
  std::wstring temp;
  std::wstring backup;  // empty when there is no old file
};

// The three calls that move a save's files, and a read that sees where they went. Each result
// says whether the call did its work and, if not, the system's reason.
class SaveCalls {
 public:
  virtual ~SaveCalls() = default;
  // The system's replace: `file` moves to `backup` and `replacement` takes its name. Its
  // documented failures leave both files where they were, or (1177) the old one at `backup`
  // and the new one at `replacement`.
  virtual FileWrite Replace(const std::wstring& file, const std::wstring& replacement,
                            const std::wstring& backup) = 0;
  // A rename, to a name no file has, written through to the disk.
  virtual FileWrite Move(const std::wstring& from, const std::wstring& to) = 0;
  // Succeeds also when there is no such file.
  virtual FileWrite Delete(const std::wstring& path) = 0;
  virtual FileRead Read(const std::wstring& path, std::size_t max_bytes) = 0;
};

// Puts the filled temporary file in the file's place. It succeeds only when the file reads back
// as `bytes` and no other file of the save is left; a backup that cannot be removed is named in
// the reason of a result that is still ok, as the new bytes are in place.
FileWrite PutInPlace(SaveCalls& calls, const SaveFiles& files, std::string_view bytes);

// After `failure`, while the file should still hold its old bytes: removes the new file, and the
// old file kept at the backup name once the file reads as it; names in the reason each one that
// stays.
FileWrite Abandon(SaveCalls& calls, const SaveFiles& files, FileWrite failure);

}  // namespace pw
