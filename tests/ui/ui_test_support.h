#pragma once
// Helpers for driving the real windows headless: answering modal boxes, making folders of files,
// building result rows.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "search/result_row.h"

class QMessageBox;

namespace pelimor::test {

// The window's own child of that object name and type; fails the test when there is none.
template <typename T>
T* child(const QObject& parent, const char* name) {
  T* found = parent.findChild<T*>(QString::fromLatin1(name));
  if (!found) qFatal("no child named %s", name);
  return found;
}

// Runs `answer` on the next modal widget that `matches` accepts, as soon as the event loop shows
// one (typically while the code under test sits in its exec()). The answer runs once.
void whenModal(std::function<bool(QWidget*)> matches, std::function<void(QWidget*)> answer);
// Drops every answer still waiting for its modal widget (for a test's cleanup).
void stopAnswering();

// The next QMessageBox: records its title and text, then presses `button`.
struct SeenBox {
  QString title;
  QString text;
  QStringList buttons;
  bool seen = false;
};
void answerNextMessageBox(int button, SeenBox* seen = nullptr);

// Shows the window and waits until it is the active one (window shortcuts need that).
void showActive(QWidget& window);

// The variables naming the user's home and settings folders here: the removed-files folder lies in
// the home, the data folder in the settings folder.
#ifdef _WIN32
inline constexpr char kHomeVariable[] = "USERPROFILE";
inline constexpr char kConfigHomeVariable[] = "APPDATA";
#else
inline constexpr char kHomeVariable[] = "HOME";
inline constexpr char kConfigHomeVariable[] = "XDG_CONFIG_HOME";
#endif

// Sets an environment variable to a folder, written as the system writes folders.
void setFolderVariable(const char* name, const QString& folder);

// Stands in for the desktop's opener while it lives: what the window hands it in one of `schemes`
// is recorded and counts as opened; anything else is refused (on Windows, where the system's shell
// opens, no test ever starts a real program). Not nested: the inner one's end ends the outer one.
class Opener : public QObject {
  Q_OBJECT

 public:
  explicit Opener(const QStringList& schemes);
  ~Opener() override;
  QList<QUrl> urls;

 public slots:
  void open(const QUrl& url) { urls << url; }

 private:
  QStringList schemes_;
};

// Keeps a test away from the user's own folders and programs while it lives: the home and the
// settings folder point into a temporary folder (so the data folder and the removed-files folder
// lie there), and files handed to the desktop's opener are recorded instead of opened. Create it
// before the window, which reads the removed-files folder for the Move hint.
class PrivateDesktop {
 public:
  PrivateDesktop();
  ~PrivateDesktop();
  PrivateDesktop(const PrivateDesktop&) = delete;
  PrivateDesktop& operator=(const PrivateDesktop&) = delete;

  QString home() const { return root_.filePath(QStringLiteral("home")); }
  QString configHome() const { return root_.filePath(QStringLiteral("config")); }
  // The journal of actions and the home trash (XDG_DATA_HOME).
  QString dataHome() const { return root_.filePath(QStringLiteral("data")); }
  Opener opener{{QStringLiteral("file")}};

 private:
  QTemporaryDir root_;
  std::optional<QString> oldHome_;
  std::optional<QString> oldConfigHome_;
  std::optional<QString> oldDataHome_;
};

// While this lives, this thread and the threads it starts obey permission bits even as root (the
// effective capabilities that override them are dropped, and given back at the end).
class HeldToPermissions {
 public:
  HeldToPermissions();
  ~HeldToPermissions();
  HeldToPermissions(const HeldToPermissions&) = delete;
  HeldToPermissions& operator=(const HeldToPermissions&) = delete;

 private:
  std::uint32_t saved_[6]{};  // the system's two capability records: effective, permitted, inheritable
};

// Writes a file with the given content, making its folders.
void writeFile(const QString& path, const QByteArray& content);

// Rows of the given groups; names and paths from the group number and position, sizes given.
ResultRow makeRow(std::uint32_t group, const std::string& path, std::uint64_t size, std::uint32_t crc);

}  // namespace pelimor::test
