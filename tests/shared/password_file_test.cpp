#include "shared/password_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shared/password_rule.h"
#include "tests/fakes/fake_ansi_code_page.h"
#include "tests/fakes/fake_file_service.h"

namespace pw {
namespace {

using Kind = PasswordError::Kind;
using std::string_literals::operator""s;
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
}

TEST_F(PasswordFileTest, SavedPasswordsReadBackUnchanged) {
  const std::wstring longest(kMaxPasswordLength, L'x');
  const std::wstring cases[] = {L"", L"abc", L"  pass word ", L",a,,b,", L" !~", longest};
  for (const std::wstring& text : cases) {
    SCOPED_TRACE(testing::Utf8(text));
    log.clear();
    EXPECT_FALSE(WriteStoredPassword(files, code_page, kFolder, text));
    const PasswordRead read = ReadStoredPassword(files, code_page, kFolder);
    EXPECT_FALSE(read.error);
    EXPECT_EQ(read.password, text);
    const std::string bytes = testing::Utf8(text);
    EXPECT_EQ(log, (CallLog{"Encode(" + bytes + ")", "Decode(" + bytes + ")",
                            "Replace(C:\\App\\password,\"" + bytes + "\"\\x0D\\x0A)",
                            "Read(C:\\App\\password)", "Decode(" + bytes + ")"}));
  }
}

// Nothing is saved that would read back otherwise, or that could not be typed at the lock.
TEST_F(PasswordFileTest, RefusesTextOutsideTheRuleOrTheFormat) {
  struct Case {
    std::wstring text;
    Kind kind;
    std::wstring reason;
  };
  const Case cases[] = {
      {L"ab\"cd", Kind::kHasQuote, L""},
      {L"a\r\n\"", Kind::kHasQuote, L""},
      {L"ab\r\n", Kind::kHasLineBreak, L""},
      {L"a\rb", Kind::kHasLineBreak, L""},
      {std::wstring(L"a\0b", 3), Kind::kBreaksRule, L"U+0000"},
      {L"a\x1F", Kind::kBreaksRule, L"U+001F"},
      {L"a\x7F", Kind::kBreaksRule, L"U+007F"},
      {L"café", Kind::kBreaksRule, L"é"},
      {L"ａ", Kind::kBreaksRule, L"ａ"},
      {L"\xFF60", Kind::kBreaksRule, L"\xFF60"},
      {L"\xFFA0", Kind::kBreaksRule, L"\xFFA0"},
      {L"a\xD83D\xDE00", Kind::kBreaksRule, L"\xD83D\xDE00"},
      // Half-width katakana are within the rule; this code page cannot store them.
      {L"a\xFF61\xFF9F", Kind::kNotInCodePage, L"\xFF61"},
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

// Where a half-width katakana takes three bytes, as on a UTF-8 code page, the longest first line
// the reader takes holds 84 of them.
TEST_F(PasswordFileTest, SavesOnlyWhatTheReaderTakesBack) {
  code_page.utf8 = true;
  const std::wstring fits(84, L'ｱ');
  EXPECT_FALSE(WriteStoredPassword(files, code_page, kFolder, fits));
  const PasswordError error = WriteStoredPassword(files, code_page, kFolder, fits + L'ﾟ');
  EXPECT_TRUE(error.kind == Kind::kBreaksRule && error.reason.empty());  // too long
  EXPECT_EQ(ReadStoredPassword(files, code_page, kFolder).password, fits);
}

TEST_F(PasswordFileTest, ReadingTellsWhatIsWrong) {
  struct Case {
    const char* name;
    std::optional<std::string> content;  // nullopt: no file
    std::wstring unreadable;             // non-empty: the system refuses, for this reason
    Kind kind;
    std::wstring reason;
    std::wstring password;
  };
  const std::wstring refused = L"アクセスが拒否されました。";
  const std::string blanks(250, ' ');  // the line end then falls on the last byte read, or past it
  const Case cases[] = {
      {"no file", std::nullopt, L"", Kind::kMissing, L"", L""},
      {"refused", "\"abc\"\r\n", refused, Kind::kUnreadable, refused, L""},
      {"empty file", "", L"", Kind::kNoPassword, L"", L""},
      {"only blanks", " \t", L"", Kind::kNoPassword, L"", L""},
      {"UTF-8 mark", "\xEF\xBB\xBF\"abc\"\r\n", L"", Kind::kNotAnsiText, L"UTF-8 の BOM があります",
       L""},
      {"UTF-16LE mark", "\xFF\xFE\"\0a\0\"\0"s, L"", Kind::kNotAnsiText,
       L"UTF-16 の BOM があります", L""},
      {"UTF-16BE mark", "\xFE\xFF\0\"\0a\0\""s, L"", Kind::kNotAnsiText,
       L"UTF-16 の BOM があります", L""},
      {"UTF-16 unmarked", "\"\0a\0\"\0"s, L"", Kind::kNotAnsiText, L"NUL 文字があります", L""},
      {"NUL on line 2", "\"abc\"\r\n\0"s, L"", Kind::kNotAnsiText, L"NUL 文字があります", L""},
      {"kanji", "\"\x95\x5C\"\r\n", L"", Kind::kStoredBreaksRule, L"表", L""},
      {"tab", "\"a\tb\"\r\n", L"", Kind::kStoredBreaksRule, L"U+0009", L""},
      {"longest", "\"" + std::string(127, 'x') + "\"", L"", Kind::kNone, L"",
       std::wstring(127, L'x')},
      {"too long", "\"" + std::string(128, 'x') + "\"", L"", Kind::kStoredBreaksRule, L"", L""},
      {"line end on byte 256", blanks + "\"abc\"\r\n", L"", Kind::kNone, L"", L"abc"},
      {"line end past byte 256", blanks + " \"abc\"\r\n", L"", Kind::kStoredBreaksRule, L"", L""},
      {"long second line", "\"abc\"\r\n" + std::string(1000, 'x'), L"", Kind::kNone, L"", L"abc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    files.files.clear();
    files.unreadable.clear();
    if (c.content) files.files[kPath] = *c.content;
    if (!c.unreadable.empty()) files.unreadable[kPath] = c.unreadable;
    const PasswordRead read = ReadStoredPassword(files, code_page, kFolder);
    EXPECT_EQ(read.error.kind, c.kind);
    EXPECT_EQ(read.error.reason, c.reason);
    EXPECT_EQ(read.password, c.password);
  }
  EXPECT_LE(files.most_read, 257u);  // a first line's worth, however large the file
}

// The messages that the programs' own tests do not show already.
TEST(DescribePasswordErrorTest, NamesTheFileAndTheCause) {
  const std::wstring file = L"パスワードファイル「C:\\App\\password」";
  const std::wstring rule =
      L"パスワードに使えるのは半角の英数字・記号・空白と半角カタカナで、127 文字までです。";
  const std::pair<PasswordError, std::wstring> cases[] = {
      {{Kind::kUnreadable, L"アクセスが拒否されました。"},
       file + L"を読み込めません: アクセスが拒否されました。"},
      {{Kind::kNoPassword, L""}, file + L"にパスワードがありません。"},
      {{Kind::kStoredBreaksRule, L""}, file + L"のパスワードが長すぎます。" + rule},
      {{Kind::kSavedLeftFile, L"古いパスワードが入ったファイル「x」を削除できません: E32"},
       file + L"に保存しましたが、古いパスワードが入ったファイル「x」を削除できません: E32。"},
      {{Kind::kNotInCodePage, L"ｱ"},
       L"パスワードの文字「ｱ」はこのシステムの文字コードで保存できません。"},
  };
  for (const auto& [error, sentence] : cases) {
    SCOPED_TRACE(testing::Utf8(sentence));
    EXPECT_EQ(DescribePasswordError(error, kPath), sentence);
  }
}

}  // namespace
}  // namespace pw
