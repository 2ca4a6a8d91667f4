#pragma once
// The folder browser that "Add" opens: the platform's folder dialog, folders only.
#include <QString>
#include <string>

class QWidget;

namespace pelimor {

// Shows the browser modally, starting in `startFolder` when that folder exists. Returns true and
// the chosen folder (as the file system spells it, no trailing '/' but for the root) when the user
// confirms one.
bool browseForFolder(QWidget* owner, const QString& title, const std::string& startFolder, std::string& chosen);

}  // namespace pelimor
