#include "ui/folder_browser.h"

#include <QFileDialog>
#include <QFileInfo>

#include "platform/paths.h"
#include "ui/text_bytes.h"

namespace pelimor {

bool browseForFolder(QWidget* owner, const QString& title, const std::string& startFolder, std::string& chosen) {
  const QString start = shownText(startFolder);
  QFileDialog dialog(owner, title, QFileInfo(start).isDir() ? start : QString());
  dialog.setFileMode(QFileDialog::Directory);
  // Folders only, and no way to make new ones from here.
  dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::ReadOnly);
  if (dialog.exec() != QDialog::Accepted) return false;
  const QStringList picked = dialog.selectedFiles();
  if (picked.isEmpty() || picked.front().isEmpty()) return false;
  chosen = platform::normalizedFolder(bytesOf(picked.front()));
  return true;
}

}  // namespace pelimor
