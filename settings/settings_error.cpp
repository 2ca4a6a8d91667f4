#include "settings/settings_error.h"

#include "platform/io_error_text.h"
#include "platform/paths.h"

namespace pelimor {

NoticeText streamReadErrorText() { return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "Stream read error")); }

NoticeText streamWriteErrorText() { return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "Stream write error")); }

NoticeText cannotOpenFileText(std::string_view path, int errnoValue) {
  return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "Cannot open file \"%1\". %2"), std::string(path),
                        platform::systemErrorText(errnoValue));
}

NoticeText cannotCreateFileText(std::string_view path, int errnoValue) {
  return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "Cannot create file \"%1\". %2"), std::string(path),
                        platform::systemErrorText(errnoValue));
}

std::string errorBoxText(std::string_view errorText) {
  std::string text(errorText);
  // Compared as unsigned bytes: a text ending in a non-ASCII character gets its full stop too.
  if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) text.push_back('.');
  return text;
}

std::string errorBoxText(const SettingsError& error, NoticeText::Translate translate) {
  const auto inLanguage = [&](const NoticeText& text) { return translate ? text.rendered(translate) : text.english(); };
  std::string text = errorBoxText(inLanguage(error.text()));
  // The path as the error holds it, in whatever language the rest is.
  if (error.file().empty() || error.text().english().find(error.file()) != std::string::npos) return text;
  return text + '\n' +
         inLanguage(NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "File: \"%1\""), platform::shownPath(error.file())));
}

}  // namespace pelimor
