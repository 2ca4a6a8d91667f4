// Program entry: one instance per user session, the windows in their order, exit code 0.
#include <QApplication>
#include <QLoggingCategory>

#include "app/single_instance.h"
#include "ui/main_window.h"

namespace {
// Off unless asked for (QT_LOGGING_RULES="pelimor.instance.info=true"): lets a test see from
// outside that the window came forward.
Q_LOGGING_CATEGORY(instanceLog, "pelimor.instance", QtWarningMsg)
}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Pelimor"));
  QApplication::setDesktopFileName(QStringLiteral("pelimor"));

  pelimor::SingleInstance instance;
  // A later start has asked the running one to come forward; nothing more to do.
  if (!instance.claim()) return 0;

  // Its start sequence (settings, placement, filters) runs here; then the About box and the wait
  // dialog are made.
  pelimor::MainWindow window(pelimor::MainWindow::Settings::FromFiles);
  QObject::connect(&instance, &pelimor::SingleInstance::showRequested, &window, [&window] {
    window.bringForward();
    qCInfo(instanceLog, "brought forward: %s", window.isMinimized() ? "minimized" : "shown");
  });
  window.show();
  qCInfo(instanceLog, "running: %s", window.isMinimized() ? "minimized" : "shown");
  application.exec();
  return 0;
}
