// A real start of Pelimor.exe on Windows, driven as a user would from outside: its window comes up
// titled with the program's name and version, Enter searches the source folder, Ctrl+P writes the report into the data
// folder, and closing the window ends the program with code 0.
#include <windows.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>
#include <vector>

#include "pelimor_version.h"
#include "settings/source_list_file.h"

namespace pelimor {

namespace {
// Presses and lets go of `key`, with Ctrl held when asked, as the keyboard would.
void pressKey(WORD key, bool withControl = false) {
  std::vector<INPUT> inputs;
  auto add = [&inputs](WORD code, DWORD flags) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = code;
    input.ki.dwFlags = flags;
    inputs.push_back(input);
  };
  if (withControl) add(VK_CONTROL, 0);
  add(key, 0);
  add(key, KEYEVENTF_KEYUP);
  if (withControl) add(VK_CONTROL, KEYEVENTF_KEYUP);
  ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// Keys go to the window that has the focus; other programs' windows come and go beside this one.
bool bringForward(HWND window) {
  return QTest::qWaitFor(
      [window] {
        ::SetForegroundWindow(window);
        return ::GetForegroundWindow() == window;
      },
      10000);
}

// The visible windows of process `id` besides `main`: its notices.
std::vector<HWND> otherWindowsOf(DWORD id, HWND main) {
  struct Search {
    DWORD id;
    HWND main;
    std::vector<HWND> found;
  } search{id, main, {}};
  ::EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto& search = *reinterpret_cast<Search*>(data);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == search.id && window != search.main && ::IsWindowVisible(window)) search.found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}
}  // namespace

class WindowsStartTest : public QObject {
  Q_OBJECT

  QTemporaryDir root_;

 private slots:
  void entersSearchesAndCtrlPWritesTheReport() {
    QVERIFY(root_.isValid());
    const QString tree = root_.filePath(QStringLiteral("tree"));
    const QString data = root_.filePath(QStringLiteral("appdata/Pelimor"));
    QVERIFY(QDir().mkpath(tree + QStringLiteral("/sub")) && QDir().mkpath(data));
    // Two copies above the default minimum size of 100 KB, and a file of their size that differs.
    const QByteArray content(150 * 1024, 'p');
    for (const char* name : {"/first.bin", "/sub/second.bin", "/other.bin"}) {
      QFile file(tree + QString::fromLatin1(name));
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(qstrcmp(name, "/other.bin") == 0 ? QByteArray(content).replace(0, 1, "q") : content);
    }
    saveSourceList(data.toStdString(), {tree.toStdString()});

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("APPDATA"), QDir::toNativeSeparators(root_.filePath(QStringLiteral("appdata"))));
    environment.insert(QStringLiteral("LOCALAPPDATA"),
                       QDir::toNativeSeparators(root_.filePath(QStringLiteral("local"))));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));  // the real windows, not offscreen ones
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(PELIMOR_PROGRAM), {});
    QVERIFY(program.waitForStarted(20000));
    // A failed step ends the test at once with its message, not at the test's time limit.
    const auto stopProgram = qScopeGuard([&program] {
      if (program.state() == QProcess::NotRunning) return;
      program.kill();
      program.waitForFinished(5000);
    });

    HWND window = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT(
        (window = ::FindWindowW(nullptr, QString::fromLatin1(kNameAndVersion).toStdWString().c_str())) != nullptr,
        30000);
    QVERIFY(::FindWindowW(L"TFormQVR", nullptr) != nullptr);  // what a second start looks for

    const QString report = data + QStringLiteral("/Duplicates.html");
    QTRY_VERIFY_WITH_TIMEOUT(::IsWindowVisible(window), 10000);
    // Shown is not yet taking keys; and files changed less than two seconds before a search are
    // never remembered in the checksum cache, which this test looks for.
    QTest::qWait(2500);
    QVERIFY(bringForward(window));
    qInfo("Enter");
    pressKey(VK_RETURN);
    // The search is over once its checksums are saved; the rows are in the list a moment later.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(root_.filePath(QStringLiteral("local/Pelimor/Checksums.cache"))), 60000);
    QTest::qWait(1000);
    QVERIFY(bringForward(window));
    qInfo("Ctrl+P");
    pressKey('P', true);
    // Written whole before it is opened; read until it is all there.
    QByteArray html;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
          QFile written(report);
          html = written.open(QIODevice::ReadOnly) ? written.readAll() : QByteArray();
          return html.contains("</html>");
        }(),
        10000);
    QVERIFY2(html.contains("first.bin") && html.contains("second.bin"), html.constData());
    QVERIFY(!html.contains("other.bin"));

    // The report is then opened with the shell; where nothing opens .html files (a bare Wine), the
    // program says so in a notice, which may come at any time and is closed too.
    qInfo("closing");
    const DWORD id = program.processId();
    QVERIFY(QTest::qWaitFor(
        [&] {
          for (HWND notice : otherWindowsOf(id, window)) ::PostMessageW(notice, WM_CLOSE, 0, 0);
          ::PostMessageW(window, WM_CLOSE, 0, 0);
          // Its end may already have been seen while waiting; waiting again then says false.
          return program.state() == QProcess::NotRunning || program.waitForFinished(500);
        },
        30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QVERIFY(QFile::exists(data + QStringLiteral("/Options.cfg")));  // saved at close
  }
};

}  // namespace pelimor

QTEST_GUILESS_MAIN(pelimor::WindowsStartTest)
#include "windows_start_test.moc"
