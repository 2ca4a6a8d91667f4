#include "ui/seconds_caption.h"

namespace pelimor {

QString secondsCaption(std::int32_t seconds) {
  // Truncated toward zero, never rounded: 119 is still one minute.
  const std::int32_t minutes = static_cast<std::int32_t>(seconds / 60.0);
  const std::int32_t rest = seconds - minutes * 60;
  return QString::number(minutes) + (rest <= 9 ? QStringLiteral(":0") : QStringLiteral(":")) + QString::number(rest);
}

}  // namespace pelimor
