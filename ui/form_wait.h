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

class SearchProgress;

class TFormWait : public QDialog {
  Q_OBJECT

 public:
  explicit TFormWait(QWidget* parent = nullptr);

  // The masks being searched, shown in the title from the next tick on (CurrentMask).
  void setCurrentMask(const QString& mask) { currentMask_ = mask; }
  const QString& currentMask() const { return currentMask_; }
  // Counters to show under the time; nullptr while no search runs. Must outlive its use here.
  void watchProgress(const SearchProgress* progress);
  // The worker's end: ends the modal show when it runs, and does nothing to a hidden dialog.
  void finish();

  std::int32_t waitSeconds() const { return WaitSeconds; }

  QLabel* LabelTime = nullptr;
  QLabel* LabelPhase = nullptr;
  QLabel* LabelFolder = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QPushButton* ButtonCancel = nullptr;
  QTimer* Timer1 = nullptr;

 public slots:
  void Timer1Timer();
  void ButtonCancelClick();

 signals:
  // Cancel was pressed (SearchRunning := 0); the dialog has already closed.
  void cancelRequested();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void showProgress();

  std::int32_t WaitSeconds = 0;
  QString currentMask_;
  const SearchProgress* progress_ = nullptr;
  QTimer* progressTimer_ = nullptr;
};

}  // namespace pelimor
