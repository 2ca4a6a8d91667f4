#pragma once
// A text the engine or results/ compose for the user: in the window in its own language, in files and from
// pelimor-find in English. It is kept as English templates marked with
// PELIMOR_WINDOW_TEXT("Notices", ...), whose places %1 to %9 are filled by texts of the same kind,
// one after the other with text that reads alike in every language (paths, numbers, the system's
// own messages). Rendering translates each template first and only then fills its places, so a
// language may put them in another order, and a path is never taken for a template.
#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/window_text.h"

namespace pelimor {

class NoticeText {
 public:
  // The template in the language wanted; its English as it is, for files and pelimor-find.
  using Translate = std::string (*)(const char* pattern);

  NoticeText() = default;
  // Text that reads alike in every language; implicit, so that a plain text goes wherever one of
  // ours does.
  NoticeText(std::string verbatim);
  NoticeText(const char* verbatim) : NoticeText(std::string(verbatim)) {}
  // The system's own text for `error`.
  explicit NoticeText(const std::error_code& error);

  // `pattern`, marked with PELIMOR_WINDOW_TEXT("Notices", ...), with %1, %2, ... filled by `args`.
  template <typename... Args>
  static NoticeText of(const char* pattern, Args&&... args) {
    NoticeText text;
    text.pieces_.push_back(Piece{pattern, {}, {NoticeText(std::forward<Args>(args))...}});
    return text;
  }
  // `one` when `count` is 1, else `many`, with %1 the count: English chooses its words by it.
  static NoticeText counted(std::size_t count, const char* one, const char* many) {
    return of(count == 1 ? one : many, std::to_string(count));
  }

  // Appends `more` after what is there.
  NoticeText& operator+=(NoticeText more);
  bool empty() const { return pieces_.empty(); }
  std::string rendered(Translate translate) const;
  std::string english() const;
  // Its English text, for files, pelimor-find and comparisons.
  operator std::string() const { return english(); }
  // Friends, found only beside a NoticeText: comparisons and sums of plain strings stay their own.
  friend bool operator==(const NoticeText& text, std::string_view english) { return text.english() == english; }
  friend std::string operator+(std::string text, const NoticeText& more) { return text += more.english(); }
  friend std::string operator+(const char* text, const NoticeText& more) { return text + more.english(); }
  // Would end up English, for the window too: += keeps each part translatable.
  friend NoticeText operator+(const NoticeText&, const NoticeText&) = delete;
  friend std::ostream& operator<<(std::ostream& out, const NoticeText& text) { return out << text.english(); }

 private:
  struct Piece {
    const char* pattern = nullptr;  // null: `text` as it is
    std::string text;
    std::vector<NoticeText> args;
  };
  std::vector<Piece> pieces_;
};

}  // namespace pelimor
