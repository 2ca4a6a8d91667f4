#include "platform/notice_text.h"

#include "platform/io_error_text.h"

namespace pelimor {

namespace {
// `pattern` with each %1 to %9 that has an argument replaced by it; arguments are not looked into.
std::string filled(std::string_view pattern, const std::vector<std::string>& args) {
  std::string text;
  text.reserve(pattern.size());
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
      const auto place = static_cast<std::size_t>(pattern[i + 1] - '1');
      if (place < args.size()) {
        text += args[place];
        ++i;
        continue;
      }
    }
    text += pattern[i];
  }
  return text;
}

std::string asWritten(const char* pattern) { return pattern; }
}  // namespace

NoticeText::NoticeText(std::string verbatim) {
  if (!verbatim.empty()) pieces_.push_back(Piece{nullptr, std::move(verbatim), {}});
}

NoticeText::NoticeText(const std::error_code& error) {
  const char* ours = error.category() == platform::failureCategory() ? platform::failureText(error.value()) : nullptr;
  if (ours)
    *this = of(ours);
  else
    *this = NoticeText(platform::systemErrorText(error));
}

NoticeText& NoticeText::operator+=(NoticeText more) {
  pieces_.insert(pieces_.end(), std::make_move_iterator(more.pieces_.begin()),
                 std::make_move_iterator(more.pieces_.end()));
  return *this;
}

std::string NoticeText::rendered(Translate translate) const {
  std::string text;
  for (const Piece& piece : pieces_) {
    if (!piece.pattern) {
      text += piece.text;
      continue;
    }
    std::vector<std::string> args;
    args.reserve(piece.args.size());
    for (const NoticeText& arg : piece.args) args.push_back(arg.rendered(translate));
    text += filled(translate(piece.pattern), args);
  }
  return text;
}

std::string NoticeText::english() const { return rendered(asWritten); }

}  // namespace pelimor
