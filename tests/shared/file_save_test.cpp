#include "shared/file_save.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "tests/fakes/call_log.h"
#include "tests/fakes/fake_save_calls.h"

namespace pw {
namespace {

using Folder = std::map<std::wstring, std::string>;

const std::wstring kFile = L"C:\\App\\password", kTemp = L"C:\\App\\pwd1.tmp",
                   kBackup = L"C:\\App\\pwd2.tmp";
const std::wstring kNewStays =
    L"新しいパスワードが入ったファイル「C:\\App\\pwd1.tmp」を削除できません: E32";
const std::wstring kOldStays =
    L"古いパスワードが入ったファイル「C:\\App\\pwd2.tmp」を削除できません: E32";
const std::wstring kNotReplaced = L"ファイルを置き換えられません: E";

// Each way the replace ends: the folder holds the new file alone and the save is ok, or the old
// file stays (or is named) and the reason says so, naming every other file that stays.
TEST(FileSaveTest, EachReplaceFailureEndsWithOneKnownPassword) {
  struct Case {
    unsigned replace_error;
    std::set<std::wstring> held;
    Folder after;
    bool ok;
    std::wstring reason;
  };
  const Case cases[] = {
      {0, {}, {{kFile, "new"}}, true, L""},
      {0, {kBackup}, {{kFile, "new"}, {kBackup, "old"}}, true, kOldStays},
      {1175, {}, {{kFile, "old"}}, false, kNotReplaced + L"1175"},
      {1176, {}, {{kFile, "old"}}, false, kNotReplaced + L"1176"},
      {5, {kTemp}, {{kFile, "old"}, {kTemp, "new"}}, false, kNotReplaced + L"5。" + kNewStays},
      {1177, {}, {{kFile, "new"}}, true, L""},
      {1177, {kBackup}, {{kFile, "new"}, {kBackup, "old"}}, true, kOldStays},
      {1177,
       {kTemp},
       {{kFile, "old"}, {kTemp, "new"}},
       false,
       kNotReplaced + L"1177。" + kNewStays},
      {1177,
       {kTemp, kBackup},
       {{kTemp, "new"}, {kBackup, "old"}},
       false,
       kNotReplaced + L"1177。新しいパスワードは「" + kTemp + L"」に、古いパスワードは「" +
           kBackup + L"」に残っています"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.replace_error);
    testing::FakeSaveCalls calls;
    calls.files = {{kFile, "old"}, {kTemp, "new"}};
    calls.held = c.held;
    calls.replace_error = c.replace_error;
    const FileWrite result = PutInPlace(calls, {kFile, kTemp, kBackup}, "new");
    EXPECT_EQ(calls.files, c.after);
    EXPECT_EQ(result.ok, c.ok);
    EXPECT_EQ(testing::Utf8(result.reason), testing::Utf8(c.reason));
  }
}

// Success is what reads back, not what the system says; a new file has no old one to keep.
TEST(FileSaveTest, OnlyTheNewBytesReadBackSucceed) {
  testing::FakeSaveCalls calls;
  calls.files = {{kFile, "old"}, {kTemp, "typo"}};
  FileWrite result = PutInPlace(calls, {kFile, kTemp, kBackup}, "new");
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.reason,
            L"保存したファイルを読み返すと新しいパスワードになっていません。古いパスワードは「" +
                kBackup + L"」に残っています");
  calls.files = {{kTemp, "new"}};
  calls.held = {kTemp};
  result = PutInPlace(calls, {kFile, kTemp, {}}, "new");
  EXPECT_EQ(calls.files, (Folder{{kTemp, "new"}}));
  EXPECT_EQ(result.reason, L"ファイルを作成できません: E32。" + kNewStays);
}

}  // namespace
}  // namespace pw
