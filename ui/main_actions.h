#pragma once
// The main window's toolbar actions with their captions, hints, pictures and shortcuts.
#include <QCoreApplication>
#include <array>
#include <cstddef>

class QAction;
class QObject;

namespace pelimor {

enum class MainAction { Search, Select, Delete, Move, Trash, Print, Help };

class MainActions {
  Q_DECLARE_TR_FUNCTIONS(MainActions)

 public:
  // Makes the actions, owned by `owner`.
  explicit MainActions(QObject* owner);

  QAction* get(MainAction which) const { return actions_[static_cast<std::size_t>(which)]; }

 private:
  std::array<QAction*, 7> actions_{};
};

}  // namespace pelimor
