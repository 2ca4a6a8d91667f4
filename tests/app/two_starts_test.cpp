// Two real starts of the program, headless, on their own folders: the second brings the first
// forward and ends; a killed first leaves nothing that blocks the next start.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "settings/options_file.h"

namespace pelimor {

class TwoStartsTest : public QObject {
  Q_OBJECT

  QTemporaryDir root_;

  // A start of the program; it reports on stderr where the window is.
  std::unique_ptr<QProcess> launch() {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("HOME"), root_.filePath(QStringLiteral("home")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), root_.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), root_.filePath(QStringLiteral("run")));
    environment.insert(QStringLiteral("APPDATA"), QDir::toNativeSeparators(root_.filePath(QStringLiteral("config"))));
    environment.insert(QStringLiteral("LOCALAPPDATA"),
                       QDir::toNativeSeparators(root_.filePath(QStringLiteral("home"))));
    environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("pelimor.instance.info=true"));
    environment.insert(QStringLiteral("QT_FORCE_STDERR_LOGGING"), QStringLiteral("1"));  // a window program on Windows
    process->setProcessEnvironment(environment);
    process->start(QStringLiteral(PELIMOR_PROGRAM), {});
    return process;
  }

  static bool said(QProcess& process, QByteArray& log, const QByteArray& line) {
    log += process.readAllStandardError();
    return log.contains("pelimor.instance: " + line);
  }

 private slots:
  void initTestCase() {
    QVERIFY(root_.isValid());
    for (const char* folder : {"home", "config/Pelimor", "run"}) QVERIFY(QDir(root_.path()).mkpath(folder));
    QVERIFY(QFile::setPermissions(root_.filePath(QStringLiteral("run")),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    // The first start comes up minimized, so that coming forward shows.
    OptionsRecord options;
    const std::string data = QFile::encodeName(root_.filePath(QStringLiteral("config/Pelimor/"))).toStdString();
    setDefaultOptions(options, {100, 100, 800, 600});
    saveOptions(options, data, WindowPlacement{WindowState::Minimized, {100, 100, 800, 600}});
  }

  void aSecondStartBringsTheFirstForwardAndEnds() {
    const auto first = launch();
    QByteArray firstLog;
    QTRY_VERIFY_WITH_TIMEOUT(said(*first, firstLog, "running: minimized"), 20000);

    const auto second = launch();
    // The second waits for the first's answer, so the first has been asked by the time it ends.
    QVERIFY(second->waitForFinished(20000));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    QVERIFY(!second->readAllStandardError().contains("pelimor.instance: running"));

    QTRY_VERIFY_WITH_TIMEOUT(said(*first, firstLog, "brought forward: shown"), 20000);
    QCOMPARE(first->state(), QProcess::Running);

    // Killed: its lock stays behind (on Windows the system drops the mutex), and the next start
    // runs all the same.
    first->kill();
    QVERIFY(first->waitForFinished(20000));
#ifndef _WIN32
    QVERIFY(QFile::exists(root_.filePath(QStringLiteral("run/PelimorMutex.lock"))));
#endif
    const auto next = launch();
    QByteArray nextLog;
    QTRY_VERIFY_WITH_TIMEOUT(said(*next, nextLog, "running:"), 20000);
    next->kill();
    next->waitForFinished(20000);
  }
};

}  // namespace pelimor

QTEST_GUILESS_MAIN(pelimor::TwoStartsTest)
#include "two_starts_test.moc"
