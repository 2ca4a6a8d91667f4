// The main window's start and close: folders, fonts, the settings files, the window's placement,
// and the Esc key.
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QStatusBar>
#include <QWindow>

#include "platform/folders.h"
#include "settings/settings.h"
#include "ui/about_box.h"
#include "ui/filter_controls.h"
#include "ui/folder_groups_view.h"
#include "ui/main_window.h"
#include "ui/notices.h"
#include "ui/preview_pane.h"
#include "ui/result_list_view.h"
#include "ui/segoe_font.h"
#include "ui/source_list.h"
#include "ui/text_bytes.h"

namespace pelimor {

namespace {

WindowRect rectOf(const QRect& rect) { return {rect.left(), rect.top(), rect.width(), rect.height()}; }

QRect qRectOf(const WindowRect& rect) { return QRect(rect.left, rect.top, rect.width, rect.height); }

// What the frame adds around the window's own area; nothing until the window has been shown.
QMargins frameOf(const QWidget& window) {
  const QRect inner = window.geometry();
  const QRect outer = window.frameGeometry();
  return QMargins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                  outer.bottom() - inner.bottom());
}

// The primary screen first: the designed placement is centred on it.
std::vector<WindowRect> screenRects() {
  std::vector<WindowRect> rects;
  const QScreen* primary = QGuiApplication::primaryScreen();
  if (primary) rects.push_back(rectOf(primary->availableGeometry()));
  for (const QScreen* screen : QGuiApplication::screens()) {
    if (screen != primary) rects.push_back(rectOf(screen->availableGeometry()));
  }
  return rects;
}

// Puts the window's outer rectangle at `outer`.
void placeOuter(QWidget& window, const QRect& outer) {
  const QMargins frame = frameOf(window);
  window.move(outer.topLeft());  // a window's position is its frame's
  window.resize(outer.size().shrunkBy(frame));
}

// A saved outer size is applied before the window has a frame, so it lands on the window's own
// area. Once the frame is known, right after the first show, the window is fitted to it once.
class FrameFit : public QObject {
 public:
  FrameFit(QWidget& window, const QRect& outer) : QObject(&window), window_(window), outer_(outer) {
    window.installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != &window_) return false;
    switch (event->type()) {
      case QEvent::Move:
      case QEvent::Resize:
        if (frameOf(window_).isNull()) return false;
        if (window_.windowState() == Qt::WindowNoState) placeOuter(window_, outer_);
        break;
      case QEvent::WindowStateChange:
      case QEvent::Hide:
        break;
      default:
        return false;
    }
    window_.removeEventFilter(this);
    deleteLater();
    return false;
  }

 private:
  QWidget& window_;
  QRect outer_;
};

// The window comes up in the state its start chose. Until it has first been on screen nobody but
// the program can have asked to minimize it, so a minimized state then comes from outside: a window
// manager that maps it iconic, as one did now and then right after a run closed minimized. Left
// so, the window would stay out of sight where there is no task bar; it is put back. Esc
// (minimize()) and whatever comes after the first exposure are the user's.
class StartState : public QObject {
 public:
  explicit StartState(QWidget& window) : QObject(&window), window_(window) {
    setObjectName(QStringLiteral("startState"));
    window.installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    QWindow* handle = window_.windowHandle();
    if (watched == &window_ && event->type() == QEvent::Show) {
      if (handle)
        handle->installEventFilter(this);
      else
        deleteLater();
    } else if (watched == &window_ && event->type() == QEvent::WindowStateChange && window_.isMinimized()) {
      // After the state change is through; queued ahead of any later exposure's deleteLater().
      QMetaObject::invokeMethod(
          this, [this] { window_.setWindowState(window_.windowState() & ~Qt::WindowMinimized); }, Qt::QueuedConnection);
    } else if (watched == handle && event->type() == QEvent::Expose && handle->isExposed()) {
      deleteLater();
    }
    return false;
  }

 private:
  QWidget& window_;
};

WindowPlacement placementOf(const QWidget& window) {
  WindowPlacement placement;
  const Qt::WindowStates state = window.windowState();
  if (state & Qt::WindowMinimized) {
    // Esc minimizes, so a window is often closed minimized: the next start should not hide it.
    // It comes back as it was before, at the bounds it had then, frame included.
    placement.state = state & Qt::WindowMaximized ? WindowState::Maximized : WindowState::Normal;
    placement.rect = rectOf(window.normalGeometry().marginsAdded(frameOf(window)));
  } else {
    placement.state = state & Qt::WindowMaximized ? WindowState::Maximized : WindowState::Normal;
    placement.rect = rectOf(window.frameGeometry());
  }
  return placement;
}

// Qt offers the keys of an open drop-down to its window's shortcuts too: there Esc only closes it.
class PopupKeepsEscape : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* target, QEvent* event) override {
    if (event->type() != QEvent::ShortcutOverride || !QApplication::activePopupWidget() ||
        static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape)
      return QObject::eventFilter(target, event);
    event->accept();  // no shortcut: the key goes on to the drop-down
    return true;
  }
};

}  // namespace

void MainWindow::start(Settings settings) {
  settings_ = settings;
  auto* escape = new QAction(this);
  escape->setObjectName(QStringLiteral("escapeAction"));
  escape->setShortcut(QKeySequence(Qt::Key_Escape));
  escape->setShortcutContext(Qt::WindowShortcut);
  addAction(escape);
  connect(escape, &QAction::triggered, this, &MainWindow::minimize);
  qApp->installEventFilter(new PopupKeepsEscape(this));

  if (settings == Settings::FromFiles) {
    startFromSettingsFiles();
  } else {
    // No files: the window works on the record in memory, with the defaults when it is empty.
    programFolder_ = platform::programDataFolder();
    if (options_.version() == 0) setDefaultOptions(options_, rectOf(frameGeometry()));
    filters_->showStoredChoices();
  }
  aboutBox_ = new AboutBox(this);
}

void MainWindow::startFromSettingsFiles() {
  programFolder_ = platform::programDataFolder();
  dataFolder_ = platform::dataFolder();
  // A folder that can't be made shows up as the error of the first settings file written into it.
  platform::createFolderWithParents(dataFolder_);

  applySegoeFont(*this);
  applySegoeFont(*sourceList_);
  applySegoeFont(*resultList_);
  applySegoeFont(*statusBar());

  // The designed placement: the designed size, centred on the primary screen.
  const QSize designed = size();
  if (const QScreen* primary = QGuiApplication::primaryScreen()) {
    QRect place(QPoint(), designed);
    place.moveCenter(primary->availableGeometry().center());
    move(place.topLeft());
  }

  try {
    std::vector<std::string> rows;
    try {
      loadSourceList(dataFolder_, rows);
    } catch (const SettingsError&) {
      setSourceFolders(rows);  // what could be read stays, and is what the next close saves
      throw;
    }
    setSourceFolders(rows);

    const QRect designedOuter = frameGeometry();
    loadOptions(options_, dataFolder_, rectOf(designedOuter));

    const QSize minimum = minimumSizeHint().expandedTo(minimumSize()).grownBy(frameOf(*this));
    const WindowStart start = applyOptions(options_, screenRects(), {designedOuter.width(), designedOuter.height()},
                                           {minimum.width(), minimum.height()});
    if (start.rect) {
      const QRect outer = qRectOf(*start.rect);
      placeOuter(*this, outer);
      if (outer != designedOuter) new FrameFit(*this, outer);
    }
    if (start.state == WindowState::Maximized) setWindowState(Qt::WindowMaximized);
    if (start.state == WindowState::Minimized) setWindowState(Qt::WindowMinimized);
    if (start.state != WindowState::Minimized) new StartState(*this);

    filters_->showStoredChoices();

    // No search runs yet, and the first header click sorts ascending.
    SortState sort = resultList_->sortState();
    sort.descending = false;
    resultList_->setSortState(sort);

    preferences_ = loadPreferences(dataFolder_);
    sourceList_->setReferenceFolders(preferences_.referenceFolders);
    folderView_->setFindFolders(preferences_.findFolderTwins);
    previewEntry_->setChecked(preferences_.showPreview);
    showSearchMode();
  } catch (const SettingsError& error) {
    showSettingsErrorBox(this, error);
  }
}

bool MainWindow::saveSettings() {
  if (settings_ != Settings::FromFiles) return true;
  try {
    saveSettingsFiles(dataFolder_, sourceFolders(), options_, placementOf(*this));
    preferences_.referenceFolders = sourceList_->referenceFolders();
    if (previewPane_->isVisible()) preferences_.previewWidth = previewPane_->width();
    savePreferences(dataFolder_, preferences_);
    return true;
  } catch (const SettingsError& error) {
    showSettingsErrorBox(this, error);
    // The window stays open so the user can do something about it. A settings file that stays
    // unwritable must not keep the program from ending, though: the next close tries once more
    // and then closes whatever happens.
    return std::exchange(closeRefused_, true);
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // An action on files stops before its next file, and the window closes once it has.
  if (runningAction_) {
    runningAction_->cancel();
    closeAfterAction_ = true;
    event->ignore();
    return;
  }
  if (!saveSettings()) {
    event->ignore();
    return;
  }
  // Nothing may outlive the window while still reading files for it.
  stopSearchAndWait();
  QMainWindow::closeEvent(event);
}

void MainWindow::minimize() {
  // The user's own: the start no longer keeps the window up.
  delete findChild<QObject*>(QStringLiteral("startState"), Qt::FindDirectChildrenOnly);
  // Minimized rather than hidden: a hidden window would have no way back.
  showMinimized();
}

void MainWindow::bringForward() {
  setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  show();
  raise();
  activateWindow();
}

}  // namespace pelimor
