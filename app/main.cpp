// Program entry: one instance per user session, the windows in their order, exit code 0.
#include <QApplication>
#include <QLoggingCategory>
#include <cstdio>
#include <cstring>

#include "app/single_instance.h"
#include "app/translation.h"
#include "pelimor_version.h"
#include "platform/folders.h"
#include "ui/main_window.h"
#include "ui/text_bytes.h"

namespace {
// Off unless asked for (QT_LOGGING_RULES="pelimor.instance.info=true"): lets a test see from
// outside that the window came forward.
Q_LOGGING_CATEGORY(instanceLog, "pelimor.instance", QtWarningMsg)
// The same for the translation the window was given (scripts/check-package asks for it).
Q_LOGGING_CATEGORY(translationLog, "pelimor.translation", QtWarningMsg)
}  // namespace

int main(int argc, char** argv) {
  // Answered before any window: these work without a display, as a package's tools expect.
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("pelimor %s\n", pelimor::kVersion);
    return 0;
  }
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::printf(
        "Usage: pelimor [--help | --version]\n"
        "\n"
        "Finds files with identical content in the folders of its source list and shows them as\n"
        "numbered groups, from which the spare copies can be selected safely (never every file of\n"
        "a group), then deleted, moved, moved to the trash or replaced by hard links. Only one\n"
        "Pelimor runs per session: starting it again brings the running window forward.\n"
        "\n"
        "  --help     show this text\n"
        "  --version  show the version\n"
        "\n"
        "pelimor-find does the same from a terminal; see pelimor-find --help.\n");
    return 0;
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Pelimor"));
  QApplication::setDesktopFileName(QStringLiteral("pelimor"));
  const QString language = pelimor::installTranslation(pelimor::shownText(pelimor::platform::programDataFolder()) +
                                                       QStringLiteral("translations"));
  if (!language.isEmpty()) qCInfo(translationLog, "translation: %s", qUtf8Printable(language));

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
  // Closed, it only ends: a start from now on runs by itself rather than bring back a window
  // whose settings are already saved (showing it would even call off the pending quit).
  QObject::connect(&application, &QGuiApplication::lastWindowClosed, &instance, &pelimor::SingleInstance::release);
  window.show();
  qCInfo(instanceLog, "running: %s", window.isMinimized() ? "minimized" : "shown");
  application.exec();
  return 0;
}
