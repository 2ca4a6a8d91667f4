#pragma once
// The small modal dialog shown while a search runs: elapsed time, what is being done, and Cancel.
#include <QDialog>
#include <QString>
#include <cstdint>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace pelimor {

namespace test {
class WaitDialogDriver;
}

class SearchProgress;

class WaitDialog : public QDialog {
  Q_OBJECT

 public:
  explicit WaitDialog(QWidget* parent = nullptr);

  // The masks being searched, shown in the title from the next tick on.
  void setCurrentMask(const QString& mask) { currentMask_ = mask; }
  const QString& currentMask() const { return currentMask_; }
  // Counters to show under the time; nullptr while no search runs. Must outlive its use here.
  void watchProgress(const SearchProgress* progress);
  // The worker's end: ends the modal show when it runs, and does nothing to a hidden dialog.
  void finish();

  std::int32_t waitSeconds() const { return waitSeconds_; }

 signals:
  // Cancel was pressed; the dialog has already closed.
  void cancelRequested();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  friend class test::WaitDialogDriver;

  // One second more on the clock, and the mask in the title.
  void tick();
  void cancel();
  void showProgress();

  QLabel* timeLabel_ = nullptr;
  QLabel* phaseLabel_ = nullptr;
  QLabel* folderLabel_ = nullptr;
  QProgressBar* progressBar_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QTimer* clock_ = nullptr;

  std::int32_t waitSeconds_ = 0;
  QString currentMask_;
  const SearchProgress* progress_ = nullptr;
  QTimer* progressTimer_ = nullptr;
};

}  // namespace pelimor
