#include "ui/desktop_open.h"

#include <QDesktopServices>
#include <QUrl>

#include "platform/system_shell.h"
#include "ui/notices.h"
#include "ui/text_bytes.h"

namespace pelimor {

bool openOnDesktop(QWidget* parent, const QUrl& url, const QString& what) {
  const QString target = url.isLocalFile() ? url.toLocalFile() : url.toDisplayString();
  const std::optional<bool> byShell =
      platform::openWithShell(url.isLocalFile() ? bytesOf(target) : url.toString(QUrl::FullyEncoded).toStdString());
  if (byShell ? *byShell : QDesktopServices::openUrl(url)) return true;
  showNotice(parent, DialogKind::Error,
             QStringLiteral("No program could be started to open %1:\n%2").arg(what, target));
  return false;
}

}  // namespace pelimor
