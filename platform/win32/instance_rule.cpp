#include "platform/instance_rule.h"

#include <windows.h>

namespace pelimor::platform {

namespace {
constexpr wchar_t kMutexName[] = L"PelimorMutex";
constexpr wchar_t kWindowClass[] = L"TFormQVR";
// What a later start sends the running one's window: come forward.
constexpr UINT kShowMessage = WM_USER + 161;
constexpr UINT kAnswerTimeoutMs = 10000;
}  // namespace

// Qt names its windows' classes itself, so the class a later start looks for belongs to a window
// of our own: never shown, it only takes the request and hands it to the program.
struct InstanceRule::State {
  HANDLE mutex = nullptr;
  HWND window = nullptr;
  std::function<void()> onShowRequest;

  static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kShowMessage) {
      auto* state = reinterpret_cast<State*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
      if (state && state->onShowRequest) state->onShowRequest();
      return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
  }

  ~State() {
    if (window) ::DestroyWindow(window);
    if (mutex) {
      ::ReleaseMutex(mutex);
      ::CloseHandle(mutex);
    }
  }
};

InstanceRule::InstanceRule() = default;
InstanceRule::~InstanceRule() = default;

InstanceClaim InstanceRule::claim(std::function<void()> onShowRequest) {
  HANDLE mutex = ::CreateMutexW(nullptr, TRUE, kMutexName);
  const DWORD error = ::GetLastError();
  if (mutex && error != ERROR_ALREADY_EXISTS) {
    state_ = std::make_unique<State>();
    state_->mutex = mutex;
    state_->onShowRequest = std::move(onShowRequest);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &State::windowProcedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    ::RegisterClassExW(&windowClass);
    // A top-level window (message-only windows are invisible to FindWindow), never shown.
    state_->window = ::CreateWindowExW(0, kWindowClass, L"Pelimor", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                       windowClass.hInstance, nullptr);
    if (state_->window) ::SetWindowLongPtrW(state_->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state_.get()));
    return InstanceClaim::Claimed;
  }
  // Taken already, or no mutex at all: either way another start is the one, if any.
  if (mutex) ::CloseHandle(mutex);
  if (HWND running = ::FindWindowW(kWindowClass, nullptr)) {
    // This start was made by the user, so it may pass the right to come to the front on.
    DWORD processId = 0;
    ::GetWindowThreadProcessId(running, &processId);
    ::AllowSetForegroundWindow(processId);
    DWORD_PTR answer = 0;
    ::SendMessageTimeoutW(running, kShowMessage, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &answer);
  }
  return InstanceClaim::AnotherRuns;
}

}  // namespace pelimor::platform
