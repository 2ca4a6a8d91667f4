#pragma once
// The wait dialog's elapsed-time text: minutes without leading zeros, two-digit seconds, no hours.
#include <QString>
#include <cstdint>

namespace pelimor {

QString secondsCaption(std::int32_t seconds);

}  // namespace pelimor
