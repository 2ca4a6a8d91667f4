#pragma once
// Files, web pages and mail links go to the user's own programs through the desktop's opener.
#include <QString>
#include <functional>

class QUrl;
class QWidget;

namespace pelimor {

// Hands `url` to the desktop's opener; when none could be started (no opener installed, say),
// shows an error notice naming `what` and returns false. What the started program then does
// with it is its own business.
bool openOnDesktop(QWidget* parent, const QUrl& url, const QString& what);

// While set, `opener` stands in for the desktop's opener (its answer: whether a program started);
// an empty one gives the desktop its opener back. For tests on Windows, where the system's shell
// opens and Qt's URL handlers never see it.
void replaceDesktopOpener(std::function<bool(const QUrl&)> opener);

}  // namespace pelimor
