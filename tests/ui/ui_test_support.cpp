#include "ui/ui_test_support.h"

#ifndef _WIN32
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

namespace pelimor::test {

namespace {
QObject& pollers() {
  static QObject* owner = new QObject(qApp);
  return *owner;
}
}  // namespace

void whenModal(std::function<bool(QWidget*)> matches, std::function<void(QWidget*)> answer) {
  auto* poll = new QTimer(&pollers());
  poll->setInterval(5);
  QObject::connect(poll, &QTimer::timeout, poll, [poll, matches = std::move(matches), answer = std::move(answer)] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || !matches(modal)) return;
    poll->stop();
    poll->deleteLater();
    answer(modal);
  });
  poll->start();
}

void stopAnswering() { qDeleteAll(pollers().findChildren<QTimer*>(Qt::FindDirectChildrenOnly)); }

void answerNextMessageBox(int button, SeenBox* seen) {
  whenModal([](QWidget* widget) { return qobject_cast<QMessageBox*>(widget) != nullptr; },
            [button, seen](QWidget* widget) {
              auto* box = qobject_cast<QMessageBox*>(widget);
              if (seen) {
                seen->seen = true;
                seen->title = box->windowTitle();
                seen->text = box->text();
                for (QAbstractButton* each : box->buttons()) seen->buttons << each->text().remove(u'&');
              }
              QAbstractButton* press = box->button(static_cast<QMessageBox::StandardButton>(button));
              if (press) {
                press->click();
              } else {
                box->reject();
              }
            });
}

void showActive(QWidget& window) {
  window.show();
  window.activateWindow();
  QApplication::setActiveWindow(&window);
  QVERIFY(QTest::qWaitForWindowActive(&window));
}

namespace {
void restoreVariable(const char* name, bool wasSet, const QByteArray& value) {
  if (wasSet) {
    qputenv(name, value);
  } else {
    qunsetenv(name);
  }
}
}  // namespace

PrivateDesktop::PrivateDesktop()
    : hadHome_(qEnvironmentVariableIsSet("HOME")),
      hadConfigHome_(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")),
      oldHome_(qgetenv("HOME")),
      oldConfigHome_(qgetenv("XDG_CONFIG_HOME")) {
  QDir().mkpath(home());
  QDir().mkpath(configHome());
  qputenv("HOME", QFile::encodeName(home()));
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome()));
  QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open");
}

PrivateDesktop::~PrivateDesktop() {
  QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
  restoreVariable("HOME", hadHome_, oldHome_);
  restoreVariable("XDG_CONFIG_HOME", hadConfigHome_, oldConfigHome_);
}

void writeFile(const QString& path, const QByteArray& content) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  QCOMPARE(file.write(content), content.size());
}

#ifdef _WIN32
// Windows has no capabilities that pass over permissions: tests that need them skip there.
HeldToPermissions::HeldToPermissions() = default;
HeldToPermissions::~HeldToPermissions() = default;
#else
namespace {
__user_cap_header_struct capabilityHeader() { return {_LINUX_CAPABILITY_VERSION_3, 0}; }
}  // namespace

HeldToPermissions::HeldToPermissions() {
  static_assert(sizeof(saved_) == 2 * sizeof(__user_cap_data_struct));
  auto header = capabilityHeader();
  auto* saved = reinterpret_cast<__user_cap_data_struct*>(saved_);
  syscall(SYS_capget, &header, saved);
  __user_cap_data_struct reduced[2] = {saved[0], saved[1]};
  reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
  syscall(SYS_capset, &header, reduced);
}

HeldToPermissions::~HeldToPermissions() {
  auto header = capabilityHeader();
  syscall(SYS_capset, &header, reinterpret_cast<__user_cap_data_struct*>(saved_));
}
#endif

ResultRow makeRow(std::uint32_t group, const std::string& path, std::uint64_t size, std::uint32_t crc) {
  ResultRow row;
  row.group = group;
  row.path = path;
  row.size = size;
  row.crc32 = crc;
  return row;
}

}  // namespace pelimor::test
