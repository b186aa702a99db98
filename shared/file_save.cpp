#include "shared/file_save.h"

#include <utility>

namespace pw {

namespace {

// `reason` ended as a sentence, followed by the sentence `next`.
void Then(std::wstring& reason, std::wstring_view next) {
  if (!reason.empty() && reason.back() != L'。' && reason.back() != L'.') {
    reason += L'。';
  }
  reason += next;
}

bool Gone(SaveCalls& calls, const std::wstring& path) {
  return calls.Read(path, 0).status == FileRead::Status::kMissing;
}

// Removes `path`, which holds the `which` password; on a failure says so after `reason`.
void Remove(SaveCalls& calls, const std::wstring& path, const wchar_t* which,
            std::wstring& reason) {
  const FileWrite removed = calls.Delete(path);
  if (!removed.ok) {
    Then(reason, std::wstring(which) + L"パスワードが入ったファイル「" + path +
                     L"」を削除できません: " + removed.reason);
  }
}

// The new file has taken the file's name: it must read back as the new bytes, and the old file
// kept at the backup name then goes.
FileWrite Confirm(SaveCalls& calls, const SaveFiles& files, std::string_view bytes) {
  const FileRead back = calls.Read(files.file, bytes.size() + 1);
  if (back.status != FileRead::Status::kOk || back.bytes != bytes) {
    FileWrite failure{false, L"保存したファイルを読み返すと新しいパスワードになっていません"};
    if (!back.reason.empty()) {
      failure.reason += L": " + back.reason;
    }
    if (!files.backup.empty() && !Gone(calls, files.backup)) {
      Then(failure.reason, L"古いパスワードは「" + files.backup + L"」に残っています");
    }
    return failure;
  }
  FileWrite saved;
  if (!files.backup.empty()) {
    Remove(calls, files.backup, L"古い", saved.reason);
  }
  return saved;
}

}  // namespace

FileWrite PutInPlace(SaveCalls& calls, const SaveFiles& files, std::string_view bytes) {
  const bool replacing = !files.backup.empty();
  const FileWrite step = replacing ? calls.Replace(files.file, files.temp, files.backup)
                                   : calls.Move(files.temp, files.file);
  if (step.ok) {
    return Confirm(calls, files, bytes);
  }
  FileWrite failure{false, std::wstring(replacing ? L"ファイルを置き換えられません: "
                                                  : L"ファイルを作成できません: ") +
                               step.reason};
  if (!replacing || !Gone(calls, files.file)) {
    return Abandon(calls, files, std::move(failure));
  }
  // The replace moved the old file aside and stopped: the new one takes its place, or else the
  // old one goes back, so that the folder keeps a password file.
  if (calls.Move(files.temp, files.file).ok) {
    return Confirm(calls, files, bytes);
  }
  if (calls.Move(files.backup, files.file).ok) {
    return Abandon(calls, files, std::move(failure));
  }
  Then(failure.reason, L"新しいパスワードは「" + files.temp + L"」に");
  if (!Gone(calls, files.backup)) {
    failure.reason += L"、古いパスワードは「" + files.backup + L"」に";
  }
  failure.reason += L"残っています";
  return failure;
}

FileWrite Abandon(SaveCalls& calls, const SaveFiles& files, FileWrite failure) {
  Remove(calls, files.temp, L"新しい", failure.reason);
  if (files.backup.empty()) {
    return failure;
  }
  // The old file at the backup name goes only once the file reads as it: until then it may be
  // the last copy of the old password. A file larger than any password file is not compared.
  constexpr std::size_t kLimit = 1 << 16;
  const FileRead old = calls.Read(files.backup, kLimit);
  if (old.status == FileRead::Status::kMissing) {
    return failure;
  }
  const FileRead now = calls.Read(files.file, kLimit);
  if (old.status == FileRead::Status::kOk && old.bytes.size() < kLimit &&
      now.status == FileRead::Status::kOk && now.bytes == old.bytes) {
    Remove(calls, files.backup, L"古い", failure.reason);
    return failure;
  }
  if (now.status == FileRead::Status::kUnreadable) {
    Then(failure.reason, L"ファイルを読み返せません: " + now.reason);
  }
  Then(failure.reason, L"古いパスワードは「" + files.backup + L"」に残っています");
  return failure;
}

}  // namespace pw
