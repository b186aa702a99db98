#include "shared/password_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fakes/fake_ansi_code_page.h"
#include "tests/fakes/fake_file_service.h"

namespace pw {
namespace {

using Kind = PasswordError::Kind;
using testing::CallLog;

constexpr wchar_t kFolder[] = L"C:\\App";
constexpr wchar_t kPath[] = L"C:\\App\\password";

class PasswordFileTest : public ::testing::Test {
 protected:
  CallLog log;
  testing::FakeFileService files{log};
  testing::FakeAnsiCodePage code_page{log};
};

TEST(PasswordPathTest, JoinsFolderAndNameAsTheyAre) {
  EXPECT_EQ(PasswordPath(L"C:\\App"), L"C:\\App\\password");
  EXPECT_EQ(PasswordPath(L"C:\\"), L"C:\\\\password");
  EXPECT_EQ(PasswordPath(L"\\\\pc\\共有\\ツール"), L"\\\\pc\\共有\\ツール\\password");
}

TEST_F(PasswordFileTest, SavedPasswordsReadBackUnchanged) {
  struct Case {
    std::wstring text;
    std::string bytes;  // as Escaped shows them
  };
  const Case cases[] = {
      {L"", ""},
      {L"abc", "abc"},
      {L"  pass word \t", "  pass word \\x09"},
      {L",a,,b,", ",a,,b,"},
      {L"パスワード", "\\x83p\\x83X\\x83\\x8F\\x81[\\x83h"},
  };
  for (const Case& c : cases) {
    const std::string text = testing::Utf8(c.text);
    SCOPED_TRACE(text);
    log.clear();
    EXPECT_FALSE(WriteStoredPassword(files, code_page, kFolder, c.text));
    const PasswordRead read = ReadStoredPassword(files, code_page, kFolder);
    EXPECT_FALSE(read.error);
    EXPECT_EQ(read.password, c.text);
    EXPECT_EQ(log, (CallLog{"Encode(" + text + ")",
                            "Replace(C:\\App\\password,\"" + c.bytes + "\"\\x0D\\x0A)",
                            "Read(C:\\App\\password)", "Decode(" + c.bytes + ")"}));
  }
  EXPECT_EQ(files.files[kPath], "\"\x83\x70\x83\x58\x83\x8F\x81\x5B\x83\x68\"\r\n");
}

TEST_F(PasswordFileTest, RefusesTextThatWouldReadBackOtherwise) {
  struct Case {
    std::wstring text;
    Kind kind;
    std::wstring reason;
  };
  const Case cases[] = {
      {L"ab\"cd", Kind::kHasQuote, L""},
      {L"a\r\n\"", Kind::kHasQuote, L""},
      {L"ab\r\n", Kind::kHasLineBreak, L""},
      {L"a\nb", Kind::kHasLineBreak, L""},
      {L"a\rb", Kind::kHasLineBreak, L""},
      {L"café", Kind::kNotInCodePage, L"é"},
      {L"パ한ス", Kind::kNotInCodePage, L"한"},
      {L"a\xD83D\xDE00", Kind::kNotInCodePage, L"\xD83D\xDE00"},
  };
  files.files[kPath] = "\"old\"\r\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Utf8(c.text));
    log.clear();
    const PasswordError error = WriteStoredPassword(files, code_page, kFolder, c.text);
    EXPECT_EQ(error.kind, c.kind);
    EXPECT_EQ(error.reason, c.reason);
    for (const std::string& call : log) EXPECT_EQ(call.find("Replace"), std::string::npos);
  }
  EXPECT_EQ(files.files[kPath], "\"old\"\r\n");
}

TEST_F(PasswordFileTest, FailedReplaceReportsTheSystemsReason) {
  files.replace_failure = L"ファイルを置き換えられません: アクセスが拒否されました。";
  const PasswordError error = WriteStoredPassword(files, code_page, kFolder, L"abc");
  EXPECT_EQ(error.kind, Kind::kWriteFailed);
  EXPECT_EQ(error.reason, *files.replace_failure);
}

TEST_F(PasswordFileTest, ReadingTellsWhatIsWrong) {
  struct Case {
    const char* name;
    std::optional<std::string> content;  // nullopt: no file
    std::wstring unreadable;             // non-empty: the system refuses, for this reason
    Kind kind;
    std::wstring password;
  };
  const Case cases[] = {
      {"no file", std::nullopt, L"", Kind::kMissing, L""},
      {"refused", "\"abc\"\r\n", L"アクセスが拒否されました。", Kind::kUnreadable, L""},
      {"empty file", "", L"", Kind::kNoPassword, L""},
      {"only blanks", " \t", L"", Kind::kNoPassword, L""},
      {"empty line", "\r\n", L"", Kind::kNone, L""},
      {"bare word", "  abc \r\n", L"", Kind::kNone, L"abc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    files.files.clear();
    files.unreadable.clear();
    if (c.content) files.files[kPath] = *c.content;
    if (!c.unreadable.empty()) files.unreadable[kPath] = c.unreadable;
    const PasswordRead read = ReadStoredPassword(files, code_page, kFolder);
    EXPECT_EQ(read.error.kind, c.kind);
    EXPECT_EQ(read.error.reason, c.unreadable);
    EXPECT_EQ(read.password, c.password);
  }
}

TEST(DescribePasswordErrorTest, NamesTheFileAndTheCause) {
  const std::wstring file = L"パスワードファイル「C:\\App\\password」";
  const std::pair<PasswordError, std::wstring> cases[] = {
      {{Kind::kNone, L""}, L""},
      {{Kind::kMissing, L""}, file + L"が見つかりません。"},
      {{Kind::kUnreadable, L"アクセスが拒否されました。"},
       file + L"を読み込めません: アクセスが拒否されました。"},
      {{Kind::kUnreadable, L"Access denied"}, file + L"を読み込めません: Access denied。"},
      {{Kind::kNoPassword, L""}, file + L"にパスワードがありません。"},
      {{Kind::kHasQuote, L""}, L"パスワードに二重引用符 (\") は使えません。"},
      {{Kind::kHasLineBreak, L""}, L"パスワードに改行は使えません。"},
      {{Kind::kNotInCodePage, L"é"},
       L"パスワードの文字「é」はこのシステムの文字コードで保存できません。"},
      {{Kind::kNotInCodePage, L""},
       L"パスワードにこのシステムの文字コードで保存できない文字があります。"},
      {{Kind::kWriteFailed, L"一時ファイルを作成できません: ディスクがいっぱいです。"},
       file + L"に保存できません: 一時ファイルを作成できません: ディスクがいっぱいです。"},
  };
  for (const auto& [error, sentence] : cases) {
    SCOPED_TRACE(testing::Utf8(sentence));
    EXPECT_EQ(DescribePasswordError(error, kPath), sentence);
  }
}

}  // namespace
}  // namespace pw
