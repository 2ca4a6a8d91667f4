#include "platform/instance_rule.h"

// Linux has no session-wide named objects to follow: the program's own lock file and socket do it.
namespace pelimor::platform {

struct InstanceRule::State {};

InstanceRule::InstanceRule() = default;
InstanceRule::~InstanceRule() = default;

// NOLINTNEXTLINE(performance-unnecessary-value-param): taken by value for the Windows side, which keeps it
InstanceClaim InstanceRule::claim(std::function<void()>) { return InstanceClaim::NoSystemRule; }

}  // namespace pelimor::platform
