#pragma once
// Helpers for driving the real windows headless: answering modal boxes, making folders of files,
// building result rows.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>
#include <functional>
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

// Keeps a test away from the user's own folders and programs while it lives: HOME and
// XDG_CONFIG_HOME point into a temporary folder (so the data folder and the removed-files folder
// lie there), and files handed to the desktop's opener are recorded instead of opened. Create it
// before the window, which reads the removed-files folder for the Move hint.
class PrivateDesktop : public QObject {
  Q_OBJECT

 public:
  PrivateDesktop();
  ~PrivateDesktop() override;

  QString home() const { return root_.filePath(QStringLiteral("home")); }
  QString configHome() const { return root_.filePath(QStringLiteral("config")); }
  QList<QUrl> opened;

 public slots:
  void open(const QUrl& url) { opened << url; }

 private:
  QTemporaryDir root_;
  bool hadHome_;
  bool hadConfigHome_;
  QByteArray oldHome_;
  QByteArray oldConfigHome_;
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
