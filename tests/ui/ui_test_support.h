#pragma once
// Helpers for driving the real windows headless: answering modal boxes, making folders of files,
// building result rows.
#include <QString>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "search/result_row.h"

class QMessageBox;

namespace pelimor::test {

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

// Writes a file with the given content, making its folders.
void writeFile(const QString& path, const QByteArray& content);

// Rows of the given groups; names and paths from the group number and position, sizes given.
ResultRow makeRow(std::uint32_t group, const std::string& path, std::uint64_t size, std::uint32_t crc);

}  // namespace pelimor::test
