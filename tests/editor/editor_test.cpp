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
namespace testing = pw::testing;

constexpr wchar_t kPath[] = L"C:\\App\\password";
constexpr char kRead[] = "Read(C:\\App\\password)";

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
        "MsgBox(" +
            testing::Utf8(pw::DescribePasswordError({Kind::kStoredBreaksRule, L"表"}, kPath)) +
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
    EXPECT_TRUE(editor.Load());
    EXPECT_EQ(editor.StoredPassword(), c.shown);
    EXPECT_EQ(log, c.calls);
  }
}

TEST_F(EditorTest, UnreadableFileIsReportedAndEndsTheProgramUntouched) {
  files.files[kPath] = "\"abc\"\r\n";
  files.unreadable[kPath] = L"アクセスが拒否されました。";
  EXPECT_FALSE(editor.Load());
  EXPECT_EQ(log, (CallLog{kRead,
                          "MsgBox(パスワードファイル「C:\\App\\password」を読み込めません: "
                          "アクセスが拒否されました。,16,Vantor)"}));
  EXPECT_EQ(new_pass.text, L"NewPass");
}

// The lock refuses an empty password; the confirmation says so, under its usual first line.
TEST_F(EditorTest, EmptyPasswordIsSavedWithAWord) {
  new_pass.text.clear();
  editor.ChangeClick();
  EXPECT_EQ(
      log.back(),
      "MsgBox(ﾊﾟｽﾜｰﾄﾞを変更しました。\n空のパスワードでは Corvel はロックしません。,64,Vantor)");
}

}  // namespace
}  // namespace vantor
