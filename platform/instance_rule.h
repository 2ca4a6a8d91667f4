#pragma once
// The system's own rule for one running Pelimor per logon session, where the program follows one.
// On Windows: the named mutex "PelimorMutex", and a window of class "TFormQVR" that a later start
// finds and asks to bring the running window forward. Elsewhere there is none (NoSystemRule), and
// the caller keeps a rule of its own.
#include <functional>
#include <memory>

namespace pelimor::platform {

enum class InstanceClaim { NoSystemRule, Claimed, AnotherRuns };

class InstanceRule {
 public:
  InstanceRule();
  ~InstanceRule();  // lets the rule go: the next start runs normally
  InstanceRule(const InstanceRule&) = delete;
  InstanceRule& operator=(const InstanceRule&) = delete;

  // Claimed: this process is the one; `onShowRequest` then runs on this thread, from its event
  // loop, whenever a later start asks. AnotherRuns: the running one has been asked to come
  // forward (when its window exists yet), and this process should end.
  InstanceClaim claim(std::function<void()> onShowRequest);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace pelimor::platform
