// The settings dialog's checks, the about box and the help command, without a server.
#include <QLabel>
#include <QRadioButton>

#include "DeskFixture.h"
#include "UrlCatcher.h"
#include "core/QueryFile.h"

namespace quarlodesk::testing {
namespace {

Expected EditSettings(const char* key, const char* rows, const char* button) {
  return {"frmSetting", [key, rows, button](QWidget* d) {
            if (key) d->findChild<QLineEdit*>("txtEncKey")->setText(QString::fromUtf8(key));
            if (rows) d->findChild<QLineEdit*>("txtRowsPerComm")->setText(QString::fromUtf8(rows));
            d->findChild<QPushButton*>(button)->click();
          }};
}

TEST(Dialogs, SettingsDialogRefusesAndApplies) {
  Desk desk;
  const std::string key = quarlolink::QuarloApp::Create()->EncKey();
  std::string notNumber, question, refused;
  auto& a = desk.Answers();
  a.Expect(EditSettings(nullptr, "abc", "cmdOK"));
  a.Expect(PressButton(QMessageBox::Ok, &notNumber));
  a.Expect(EditSettings(nullptr, "12.5", "cmdOK"));
  desk.Window().RunCommand("mnuFile_Setting");
  EXPECT_EQ(notNumber, "每次通讯取回的最大行数：的值必须为数字");
  auto cn = desk.Window().Connection().cn;
  ASSERT_NE(cn, nullptr);
  EXPECT_EQ(cn->RowsPerComm(), 12);

  // Only the letter case changed: still a change, and No keeps everything.
  std::string upper = key;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  ASSERT_NE(upper, key);
  a.Expect(EditSettings(upper.c_str(), "30", "cmdOK"));
  a.Expect(PressButton(QMessageBox::No, &question));
  a.Expect(EditSettings(nullptr, nullptr, "cmdCancel"));
  desk.Window().RunCommand("mnuFile_Setting");
  EXPECT_EQ(question, "更新密钥必须与enckey.asp中的 ENC_KEY 常量的值，是否继续？");
  EXPECT_EQ(cn->EncKey(), key);
  EXPECT_EQ(cn->RowsPerComm(), 12);

  // A key the connection refuses: its reason, and no other option applied.
  a.Expect(EditSettings("密钥", "40", "cmdOK"));
  a.Expect(PressButton(QMessageBox::Yes));
  a.Expect(PressButton(QMessageBox::Ok, &refused));
  a.Expect(EditSettings(nullptr, nullptr, "cmdCancel"));
  desk.Window().RunCommand("mnuFile_Setting");
  EXPECT_FALSE(refused.empty());
  EXPECT_EQ(cn->EncKey(), key);
  EXPECT_EQ(cn->RowsPerComm(), 12);
  EXPECT_TRUE(a.AllUsed());
  EXPECT_TRUE(a.Unexpected().empty()) << a.Unexpected().front();
}

TEST(Dialogs, AboutHelpAndFontMenu) {
  Desk desk;
  desk.Answers().Expect(
      {"frmAbout", [](QWidget* d) {
         EXPECT_EQ(d->windowTitle().toStdString(), "关于Quarlo Query(简体中文版)");
         EXPECT_NE(d->findChild<QLabel*>("lblTitle")->text().indexOf("Service Pack 1"), -1);
         auto* text = d->findChild<QPlainTextEdit*>("txtDescription");
         const QString before = text->toPlainText();
         text->appendPlainText("typed");
         EXPECT_EQ(text->toPlainText(), before);
         d->findChild<QPushButton*>("cmdOK")->click();
       }});
  desk.Window().RunCommand("mnuHelp_About");

  // No help file: the open dialog, cancelled, opens nothing.
  UrlCatcher files("file");
  desk.Answers().Expect(Reject("QFileDialog"));
  desk.Window().RunCommand("mnuHelp_Title");
  EXPECT_TRUE(files.opened.empty());
  const std::string manual = (desk.Files() / "manual.html").string();
  WriteWholeFile(manual, "<html></html>");
  desk.Window().RunCommand("mnuHelp_Title");
  ASSERT_EQ(files.opened.size(), 1u);
  EXPECT_EQ(files.opened[0], "file://" + manual);

  desk.Window().RunCommand("mnuEdit_Font_Small");
  EXPECT_EQ(desk.Action("mnuEdit_Font_Small")->text().toStdString(), "* 小");
  EXPECT_EQ(desk.Find<QPlainTextEdit>("txtCmd")->font().pointSizeF(), 9);
  EXPECT_TRUE(desk.Answers().Unexpected().empty()) << desk.Answers().Unexpected().front();
}

}  // namespace
}  // namespace quarlodesk::testing
