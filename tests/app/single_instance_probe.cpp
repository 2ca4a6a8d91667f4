// Runs the single-instance rule in a process of its own. Prints "first" or "second"; a first
// instance then waits until it is killed.
#include <QCoreApplication>
#include <cstdio>

#include "app/single_instance.h"

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  if (argc < 2) return 2;
  pelimor::SingleInstance instance(QString::fromLocal8Bit(argv[1]));
  const bool first = instance.claim();
  std::printf(first ? "first\n" : "second\n");
  std::fflush(stdout);
  return first ? application.exec() : 0;
}
