// The main window's widgets, menus, toolbar and status bar, each named as the commands and tests
// know it.
#include <QAction>
#include <QActionGroup>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QToolBar>

#include "core/FontSizes.h"
#include "ui/AppLook.h"
#include "ui/Dialogs.h"
#include "ui/MainWindow.h"
#include "ui/ResultModel.h"
#include "ui/SqlHighlighter.h"

namespace quarlodesk {

QAction* MainWindow::AddAction(QMenu* menu, const char* name, const char* caption,
                               std::function<void()> handler) {
  auto* action = new QAction(Q(caption), this);
  action->setObjectName(name);
  if (menu) menu->addAction(action);
  if (handler) {
    handlers_[name] = handler;
    connect(action, &QAction::triggered, this,
            [this, h = std::string(name)] { handlers_.at(h)(); });
  }
  actions_[name] = action;
  return action;
}

QAction* MainWindow::Action(const std::string& name) const {
  auto it = actions_.find(name);
  return it == actions_.end() ? nullptr : it->second;
}

QLabel* MainWindow::Panel(const std::string& key) const { return panels_.at(key); }

void MainWindow::BuildWidgets() {
  area_ = new QWidget(this);
  area_->setObjectName("ResultArea");
  setCentralWidget(area_);

  tbToolBar_ = new QToolBar(area_);
  tbToolBar_->setObjectName("tbToolBar");
  tbToolBar_->setIconSize(QSize(20, 20));
  tbToolBar_->setMovable(false);
  tbToolBar_->setAccessibleName(Q("工具栏"));

  txtCmd_ = new QPlainTextEdit(area_);
  txtCmd_->setObjectName("txtCmd");
  txtCmd_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  txtCmd_->setFont(SongTi(fontSize_));
  txtCmd_->setAccessibleName(Q("SQL语句编辑器"));
  txtCmd_->setAccessibleDescription(Q("在此输入要执行的SQL语句"));
  connect(txtCmd_, &QPlainTextEdit::textChanged, this, &MainWindow::OnEditorChanged);
  new SqlHighlighter(txtCmd_->document());  // owned by the document

  imgSplitter_ = new QFrame(area_);
  imgSplitter_->setObjectName("imgSplitter");
  imgSplitter_->setCursor(Qt::SizeVerCursor);
  imgSplitter_->setFrameShape(QFrame::NoFrame);
  imgSplitter_->setAccessibleName(Q("分隔条"));
  imgSplitter_->installEventFilter(this);

  picSplitter_ = new QFrame(area_);
  picSplitter_->setObjectName("picSplitter");
  picSplitter_->setAutoFillBackground(true);
  picSplitter_->setBackgroundRole(QPalette::Dark);
  picSplitter_->hide();

  txtMessage_ = new QPlainTextEdit(area_);
  txtMessage_->setObjectName("txtMessage");
  txtMessage_->setReadOnly(true);
  txtMessage_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  txtMessage_->setAccessibleName(Q("执行结果信息"));

  model_ = new ResultModel(this);
  model_->Reset(2);
  mfgMain_ = new QTableView(area_);
  mfgMain_->setObjectName("mfgMain");
  mfgMain_->setModel(model_);
  mfgMain_->setFont(SongTi(fontSize_));
  mfgMain_->verticalHeader()->hide();
  mfgMain_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  mfgMain_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  mfgMain_->horizontalHeader()->setHighlightSections(false);
  mfgMain_->setWordWrap(false);
  mfgMain_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  mfgMain_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  mfgMain_->setContextMenuPolicy(Qt::CustomContextMenu);
  mfgMain_->setAccessibleName(Q("查询结果网格"));
  connect(mfgMain_, &QWidget::customContextMenuRequested, this, &MainWindow::ShowPopup);
  mfgMain_->hide();

  timMain_ = new QTimer(this);
  timMain_->setObjectName("timMain");
  timMain_->setInterval(1000);
  connect(timMain_, &QTimer::timeout, this, &MainWindow::ShowUseTime);
}

void MainWindow::BuildMenus() {
  QMenuBar* bar = menuBar();

  mnuFile_ = bar->addMenu(Q("文件(&F)"));
  mnuFile_->setObjectName("mnuFile");
  AddAction(mnuFile_, "mnuFile_ReLogin", "重新登录(&R)", [this] { Login(); });
  mnuFile_->addSeparator();
  AddAction(mnuFile_, "mnuFile_New", "新建(&N)", [this] { NewFile(); });
  AddAction(mnuFile_, "mnuFile_Open", "打开(&O)", [this] { OpenFile(); });
  AddAction(mnuFile_, "mnuFile_Save", "保存(&S)", [this] { Save(false); });
  AddAction(mnuFile_, "mnuFile_SaveAs", "另存为(&A)", [this] { Save(true); });
  mnuFile_->addSeparator();
  AddAction(mnuFile_, "mnuFile_Export", "导出结果(&E)...", [this] { ExportResult(); });
  mnuFile_->addSeparator();
  AddAction(mnuFile_, "mnuFile_Setting", "设置(&S)", [this] { SettingsCommand(); });
  mnuFile_->addSeparator();
  AddAction(mnuFile_, "mnuFile_Exit", "退出(&X)", [this] { close(); });
  QAction* lastUse0 = AddAction(mnuFile_, "mnuFile_LastUse0", "-", nullptr);
  lastUse0->setSeparator(true);
  lastUse0->setVisible(false);

  QMenu* edit = bar->addMenu(Q("编辑(&E)"));
  edit->setObjectName("mnuEdit");
  AddAction(edit, "mnuEdit_Cut", "剪切", [this] { EditCommand(EditKey::Cut); });
  AddAction(edit, "mnuEdit_Copy", "复制", [this] { EditCommand(EditKey::Copy); });
  AddAction(edit, "mnuEdit_Paste", "粘贴", [this] { EditCommand(EditKey::Paste); });
  edit->addSeparator();
  AddAction(edit, "mnuEdit_Delete", "删除", [this] { EditCommand(EditKey::Delete); });
  AddAction(edit, "mnuEdit_Undo", "撤消", [this] { EditCommand(EditKey::Undo); });
  edit->addSeparator();
  QMenu* font = edit->addMenu(Q("字体"));
  font->setObjectName("mnuEdit_FontMenu");
  font->menuAction()->setObjectName("mnuEdit_Font");
  actions_["mnuEdit_Font"] = font->menuAction();
  const std::pair<const char*, int> sizes[] = {{"mnuEdit_Font_Big", kFontBig},
                                               {"mnuEdit_Font_Mid", kFontMid},
                                               {"mnuEdit_Font_Small", kFontSmall}};
  for (const auto& [name, size] : sizes) {
    AddAction(font, name, "", [this, size = size] {
      SetFontSize(size);
      MarkFontMenu();
    });
  }

  QMenu* run = bar->addMenu(Q("查询(&Q)"));
  run->setObjectName("mnuRun");
  QAction* exec = AddAction(run, "mnuRun_ExecSQL", "执行SQL语句(&R)", [this] { Execute(); });
  exec->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
  AddAction(run, "mnuRun_Cancel", "中止语句执行(&C)", [this] { Cancel(); });
  run->addSeparator();
  AddAction(run, "mnuRun_NextPage", "显示下一页(&N)", [this] { Page(Paging::Next); });
  AddAction(run, "mnuRun_PrevPage", "显示上一页(&P)", [this] { Page(Paging::Prev); });
  AddAction(run, "mnuRun_GotoPage", "显示某页...(&G)", [] {})->setVisible(false);
  AddAction(run, "mnuRun_SetRowsPerPage", "设置每页显示行数", [this] { SetRowsPerPage(); });
  run->addSeparator();
  AddAction(run, "mnuRun_NextRecordset", "下一个结果集", [this] { Page(Paging::NextRecordset); });

  mnuPopupMenu_ = new QMenu(Q("弹出式菜单-网格"), this);
  mnuPopupMenu_->setObjectName("mnuPopupMenu");
  AddAction(mnuPopupMenu_, "mnuPopupMenu_Copy", "复制(&C)", [this] { CopySelection(); });
  AddAction(mnuPopupMenu_, "mnuPopupMenu_CopyColName", "复制列名", [this] { CopyColumnNames(); });
  AddAction(mnuPopupMenu_, "mnuPopupMenu_Export", "导出结果(&E)...", [this] { ExportResult(); });
  mnuPopupMenu_->addSeparator();
  AddAction(mnuPopupMenu_, "mnuPopupMenu_NextPage", "显示下一页(&N)",
            [this] { Page(Paging::Next); });
  AddAction(mnuPopupMenu_, "mnuPopupMenu_PrevPage", "显示上一页(&P)",
            [this] { Page(Paging::Prev); });
  AddAction(mnuPopupMenu_, "mnuPopupMenu_GotoPage", "显示某页...(&G)", [] {})->setVisible(false);
  mnuPopupMenu_->addSeparator();
  AddAction(mnuPopupMenu_, "mnuPopupMenu_NextRecordset", "下一个结果集",
            [this] { Page(Paging::NextRecordset); });

  QMenu* help = bar->addMenu(Q("帮助(&H)"));
  help->setObjectName("mneHelp");
  AddAction(help, "mnuHelp_Title", "帮助主题(&T)", [this] { HelpTitle(); });
  help->addSeparator();
  AddAction(help, "mnuHelp_OnlineDoc", "在线文档...", [this] { OnlineDoc(); });
  help->addSeparator();
  AddAction(help, "mnuHelp_About", "关于...(&A)", [this] { About(); });
}

void MainWindow::BuildToolBar() {
  struct Button {
    const char* key;
    const char* tip;
    const char* command;  // the menu item whose handler the button runs
    const char* theme;
    QStyle::StandardPixmap fallback;
    bool groupEnd;
  };
  static const Button buttons[] = {
      {"New", "新建查询文件", "mnuFile_New", "document-new", QStyle::SP_FileIcon, false},
      {"Open", "打开查询文件", "mnuFile_Open", "document-open", QStyle::SP_DialogOpenButton, false},
      {"Save", "保存查询文件", "mnuFile_Save", "document-save", QStyle::SP_DialogSaveButton, false},
      {"Set", "设置", "mnuFile_Setting", "preferences-system", QStyle::SP_FileDialogDetailedView,
       true},
      {"Cut", "剪切", "mnuEdit_Cut", "edit-cut", QStyle::SP_CustomBase, false},
      {"Copy", "复制", "mnuEdit_Copy", "edit-copy", QStyle::SP_CustomBase, false},
      {"Paste", "粘贴", "mnuEdit_Paste", "edit-paste", QStyle::SP_CustomBase, false},
      {"Delete", "删除", "mnuEdit_Delete", "edit-delete", QStyle::SP_TrashIcon, false},
      {"Undo", "撤消", "mnuEdit_Undo", "edit-undo", QStyle::SP_ArrowBack, true},
      {"Execute", "执行SQL语句", "mnuRun_ExecSQL", "media-playback-start", QStyle::SP_MediaPlay,
       false},
      {"Cancel", "中止执行SQL语句", "mnuRun_Cancel", "process-stop", QStyle::SP_BrowserStop, true},
      {"PrevPage", "显示上一页", "mnuRun_PrevPage", "go-previous", QStyle::SP_ArrowLeft, false},
      {"NextPage", "显示下一页", "mnuRun_NextPage", "go-next", QStyle::SP_ArrowRight, false},
      {"GotoPage", "显示某页", "mnuRun_GotoPage", "go-jump", QStyle::SP_ArrowForward, false},
      {"SetRowsPerPage", "设置每页显示行数", "mnuRun_SetRowsPerPage", "view-list-details",
       QStyle::SP_FileDialogListView, false},
      {"NextRecordset", "显示下一个结果集", "mnuRun_NextRecordset", "go-last",
       QStyle::SP_MediaSkipForward, false},
  };
  for (const Button& b : buttons) {
    QAction* action = AddAction(nullptr, b.key, b.tip, nullptr);
    action->setToolTip(Q(b.tip));
    action->setIcon(ToolbarIcon(b.key, b.theme, b.fallback, style()));
    const std::string command = b.command;
    connect(action, &QAction::triggered, this, [this, command] { handlers_.at(command)(); });
    tbToolBar_->addAction(action);
    if (b.groupEnd) tbToolBar_->addSeparator();
  }
}

void MainWindow::BuildStatusBar() {
  struct PanelSpec {
    const char* key;
    const char* text;
    const char* tip;
    const char* accessible;
    int stretch;
  };
  static const PanelSpec specs[] = {
      {"Status", "状态", "状态", "运行状态", 0},
      {"Conn", "", "", "当前连接", 1},
      {"CurrPageNo", "当前页：", "当前页：", "当前页", 0},
      {"Rows", "影响行数：", "影响行数：", "影响行数", 0},
      {"RowsPerPage", "每页行数：", "每页行数：", "每页行数", 0},
      {"UseTime", "使用时间：", "使用时间：", "使用时间", 0},
  };
  QStatusBar* bar = statusBar();
  bar->setObjectName("sbStatusBar");
  bar->setSizeGripEnabled(true);
  for (const PanelSpec& p : specs) {
    auto* label = new QLabel(Q(p.text), bar);
    label->setObjectName(p.key);
    label->setToolTip(Q(p.tip));
    label->setAccessibleName(Q(std::string("状态栏：") + p.accessible));
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setMinimumWidth(p.stretch ? 120 : 90);
    bar->addPermanentWidget(label, p.stretch);
    panels_[p.key] = label;
  }
}

}  // namespace quarlodesk
