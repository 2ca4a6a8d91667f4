#pragma once
// The pane beside the result list that shows the focused file: its picture, or its first lines of
// text, or its type and size; beside it, when asked, a second picture to compare it with. Files are
// read on a thread of their own, one at a time: while one loads, only the latest file asked for
// waits, and what comes back for a file no longer asked for is dropped.
#include <QString>
#include <QWidget>
#include <memory>

#include "ui/preview_content.h"

class QLabel;
class QPlainTextEdit;

namespace pelimor {

class BackgroundJob;

class PreviewPane : public QWidget {
  Q_OBJECT

 public:
  explicit PreviewPane(QWidget* parent = nullptr);
  ~PreviewPane() override;

  // Shows `path`, and `comparedPath` beside it when not empty; an empty path clears the pane.
  void showFile(const QString& path, const QString& comparedPath = {});
  // The file shown once its loading ends; empty while none is.
  const QString& shownPath() const { return shown_.path; }

 signals:
  void contentShown();  // what was asked for is on the pane

 private:
  struct Request {
    QString path;
    QString comparedPath;
    friend bool operator==(const Request&, const Request&) = default;
  };
  struct Loaded {
    PreviewContent file;
    PreviewContent compared;
  };
  void startLoading();
  void loadingEnded();
  void present(const Loaded& loaded);

  QLabel* picture_;
  QLabel* comparedPicture_;
  QPlainTextEdit* text_;
  QLabel* caption_;
  Request wanted_;   // the latest file asked for
  Request loading_;  // the file being read now
  PreviewContent shown_;
  std::unique_ptr<BackgroundJob> job_;
  std::shared_ptr<Loaded> result_;
};

}  // namespace pelimor
