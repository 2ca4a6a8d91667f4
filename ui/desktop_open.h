#pragma once
// Files, web pages and mail links go to the user's own programs through the desktop's opener.
#include <QString>

class QUrl;
class QWidget;

namespace pelimor {

// Hands `url` to the desktop's opener; when none could be started (no opener installed, say),
// shows an error notice naming `what` and returns false. What the started program then does
// with it is its own business.
bool openOnDesktop(QWidget* parent, const QUrl& url, const QString& what);

}  // namespace pelimor
