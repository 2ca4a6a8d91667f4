#pragma once
// The window's texts in the user's language, when a translation for it is installed.
#include <QString>

namespace pelimor {

// Installs on the application the translation of the window's texts (pelimor_<language>.qm in
// `folder`) for the first of the system's languages (LANGUAGE, LC_ALL, LC_MESSAGES, LANG on Linux)
// that has one, with Qt's own texts (the standard buttons) in that language where Qt's translations
// are installed. Nothing for English or a language without one: the texts are written in English.
// Returns the language installed, or an empty text.
QString installTranslation(const QString& folder);

}  // namespace pelimor
