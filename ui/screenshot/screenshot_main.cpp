// pelimor-screenshot OUTPUT.png DEMO_FOLDER
// Makes a demo tree, runs a real search on it in the main window and saves the window as a picture.
#include <QApplication>
#include <QComboBox>
#include <QTimer>
#include <cstdio>

#include "ui/main_window.h"
#include "ui/result_list_view.h"
#include "ui/screenshot/demo_tree.h"
#include "ui/text_bytes.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: pelimor-screenshot OUTPUT.png DEMO_FOLDER\n");
    return 2;
  }
  const QString output = QString::fromLocal8Bit(argv[1]);
  const QString demoRoot = QString::fromLocal8Bit(argv[2]);
  if (!pelimor::demo::makeDemoTree(demoRoot)) {
    std::fprintf(stderr, "pelimor-screenshot: cannot write the demo tree in %s\n", argv[2]);
    return 1;
  }

  pelimor::MainWindow window;
  window.setSourceFolders({pelimor::bytesOf(demoRoot)});
  window.show();

  int status = 0;
  QTimer::singleShot(300, &window, [&] {
    window.action(pelimor::MainAction::Search)->trigger();  // returns when the search has ended
    // A second selected row, as a user picking copies would have.
    auto* list = window.findChild<pelimor::ResultListView*>();
    std::vector<bool> picked(list->session().size(), false);
    if (picked.size() > 3) picked[0] = picked[3] = true;
    list->selectRows(picked);
    QTimer::singleShot(300, &window, [&] {
      if (!window.grab().save(output)) {
        std::fprintf(stderr, "pelimor-screenshot: cannot save %s\n", argv[1]);
        status = 1;
      }
      window.close();
    });
  });
  application.exec();
  return status;
}
