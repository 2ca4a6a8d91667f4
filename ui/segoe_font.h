#pragma once
// The interface font rule: on Windows 6 and later the designed fonts become Segoe UI, one point
// larger. Elsewhere fonts stay as the desktop gives them.
#include <QFont>
#include <QStringList>

class QWidget;

namespace pelimor {

// Changes `font` when the system is Windows 6 or later, its face is not Segoe UI already (in any
// case) and Segoe UI is installed: one point larger, face Segoe UI, style and the rest kept.
// Returns whether it changed the font.
bool applySegoeFont(QFont& font);
// The rule with the system's answers given, for checking it anywhere.
bool applySegoeFont(QFont& font, bool windows6OrLater, const QStringList& screenFonts);

// The rule on a widget's own font. A widget that took its font from its parent, already changed,
// is left as it is, so it keeps following the parent.
void applySegoeFont(QWidget& widget);

}  // namespace pelimor
