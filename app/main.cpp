#include <QApplication>

#include "ui/form_qvr.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Pelimor"));
  pelimor::TFormQVR window;
  window.show();
  application.exec();
  return 0;
}
