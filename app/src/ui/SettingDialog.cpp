#include "ui/SettingDialog.h"

#include <QButtonGroup>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "core/Numbers.h"
#include "quarlolink/QuarloApp.h"
#include "ui/Dialogs.h"
#include "ui/LoginDialog.h"
#include "ui/SelectAllOnFocus.h"

namespace quarlodesk {

SettingDialog::SettingDialog(QWidget* parent, ConnectionHolder& conn,
                             std::function<void(QWidget*)> openHelp)
    : QDialog(parent), conn_(conn), openHelp_(std::move(openHelp)) {
  setObjectName("frmSetting");
  setWindowTitle(Q("设置"));
  setModal(true);

  auto* grid = new QGridLayout;
  auto* selectAll = new SelectAllOnFocus(this);
  int row = 0;
  auto label = [&](const char* name, const char* caption) {
    auto* l = new QLabel(Q(caption), this);
    l->setObjectName(name);
    return l;
  };
  auto field = [&](const char* labelName, const char* caption, const char* name) {
    auto* e = new QLineEdit(this);
    e->setObjectName(name);
    e->setMinimumWidth(300);
    e->installEventFilter(selectAll);
    QLabel* l = label(labelName, caption);
    l->setBuddy(e);
    grid->addWidget(l, row, 0);
    grid->addWidget(e, row, 1);
    ++row;
    return std::make_pair(l, e);
  };

  txtEncKey_ = field("lblEncKey", "密钥：", "txtEncKey").second;
  auto* note = label("Label2", "说明：这里定义的密钥必须与enckey.asp中的 ENC_KEY 常量的值相同");
  note->setWordWrap(true);
  grid->addWidget(note, row++, 0, 1, 2);
  txtOpenConnUrl_ = field("lblOpenConnUrl", "打开数据库连接的URL：", "txtOpenConnUrl").second;
  txtExecuteUrl_ = field("lblExecuteUrl", "执行SQL语句的URL：", "txtExecuteUrl").second;
  grid->addWidget(label("lblExample",
                        "说明： URL不包括站名部分，而且必须为绝对路径\n"
                        "        如：/quarlo/quarloopen.asp"),
                  row++, 0, 1, 2);
  auto [rowsLabel, rowsField] =
      field("lblRowsPerComm", "每次通讯取回的最大行数：", "txtRowsPerComm");
  lblRowsPerComm_ = rowsLabel;
  txtRowsPerComm_ = rowsField;

  optYes_ = new QRadioButton(Q("是"), this);
  optYes_->setObjectName("optYes");
  optNo_ = new QRadioButton(Q("否"), this);
  optNo_->setObjectName("optNo");
  auto* group = new QButtonGroup(this);
  group->addButton(optYes_);
  group->addButton(optNo_);
  auto* spaceLabel = label("Label1", "去掉字段值的后导空格：");
  spaceLabel->setBuddy(optYes_);
  auto* options = new QHBoxLayout;
  options->addWidget(optYes_);
  options->addWidget(optNo_);
  options->addStretch();
  grid->addWidget(spaceLabel, row, 0);
  grid->addLayout(options, row++, 1);

  auto button = [&](const char* name, const char* caption) {
    auto* b = new QPushButton(Q(caption), this);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
  };
  QPushButton* ok = button("cmdOK", "确定");
  ok->setDefault(true);
  QPushButton* cancel = button("cmdCancel", "取消");
  QPushButton* help = button("cmdHelp", "帮助");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(help);
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);

  connect(ok, &QPushButton::clicked, this, &SettingDialog::OnOK);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(help, &QPushButton::clicked, this, [this] {
    if (openHelp_) openHelp_(this);
  });
}

void SettingDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Activate();
}

void SettingDialog::Activate() {
  if (!conn_.cn) conn_.cn = NewQuarloApp(parentWidget());
  auto& cn = *conn_.cn;
  txtEncKey_->setText(Q(cn.EncKey()));
  txtExecuteUrl_->setText(Q(cn.ExecuteUrl()));
  txtOpenConnUrl_->setText(Q(cn.OpenUrl()));
  txtRowsPerComm_->setText(QString::number(cn.RowsPerComm()));
  (cn.IsRemoveSpace() ? optYes_ : optNo_)->setChecked(true);
}

void SettingDialog::OnOK() {
  if (!conn_.cn) conn_.cn = NewQuarloApp(parentWidget());
  auto& cn = *conn_.cn;
  const std::string title = S(windowTitle());
  const std::string rowsText = S(txtRowsPerComm_->text());
  const auto number = VbNumber(rowsText);
  std::optional<int32_t> rows;
  if (number) rows = RoundToInt32(*number);
  if (!rows) {
    // Text that is no number, and a number no 32-bit count can hold.
    ShowMessage(this, QMessageBox::Critical, title,
                S(lblRowsPerComm_->text()) + (number ? "的值超出范围" : "的值必须为数字"));
    txtRowsPerComm_->setFocus();
    return;
  }
  const std::string key = S(txtEncKey_->text());
  if (key != cn.EncKey()) {
    if (ShowMessage(this, QMessageBox::Question, title,
                    "更新密钥必须与enckey.asp中的 ENC_KEY 常量的值，是否继续？",
                    QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
      return;
    }
  }
  cn.SetEncKey(key);
  if (cn.OptStatus() != 0) {
    ShowMessage(this, QMessageBox::Critical, title, cn.OptString());
    txtEncKey_->setFocus();
    return;
  }
  cn.SetExecuteUrl(S(txtExecuteUrl_->text()));
  cn.SetOpenUrl(S(txtOpenConnUrl_->text()));
  cn.SetRowsPerComm(*rows);
  cn.SetIsRemoveSpace(optYes_->isChecked());
  accept();
}

}  // namespace quarlodesk
