// Edit commands, the grid's popup menu and its two copy commands.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTableView>

#include "core/GridText.h"
#include "ui/Dialogs.h"
#include "ui/MainWindow.h"
#include "ui/ResultModel.h"

namespace quarlodesk {

namespace {

// Delivers the command to the focused widget: its own slot where it has one, else the key.
void SendToFocus(QWidget* focus, Qt::Key key, Qt::KeyboardModifiers mods) {
  if (!focus) return;
  QCoreApplication::postEvent(focus, new QKeyEvent(QEvent::KeyPress, key, mods));
  QCoreApplication::postEvent(focus, new QKeyEvent(QEvent::KeyRelease, key, mods));
}

}  // namespace

void MainWindow::EditCommand(EditKey key) {
  QWidget* focus = QApplication::focusWidget();
  auto* plain = qobject_cast<QPlainTextEdit*>(focus);
  auto* line = qobject_cast<QLineEdit*>(focus);
  switch (key) {
    case EditKey::Cut:
      if (plain)
        plain->cut();
      else if (line)
        line->cut();
      else
        SendToFocus(focus, Qt::Key_X, Qt::ControlModifier);
      EnableUndo();
      break;
    case EditKey::Copy:
      if (focus == mfgMain_)
        CopySelection();
      else if (plain)
        plain->copy();
      else if (line)
        line->copy();
      else
        SendToFocus(focus, Qt::Key_C, Qt::ControlModifier);
      break;
    case EditKey::Paste:
      if (plain)
        plain->paste();
      else if (line)
        line->paste();
      else
        SendToFocus(focus, Qt::Key_V, Qt::ControlModifier);
      EnableUndo();
      break;
    case EditKey::Delete:
      SendToFocus(focus, Qt::Key_Delete, Qt::NoModifier);
      EnableUndo();
      break;
    case EditKey::Undo:
      DisableUndo();
      // A change the undo makes comes back through the editor's change handler.
      if (plain)
        plain->undo();
      else if (line)
        line->undo();
      else
        SendToFocus(focus, Qt::Key_Z, Qt::ControlModifier);
      break;
  }
}

void MainWindow::ShowPopup(const QPoint& at) {
  SetCmdStates();
  mnuPopupMenu_->popup(mfgMain_->viewport()->mapToGlobal(at));
}

void MainWindow::CopySelection() {
  const QModelIndex current = mfgMain_->currentIndex();
  if (!current.isValid()) return;
  // Grid rows count the header row as 0.
  int r1 = current.row() + 1, r2 = r1, c1 = current.column(), c2 = c1;
  for (const QItemSelectionRange& range : mfgMain_->selectionModel()->selection()) {
    r1 = std::min(r1, range.top() + 1);
    r2 = std::max(r2, range.bottom() + 1);
    c1 = std::min(c1, range.left());
    c2 = std::max(c2, range.right());
  }
  const std::string text =
      CopyCellsText([this](int32_t r, int32_t c) { return S(model_->Cell(r, c)); }, r1, r2, c1, c2);
  QApplication::clipboard()->clear();
  QApplication::clipboard()->setText(Q(text));
}

void MainWindow::CopyColumnNames() {
  const QModelIndex current = mfgMain_->currentIndex();
  int c1 = current.isValid() ? current.column() : 0, c2 = c1;
  for (const QItemSelectionRange& range : mfgMain_->selectionModel()->selection()) {
    c1 = std::min(c1, range.left());
    c2 = std::max(c2, range.right());
  }
  if (model_->columnCount() < 2) return;
  const std::string text =
      CopyColumnNamesText([this](int32_t r, int32_t c) { return S(model_->Cell(r, c)); }, c1, c2);
  QApplication::clipboard()->clear();
  QApplication::clipboard()->setText(Q(text));
}

}  // namespace quarlodesk
