#include "ui/desktop_open.h"

#include <QDesktopServices>
#include <QUrl>

#include "ui/notices.h"

namespace pelimor {

bool openOnDesktop(QWidget* parent, const QUrl& url, const QString& what) {
  if (QDesktopServices::openUrl(url)) return true;
  const QString target = url.isLocalFile() ? url.toLocalFile() : url.toDisplayString();
  showNotice(parent, DialogKind::Error,
             QStringLiteral("No program could be started to open %1:\n%2").arg(what, target));
  return false;
}

}  // namespace pelimor
