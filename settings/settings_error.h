#pragma once
// How the settings operations report a failure: an exception holding the very text the user sees.
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "platform/notice_text.h"

namespace pelimor {

class SettingsError : public std::runtime_error {
 public:
  explicit SettingsError(NoticeText text, std::string file = {})
      : std::runtime_error(text.english()), text_(std::move(text)), file_(std::move(file)) {}
  // what() is its English; the window shows this in its own language.
  const NoticeText& text() const { return text_; }
  // The settings file it is about, when known.
  const std::string& file() const { return file_; }

 private:
  NoticeText text_;
  std::string file_;
};

// "Stream read error", "Stream write error"
NoticeText streamReadErrorText();
NoticeText streamWriteErrorText();
// "Cannot open file "<path>". <system text>"
NoticeText cannotOpenFileText(std::string_view path, int errnoValue);
// "Cannot create file "<path>". <system text>"
NoticeText cannotCreateFileText(std::string_view path, int errnoValue);

// The text of the error box: the error's text, with a full stop added when its last character's
// code lies above that of '.', so a text already ending in '.' or ')' is left as it is.
std::string errorBoxText(std::string_view errorText);

// The error box's text for a settings error, in the language `translate` gives: errorBoxText of its
// text, then, unless the text names its file already, a line naming it: File: "<path>". The
// closing quote keeps the box from adding a full stop of its own after the path.
std::string errorBoxText(const SettingsError& error, NoticeText::Translate translate = nullptr);

}  // namespace pelimor
