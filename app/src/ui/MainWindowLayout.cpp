// The main window's layout in twips, the splitter drag and the font sizes.
#include <QAction>
#include <QHeaderView>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>

#include "core/FontSizes.h"
#include "core/Layout.h"
#include "ui/AppLook.h"
#include "ui/Dialogs.h"
#include "ui/MainWindow.h"
#include "ui/Twips.h"

namespace quarlodesk {

void MainWindow::SizeControls(int y) {
  WindowMetrics m;
  const QRect outer = frameGeometry();
  m.outerWidth = PxToTwipsX(this, outer.width());
  m.outerHeight = PxToTwipsY(this, outer.height());
  const int menuHeight = menuBar()->isVisible() ? menuBar()->height() : 0;
  m.clientHeight = PxToTwipsY(this, height() - menuHeight);
  m.toolbarHeight = PxToTwipsY(this, tbToolBar_->sizeHint().height());
  m.statusBarHeight = PxToTwipsY(this, statusBar()->isVisible() ? statusBar()->height() : 0);
  m.gridVisible = !mfgMain_->isHidden();

  const ControlsLayout l = LayOutControls(m, y);
  splitterTop_ = l.splitterTop;
  auto place = [this](QWidget* w, const std::optional<TwipsRect>& r) {
    if (!r) return;  // a step that cannot be done is skipped
    w->setGeometry(TwipsToPxX(this, r->left), TwipsToPxY(this, r->top), TwipsToPxX(this, r->width),
                   TwipsToPxY(this, r->height));
  };
  place(imgSplitter_, l.splitter);
  place(tbToolBar_, l.toolbar);
  place(txtCmd_, l.editor);
  place(txtMessage_, l.message);
  if (m.gridVisible) place(mfgMain_, l.grid);
}

void MainWindow::SizeControlsAtSplitter() { SizeControls(splitterTop_); }

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  SizeControlsAtSplitter();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched != imgSplitter_) return QMainWindow::eventFilter(watched, event);
  auto* mouse = dynamic_cast<QMouseEvent*>(event);
  if (!mouse) return false;
  const int pointerY = PxToTwipsY(this, static_cast<int>(mouse->position().y()));
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      picSplitter_->setGeometry(imgSplitter_->x(), imgSplitter_->y(),
                                std::max(0, imgSplitter_->width() - TwipsToPxX(this, 20)),
                                imgSplitter_->height());
      picSplitter_->show();
      picSplitter_->raise();
      isSplitterMoving_ = true;
      return true;
    case QEvent::MouseMove:
      if (isSplitterMoving_) {
        const int outerHeight = PxToTwipsY(this, frameGeometry().height());
        const int top = GhostBarTop(splitterTop_ + pointerY, outerHeight);
        picSplitter_->move(picSplitter_->x(), TwipsToPxY(this, top));
      }
      return true;
    case QEvent::MouseButtonRelease:
      if (isSplitterMoving_) {
        SizeControls(PxToTwipsY(this, picSplitter_->y()));
        picSplitter_->hide();
        isSplitterMoving_ = false;
      }
      return true;
    default:
      return false;
  }
}

void MainWindow::SetFontSize(int size) {
  fontSize_ = size;
  txtCmd_->setFont(SongTi(size));
  QFont message = txtMessage_->font();
  message.setPointSizeF(size);
  txtMessage_->setFont(message);
  mfgMain_->setFont(SongTi(size));
  // Rows as high as the text and a little air, like the original grid, not the style's default.
  mfgMain_->verticalHeader()->setDefaultSectionSize(mfgMain_->fontMetrics().height() + 6);
}

void MainWindow::MarkFontMenu() {
  const auto captions = FontMenuCaptions(txtCmd_->font().pointSizeF());
  Action("mnuEdit_Font_Big")->setText(Q(captions[0]));
  Action("mnuEdit_Font_Mid")->setText(Q(captions[1]));
  Action("mnuEdit_Font_Small")->setText(Q(captions[2]));
}

void MainWindow::EnableUndo() {
  Action("mnuEdit_Undo")->setEnabled(true);
  Action("Undo")->setEnabled(true);
}

void MainWindow::DisableUndo() {
  Action("mnuEdit_Undo")->setEnabled(false);
  Action("Undo")->setEnabled(false);
}

}  // namespace quarlodesk
