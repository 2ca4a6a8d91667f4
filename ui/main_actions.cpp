#include "ui/main_actions.h"

#include <QAction>
#include <QIcon>
#include <QKeySequence>

#include "platform/folders.h"
#include "ui/text_bytes.h"

// The pictures live in a static library; their registration has to be pulled in by name.
static void registerActionPictures() { Q_INIT_RESOURCE(pelimor); }

namespace pelimor {

namespace {
QAction* makeAction(QObject* owner, const char* name, const QString& caption, const QString& hint, const char* picture,
                    const QList<QKeySequence>& shortcuts) {
  auto* action = new QAction(QIcon(QStringLiteral(":/icons/") + QLatin1String(picture)), caption, owner);
  action->setObjectName(QLatin1String(name));
  action->setToolTip(hint);
  action->setShortcuts(shortcuts);
  action->setShortcutContext(Qt::WindowShortcut);
  return action;
}
}  // namespace

MainActions::MainActions(QObject* owner) {
  registerActionPictures();
  const auto set = [this](MainAction which, QAction* action) { actions_[static_cast<std::size_t>(which)] = action; };
  set(MainAction::Search, makeAction(owner, "searchAction", tr("Search"), tr("Search for duplicates"), "search.png",
                                     {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}));
  set(MainAction::Select, makeAction(owner, "selectAction", tr("Select"),
                                     tr("Safely select duplicates from this folder in all groups"), "select.png", {}));
  set(MainAction::Delete, makeAction(owner, "deleteAction", tr("Delete"), tr("Delete selected"), "delete.png",
                                     {QKeySequence(Qt::Key_Delete)}));
  set(MainAction::Move,
      makeAction(owner, "moveAction", tr("Move"),
                 tr("Move selected files to \"%1\" directory").arg(shownPathText(platform::removedFilesFolder())),
                 "move.png", {}));
  set(MainAction::Trash,
      makeAction(owner, "trashAction", tr("Move to Trash"), tr("Move selected files to the Trash"), "trash.png", {}));
  set(MainAction::Print,
      makeAction(owner, "printAction", tr("Print"), tr("Print"), "print.png", {QKeySequence(Qt::CTRL | Qt::Key_P)}));
  set(MainAction::Help,
      makeAction(owner, "helpAction", tr("Help"), tr("Help"), "help.png", {QKeySequence(Qt::Key_F1)}));
}

}  // namespace pelimor
