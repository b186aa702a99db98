#include "shared/file_save.h"

#include <gtest/gtest.h>

#include "tests/fakes/call_log.h"
#include "tests/fakes/fake_save_calls.h"

namespace pw {
namespace {

using Folder = std::map<std::wstring, std::string>;

const std::wstring kFile = L"C:\\App\\password", kTemp = L"C:\\App\\pwd1.tmp",
                   kOld = L"C:\\App\\pwd2.tmp", kFailed = L"ファイルを置き換えられません: E";
const std::wstring kNewStays =
    L"。新しいパスワードが入ったファイル「" + kTemp + L"」を削除できません: E32";
const std::wstring kOldStays =
    L"古いパスワードが入ったファイル「" + kOld + L"」を削除できません: E32";

// Each way the replace ends, held files (that cannot be moved or deleted) and an unreadable one
// included: the new file alone, ok; or the old file, or else the files named that hold the new
// and the old, and why.
TEST(FileSaveTest, EachReplaceFailureEndsWithOneKnownPassword) {
  struct Case {
    unsigned replace_error;
    std::set<std::wstring> held;
    Folder after;
    std::wstring reason;
    std::set<std::wstring> unreadable = {};
  };
  const std::wstring neither = L"1177。新しいパスワードは「" + kTemp + L"」に、古いパスワードは「" +
                               kOld + L"」に残っています";
  const std::wstring unread =
      L"1177。ファイルを読み返せません: E5。古いパスワードは「" + kOld + L"」に残っています";
  const Case cases[] = {
      {0, {}, {{kFile, "new"}}, L""},
      {0, {kOld}, {{kFile, "new"}, {kOld, "old"}}, kOldStays},
      {1175, {}, {{kFile, "old"}}, kFailed + L"1175"},
      {1176, {}, {{kFile, "old"}}, kFailed + L"1176"},
      {5, {kTemp}, {{kFile, "old"}, {kTemp, "new"}}, kFailed + L"5" + kNewStays},
      {1177, {}, {{kFile, "new"}}, L""},
      {1177, {kOld}, {{kFile, "new"}, {kOld, "old"}}, kOldStays},
      {1177, {kTemp}, {{kFile, "old"}, {kTemp, "new"}}, kFailed + L"1177" + kNewStays},
      {1177, {kTemp, kOld}, {{kTemp, "new"}, {kOld, "old"}}, kFailed + neither},
      {1177, {}, {{kOld, "old"}}, kFailed + unread, {kFile}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.replace_error);
    testing::FakeSaveCalls calls;
    calls.files = {{kFile, "old"}, {kTemp, "new"}};
    calls.held = c.held;
    calls.unreadable = c.unreadable;
    calls.replace_error = c.replace_error;
    const FileWrite result = PutInPlace(calls, {kFile, kTemp, kOld}, "new");
    EXPECT_EQ(calls.files, c.after);
    EXPECT_EQ(result.ok, c.after.count(kFile) && c.after.at(kFile) == "new");
    EXPECT_EQ(testing::Utf8(result.reason), testing::Utf8(c.reason));
  }
}

// Success is what reads back, not what the system says; a new file has no old one to keep.
TEST(FileSaveTest, OnlyTheNewBytesReadBackSucceed) {
  testing::FakeSaveCalls calls;
  calls.files = {{kFile, "old"}, {kTemp, "typo"}};
  EXPECT_EQ(PutInPlace(calls, {kFile, kTemp, kOld}, "new").reason,
            L"保存したファイルを読み返すと新しいパスワードになっていません。古いパスワードは「" +
                kOld + L"」に残っています");
  calls.files = {{kTemp, "new"}};
  calls.held = {kTemp};
  EXPECT_EQ(PutInPlace(calls, {kFile, kTemp, {}}, "new").reason,
            L"ファイルを作成できません: E32" + kNewStays);
  EXPECT_EQ(calls.files, (Folder{{kTemp, "new"}}));
}

}  // namespace
}  // namespace pw
