#pragma once
// The main window's six actions with their captions, hints, pictures and shortcuts.
class QAction;
class QObject;

namespace pelimor {

struct MainActions {
  QAction* ActionSearch = nullptr;
  QAction* ActionSelect = nullptr;
  QAction* ActionDelete = nullptr;
  QAction* ActionMove = nullptr;
  QAction* ActionPrint = nullptr;
  QAction* ActionHelp = nullptr;
};

MainActions createMainActions(QObject* owner);

}  // namespace pelimor
