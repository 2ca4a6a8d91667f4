// A search from the real window, offscreen, against pelimor-find on the same tree in the same run:
// Enter in the main window until the wait dialog has closed and the rows are in the list, then
// pelimor-find with its output thrown away, taking turns so both meet the same machine and the
// same page cache. Both use the same checksum cache (a private one, warmed by an untimed first
// round), or none with --no-cache. Run by hand:
//   build-rel/bench/ui/bench_window_search --tree=/tmp/pelimor-bench/trees/million [--runs=7] [--no-cache]
// --first-only: the window's first search alone, no pelimor-find beside it, so that the process's
// peak memory (/usr/bin/time) is the window's own.
// The window's time is split into what came before the engine, the engine, and what came after.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_tree_arg.h"
#include "ui/filter_controls.h"
#include "ui/main_window.h"
#include "ui/result_list_view.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Arguments {
  int runs = 7;
  bool useCache = true;
  bool firstOnly = false;
  std::string minimumKb = "0";
};

Arguments takeArguments(int argc, char** argv) {
  Arguments arguments;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--runs=", 7) == 0) {
      arguments.runs = std::max(1, std::atoi(argv[i] + 7));
    } else if (std::strcmp(argv[i], "--no-cache") == 0) {
      arguments.useCache = false;
    } else if (std::strcmp(argv[i], "--first-only") == 0) {
      arguments.firstOnly = true;
    } else if (std::strncmp(argv[i], "--min-kb=", 9) == 0) {
      arguments.minimumKb = argv[i] + 9;
    } else {
      std::fprintf(stderr,
                   "usage: bench_window_search [--tree=DIR] [--runs=N] [--no-cache] [--min-kb=N] [--first-only]\n");
      std::exit(2);
    }
  }
  return arguments;
}

double secondsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct WindowTiming {
  double total = 0;
  double beforeEngine = 0;
  double engine = 0;
  double afterEngine = 0;
  std::size_t rows = 0;
};

class WindowSearch {
 public:
  WindowSearch(const std::string& tree, const Arguments& arguments) {
    window_.setSourceFolders({tree});
    window_.findChild<QComboBox*>(QStringLiteral("sizeList"))
        ->setCurrentText(QString::fromStdString(arguments.minimumKb));
    window_.setSearchEngine([this, useCache = arguments.useCache](const pelimor::SearchRequest& request,
                                                                  pelimor::SearchProgress& progress,
                                                                  const pelimor::SearchControl& control) {
      engineStart_ = Clock::now();
      pelimor::SearchRequest asked = request;
      asked.useCache = useCache;
      pelimor::SearchResult result = pelimor::runDuplicateSearch(asked, progress, control);
      engineEnd_ = Clock::now();
      return result;
    });
    window_.show();
  }

  // The list's own share of the time after the engine: taking a search's rows in and letting
  // them go again, each on its own.
  void timeTheList() {
    pelimor::ResultListView& list = resultList();
    std::vector<pelimor::ResultRow> rows = list.rows();
    const Clock::time_point start = Clock::now();
    list.clearRows();
    const Clock::time_point cleared = Clock::now();
    list.installRows(std::move(rows));
    list.fitPathColumn();
    const Clock::time_point installed = Clock::now();
    QApplication::processEvents();
    const Clock::time_point painted = Clock::now();
    std::printf("the list with %zu rows: letting them go %.3f s, installing them %.3f s, first paint %.3f s\n",
                list.rows().size(), secondsBetween(start, cleared), secondsBetween(cleared, installed),
                secondsBetween(installed, painted));
  }

  WindowTiming run() {
    // The closed wait dialog leaves no window active offscreen; Enter is the window's shortcut.
    window_.activateWindow();
    QApplication::setActiveWindow(&window_);
    if (!QTest::qWaitForWindowActive(&window_)) std::fprintf(stderr, "the window did not become active\n");
    pelimor::MaskEdit* mask = window_.findChild<pelimor::MaskEdit*>();
    mask->setFocus();
    const Clock::time_point pressed = Clock::now();
    QTest::keyClick(mask, Qt::Key_Return);  // returns once the search is done on the window
    QApplication::processEvents();          // and the list has painted its first rows
    const Clock::time_point done = Clock::now();
    WindowTiming timing;
    timing.total = secondsBetween(pressed, done);
    timing.beforeEngine = secondsBetween(pressed, engineStart_);
    timing.engine = secondsBetween(engineStart_, engineEnd_);
    timing.afterEngine = secondsBetween(engineEnd_, done);
    timing.rows = resultList().session().size();
    return timing;
  }

 private:
  pelimor::ResultListView& resultList() { return *window_.findChild<pelimor::ResultListView*>(); }

  pelimor::MainWindow window_;
  Clock::time_point engineStart_;
  Clock::time_point engineEnd_;
};

double runFind(const std::string& tree, const Arguments& arguments) {
  QStringList options = {QStringLiteral("--min-kb"), QString::fromStdString(arguments.minimumKb)};
  if (!arguments.useCache) options << QStringLiteral("--no-cache");
  options << QString::fromStdString(tree);
  QProcess find;
  find.setStandardOutputFile(QProcess::nullDevice());
  find.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  QElapsedTimer timer;
  timer.start();
  find.start(QStringLiteral(PELIMOR_FIND_PATH), options);
  if (!find.waitForFinished(-1) || find.exitCode() != 0) {
    std::fprintf(stderr, "pelimor-find failed\n");
    std::exit(1);
  }
  return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const std::string tree = pelimor::bench::takeTreeArgument(argc, argv);
  const Arguments arguments = takeArguments(argc, argv);
  QTemporaryDir cache;  // both sides, and no one else's
  qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
  QApplication application(argc, argv);

  WindowSearch window(tree, arguments);
  std::printf("tree %s, %s, %d timed runs each\n", tree.c_str(),
              arguments.useCache ? "checksum cache on both sides" : "--no-cache on both sides", arguments.runs);
  // Fills the checksum cache and the page cache for both; the window's first search of the session
  // is shown on its own, it also starts what the window makes on first use.
  if (!arguments.firstOnly) runFind(tree, arguments);
  const WindowTiming first = window.run();
  std::printf("first search in the window: %.3f s (before the engine %.3f, engine %.3f, after %.3f), %zu rows\n",
              first.total, first.beforeEngine, first.engine, first.afterEngine, first.rows);
  if (arguments.firstOnly) return 0;

  std::vector<double> find, total, before, engine, after;
  for (int run = 0; run < arguments.runs; ++run) {
    // Each goes first every other round: the one behind meets the other's cache write-back.
    if (run % 2 == 0) find.push_back(runFind(tree, arguments));
    const WindowTiming timing = window.run();
    if (run % 2 == 1) find.push_back(runFind(tree, arguments));
    total.push_back(timing.total);
    before.push_back(timing.beforeEngine);
    engine.push_back(timing.engine);
    after.push_back(timing.afterEngine);
    std::printf("run %d: pelimor-find %.3f s, window %.3f s (before the engine %.3f, engine %.3f, after %.3f)\n",
                run + 1, find.back(), timing.total, timing.beforeEngine, timing.engine, timing.afterEngine);
    std::fflush(stdout);
  }
  std::printf("median: pelimor-find %.3f s, window %.3f s (before %.3f, engine %.3f, after %.3f), window/find %.2f\n",
              median(find), median(total), median(before), median(engine), median(after), median(total) / median(find));
  window.timeTheList();
  return 0;
}
