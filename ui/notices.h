#pragma once
// The program's modal notices: plain QMessageBox instances, so that whoever drives the window
// (a person or a test) finds them as the active modal widget.
#include <QMessageBox>
#include <QString>

#include "platform/notice_text.h"
#include "settings/settings_error.h"

namespace pelimor {

// The four kinds of dialog a handler shows (a result action's Notice names its own kind).
enum class DialogKind { Warning, Error, Information, Confirmation };

// A notice of one kind with its fixed title ("Warning", "Error", "Information", "Confirm").
QMessageBox::StandardButton showNotice(QWidget* parent, DialogKind kind, const QString& text,
                                       QMessageBox::StandardButtons buttons = QMessageBox::Ok);

// Shows `box` modally, wide enough for its title beside the frame's buttons and for its longest
// line, so that a path is not broken inside a name (up to what the screen allows).
int execNoticeBox(QMessageBox& box);

// A text results/ composed, in the window's language: each of its templates translated in the
// context "Notices" before its places are filled.
QString shownNotice(const NoticeText& text);

// The error box: title "Pelimor", stop icon, OK; a full stop is added after a text whose last
// character comes after '.' in code order.
void showErrorBox(QWidget* parent, const QString& text);
// The same for a settings file's error, in the window's language, naming the file.
void showSettingsErrorBox(QWidget* parent, const SettingsError& error);

}  // namespace pelimor
