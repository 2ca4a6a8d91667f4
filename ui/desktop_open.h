#pragma once
// Files, web pages and mail links go to the user's own programs through the desktop's opener.
#include <QString>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QUrl;
class QWidget;

namespace pelimor {

// Hands `url` to the desktop's opener; when none could be started (no opener installed, say),
// shows an error notice naming `what` and returns false. What the started program then does
// with it is its own business.
bool openOnDesktop(QWidget* parent, const QUrl& url, const QString& what);

// Opens the folder that holds the file at `path` with the file selected in it where the file
// manager can do that (the system's shell on Windows, the file manager's D-Bus service elsewhere);
// else the folder itself through openOnDesktop (`what` names it in the notice). Never waits for the
// file manager: its answer comes back through the event loop.
void showInFolder(QWidget* parent, const std::string& path, const QString& what);

// The rows Copy Path takes, in list order: the selected ones when there are several, else the
// focused one.
std::vector<std::size_t> rowsToCopy(const std::vector<bool>& selected, std::size_t focused);

// Puts `paths` on the clipboard: as the lists show them, one a line, for whatever takes text; and
// as file URLs, which keep a name that is no UTF-8 exact, for file managers.
void copyPathsToClipboard(const std::vector<std::string>& paths);

// A local file's URL for its path as the file system holds it: a name that is no UTF-8 (where names
// are bytes) stays exact, its bytes percent-encoded, where QUrl::fromLocalFile would replace them.
QUrl fileUrlOf(std::string_view path);

// While set, `opener` stands in for the desktop's opener (its answer: whether a program started);
// an empty one gives the desktop its opener back. For tests on Windows, where the system's shell
// opens and Qt's URL handlers never see it. While set, showInFolder leaves the Windows shell out too.
void replaceDesktopOpener(std::function<bool(const QUrl&)> opener);

}  // namespace pelimor
