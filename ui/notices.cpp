#include "ui/notices.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QScreen>
#include <algorithm>

#include "settings/settings_error.h"

namespace pelimor {

namespace {
// Room the window manager's frame takes beside the title: icon and buttons, in a font that may be
// larger than ours.
constexpr int kTitleFrameRoom = 160;
constexpr int kLabelSlack = 8;  // a line exactly as wide as the label may still wrap
// The widest text QMessageBox keeps to whole words: a box wider than 1000 pixels or the screen
// less 480 has its lines broken anywhere, mid-name. 120 is the icon's column and the margins.
int widestLabel(const QWidget& box) {
  const int screen = box.screen() ? box.screen()->availableGeometry().width() : 1024;
  return screen <= 1024 ? screen - 120 : std::min(screen - 480, 1000) - 120;
}

std::string inWindowLanguage(const char* pattern) {
  return QCoreApplication::translate("Notices", pattern).toStdString();
}
}  // namespace

int execNoticeBox(QMessageBox& box) {
  // Paths are shown as they are: a name holding markup is never read as rich text.
  box.setTextFormat(Qt::PlainText);
  // QMessageBox sizes itself by its text alone and wraps lines beyond about 500 pixels: a short
  // text leaves its title cut short by the frame, and a path breaks at a blank inside a name.
  if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
    const QFontMetrics text(label->font());
    int widest = text.horizontalAdvance(box.windowTitle()) * 3 / 2 + kTitleFrameRoom;
    for (const QString& line : box.text().split(u'\n')) widest = std::max(widest, text.horizontalAdvance(line));
    label->setMinimumWidth(std::min(widest + kLabelSlack, widestLabel(box)));
  }
  return box.exec();
}

QMessageBox::StandardButton showNotice(QWidget* parent, DialogKind kind, const QString& text,
                                       QMessageBox::StandardButtons buttons) {
  QMessageBox::Icon icon = QMessageBox::Information;
  QString title;
  switch (kind) {
    case DialogKind::Warning:
      icon = QMessageBox::Warning;
      title = QCoreApplication::translate("Notices", "Warning");
      break;
    case DialogKind::Error:
      icon = QMessageBox::Critical;
      title = QCoreApplication::translate("Notices", "Error");
      break;
    case DialogKind::Information:
      icon = QMessageBox::Information;
      title = QCoreApplication::translate("Notices", "Information");
      break;
    case DialogKind::Confirmation:
      icon = QMessageBox::Question;
      title = QCoreApplication::translate("Notices", "Confirm");
      break;
  }
  QMessageBox box(icon, title, text, buttons, parent);
  return static_cast<QMessageBox::StandardButton>(execNoticeBox(box));
}

QString shownNotice(const NoticeText& text) { return QString::fromStdString(text.rendered(inWindowLanguage)); }

void showSettingsErrorBox(QWidget* parent, const SettingsError& error) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Pelimor"),
                  QString::fromStdString(errorBoxText(error, inWindowLanguage)), QMessageBox::Ok, parent);
  execNoticeBox(box);
}

void showErrorBox(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Pelimor"),
                  QString::fromStdString(errorBoxText(text.toStdString())), QMessageBox::Ok, parent);
  execNoticeBox(box);
}

}  // namespace pelimor
