#include "ui/notices.h"

#include "settings/settings_error.h"

namespace pelimor {

QMessageBox::StandardButton showNotice(QWidget* parent, DialogKind kind, const QString& text,
                                       QMessageBox::StandardButtons buttons) {
  QMessageBox::Icon icon = QMessageBox::Information;
  QString title;
  switch (kind) {
    case DialogKind::Warning:
      icon = QMessageBox::Warning;
      title = QStringLiteral("Warning");
      break;
    case DialogKind::Error:
      icon = QMessageBox::Critical;
      title = QStringLiteral("Error");
      break;
    case DialogKind::Information:
      icon = QMessageBox::Information;
      title = QStringLiteral("Information");
      break;
    case DialogKind::Confirmation:
      icon = QMessageBox::Question;
      title = QStringLiteral("Confirm");
      break;
  }
  QMessageBox box(icon, title, text, buttons, parent);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

void showErrorBox(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Pelimor"),
                  QString::fromStdString(errorBoxText(text.toStdString())), QMessageBox::Ok, parent);
  box.exec();
}

}  // namespace pelimor
