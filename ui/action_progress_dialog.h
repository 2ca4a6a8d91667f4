#pragma once
// The small dialog shown while Delete, Move or the links take longer than a moment: files and
// bytes done of all, the folder being worked in, and Cancel (or Esc), which stops the action
// before its next file.
#include <QDialog>

#include "results/file_removal.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace pelimor {

// "Deleting files", "Moving files" ...: the dialog's title while `action` runs.
QString actionProgressTitle(FileAction action);

class ActionProgressDialog : public QDialog {
  Q_OBJECT

 public:
  ActionProgressDialog(const QString& title, ActionProgress& progress, QWidget* parent = nullptr);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void showProgress();
  void cancel();

  ActionProgress& progress_;
  QLabel* counts_ = nullptr;
  QLabel* folder_ = nullptr;
  QProgressBar* bar_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QTimer* timer_ = nullptr;
};

}  // namespace pelimor
