#pragma once
// Edits what a search passes over: names and patterns never entered or listed, one a line, and
// whether hidden folders are searched.
#include <QDialog>

#include "settings/preferences_file.h"

class QCheckBox;
class QPlainTextEdit;

namespace pelimor {

class ExclusionsDialog : public QDialog {
  Q_OBJECT

 public:
  ExclusionsDialog(const Preferences& preferences, QWidget* parent = nullptr);
  // `preferences` with the dialog's exclusions and hidden-folder choice.
  Preferences edited(Preferences preferences) const;

 private:
  QPlainTextEdit* patterns_ = nullptr;
  QCheckBox* searchHidden_ = nullptr;
};

}  // namespace pelimor
