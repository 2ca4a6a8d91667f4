#include "ui/desktop_open.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>
#include <optional>
#include <utility>

#include "platform/system_shell.h"
#include "ui/notices.h"
#include "ui/text_bytes.h"

namespace pelimor {

namespace {
std::function<bool(const QUrl&)>& standIn() {
  static std::function<bool(const QUrl&)> opener;
  return opener;
}

bool startProgramFor(const QUrl& url) {
  if (standIn()) return standIn()(url);
  const std::optional<bool> byShell = platform::openWithShell(
      url.isLocalFile() ? bytesOf(url.toLocalFile()) : url.toString(QUrl::FullyEncoded).toStdString());
  return byShell ? *byShell : QDesktopServices::openUrl(url);
}
}  // namespace

bool openOnDesktop(QWidget* parent, const QUrl& url, const QString& what) {
  if (startProgramFor(url)) return true;
  const QString target = url.isLocalFile() ? url.toLocalFile() : url.toDisplayString();
  showNotice(
      parent, DialogKind::Error,
      QCoreApplication::translate("DesktopOpen", "No program could be started to open %1:\n%2").arg(what, target));
  return false;
}

void replaceDesktopOpener(std::function<bool(const QUrl&)> opener) { standIn() = std::move(opener); }

}  // namespace pelimor
