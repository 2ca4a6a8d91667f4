#include "settings/options_record.h"

namespace pelimor {

OptionsRecord Options;

}  // namespace pelimor
