#include "ui/exclusions_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "ui/text_bytes.h"

namespace pelimor {

ExclusionsDialog::ExclusionsDialog(const Preferences& preferences, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("exclusionsDialog"));
  setWindowTitle(tr("Exclusions"));
  auto* hint = new QLabel(tr("Never search or list these, one a line. A name (node_modules, *.tmp) is "
                             "passed over wherever it is; a pattern with a / (photos/cache/*) is "
                             "matched against the path below the source folder. * ? [a-z] and ** "
                             "(across folders) may be used."),
                          this);
  hint->setWordWrap(true);
  patterns_ = new QPlainTextEdit(this);
  patterns_->setObjectName(QStringLiteral("exclusionPatterns"));
  QString text;
  for (const std::string& pattern : preferences.exclusions) text += shownText(pattern) + u'\n';
  patterns_->setPlainText(text);
  searchHidden_ = new QCheckBox(tr("Search hidden folders"), this);
  searchHidden_->setObjectName(QStringLiteral("searchHiddenBox"));
  searchHidden_->setChecked(preferences.searchHidden);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(hint);
  layout->addWidget(patterns_, 1);
  layout->addWidget(searchHidden_);
  layout->addWidget(buttons);
  resize(420, 320);
}

Preferences ExclusionsDialog::edited(Preferences preferences) const {
  preferences.exclusions.clear();
  for (const QString& line : patterns_->toPlainText().split(u'\n')) {
    const QString pattern = line.trimmed();
    if (!pattern.isEmpty()) preferences.exclusions.push_back(bytesOf(pattern));
  }
  preferences.searchHidden = searchHidden_->isChecked();
  return preferences;
}

}  // namespace pelimor
