#include "ui/segoe_font.h"

#include <QFontDatabase>
#include <QWidget>

#include "platform/system_version.h"

namespace pelimor {

namespace {
const QString kSegoeUi = QStringLiteral("Segoe UI");
}

bool applySegoeFont(QFont& font, bool windows6OrLater, const QStringList& screenFonts) {
  if (!windows6OrLater) return false;
  if (font.family().compare(kSegoeUi, Qt::CaseInsensitive) == 0) return false;
  if (!screenFonts.contains(kSegoeUi, Qt::CaseInsensitive)) return false;
  if (font.pointSizeF() > 0) {
    font.setPointSizeF(font.pointSizeF() + 1);
  } else {
    font.setPixelSize(font.pixelSize() + 1);  // a font sized in pixels has no point size to raise
  }
  font.setFamily(kSegoeUi);
  return true;
}

bool applySegoeFont(QFont& font) {
  // Asking for the font list costs a scan of the installed fonts, so only where it can matter.
  if (!platform::isWindows6OrLater()) return false;
  return applySegoeFont(font, true, QFontDatabase::families());
}

void applySegoeFont(QWidget& widget) {
  QFont font = widget.font();
  if (applySegoeFont(font)) widget.setFont(font);
}

}  // namespace pelimor
