#include "editor/editor.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "shared/password_file.h"
#include "tests/fakes/fake_ansi_code_page.h"
#include "tests/fakes/fake_file_service.h"
#include "tests/fakes/fake_forms.h"

namespace vantor {
namespace {

using Kind = pw::PasswordError::Kind;
using pw::testing::CallLog;
using pw::testing::Utf8;
namespace testing = pw::testing;

constexpr wchar_t kPath[] = L"C:\\App\\password";
constexpr char kRead[] = "Read(C:\\App\\password)";
constexpr char kChanged[] = "MsgBox(ﾊﾟｽﾜｰﾄﾞを変更しました。,64,Vantor)";

std::string ErrorBox(Kind kind, const std::wstring& reason = {}) {
  return "MsgBox(" + Utf8(pw::DescribePasswordError({kind, reason}, kPath)) + ",16,Vantor)";
}

class EditorTest : public ::testing::Test {
 protected:
  EditorTest() { new_pass.text = L"NewPass"; }

  CallLog log;
  testing::FakeFileService files{log};
  testing::FakeAnsiCodePage code_page{log};
  testing::FakeTextBox new_pass{log, "NewPass"};
  testing::FakeMessageBox message_box{log};
  Editor editor{files, code_page, new_pass, message_box, L"C:\\App"};
};

TEST_F(EditorTest, LoadShowsTheFirstFieldOrAnEmptyBox) {
  struct Case {
    const char* name;
    std::optional<std::string> file;  // nullopt: no file
    std::wstring shown;
    CallLog calls;
  };
  const Case cases[] = {
      {"quoted with commas and spaces, more fields and lines",
       "  \" a, b \" x,y\r\nsecond\r\n",
       L" a, b ",
       {kRead, "Decode( a, b )", "NewPass.Text= a, b "}},
      {"outside the rule: told why",
       "\"\x95\x5C\"\r\n",
       L"",
       {kRead, "Decode(\\x95\\x5C)",
        "MsgBox(" + Utf8(pw::DescribePasswordError({Kind::kStoredBreaksRule, L"表"}, kPath)) +
            "\n新しいパスワードを入力して「変更」を押してください。,16,Vantor)",
        "NewPass.Text="}},
      {"no file", std::nullopt, L"", {kRead, "NewPass.Text="}},
      {"empty file", "", L"", {kRead, "NewPass.Text="}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    log.clear();
    files.files.clear();
    if (c.file) files.files[kPath] = *c.file;
    Editor fresh{files, code_page, new_pass, message_box, L"C:\\App"};
    EXPECT_TRUE(fresh.Load());
    EXPECT_EQ(fresh.StoredPassword(), c.shown);
    EXPECT_EQ(new_pass.text, c.shown);
    EXPECT_EQ(log, c.calls);
  }
}

TEST_F(EditorTest, UnreadableFileIsReportedAndEndsTheProgramUntouched) {
  files.files[kPath] = "\"abc\"\r\n";
  files.unreadable[kPath] = L"アクセスが拒否されました。";
  EXPECT_FALSE(editor.Load());
  EXPECT_EQ(log, (CallLog{kRead, ErrorBox(Kind::kUnreadable, L"アクセスが拒否されました。")}));
  EXPECT_EQ(new_pass.text, L"NewPass");
}

// A save is confirmed only when it happened; a refused one is reported, and the file keeps its
// content and the box its text.
TEST_F(EditorTest, ChangeSavesTheBoxTextOrSaysWhyNot) {
  struct Case {
    std::wstring typed;
    std::optional<std::wstring> write_failure;
    CallLog calls;
    std::string file;  // afterwards
  };
  const std::wstring denied = L"ファイルを置き換えられません: アクセスが拒否されました。";
  const Case cases[] = {
      {L"new",
       std::nullopt,
       {"Encode(new)", "Replace(C:\\App\\password,\"new\"\\x0D\\x0A)", kChanged},
       "\"new\"\r\n"},
      {L"ab\"cd", std::nullopt, {ErrorBox(Kind::kHasQuote)}, "\"old\"\r\n"},
      {L"new",
       denied,
       {"Encode(new)", "Replace(C:\\App\\password,\"new\"\\x0D\\x0A)",
        ErrorBox(Kind::kWriteFailed, denied)},
       "\"old\"\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.typed));
    log.clear();
    files.files[kPath] = "\"old\"\r\n";
    files.replace_failure = c.write_failure;
    new_pass.text = c.typed;
    editor.ChangeClick();
    EXPECT_EQ(log, c.calls);
    EXPECT_EQ(files.files[kPath], c.file);
    EXPECT_EQ(new_pass.text, c.typed);
  }
}

}  // namespace
}  // namespace vantor
