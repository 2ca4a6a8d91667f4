#include "ui/ui_test_support.h"

#ifdef _WIN32
#include <cstdlib>
#else
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "ui/desktop_open.h"

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

void setFolderVariable(const char* name, const QString& folder) {
#ifdef _WIN32
  // The platform layer reads the wide environment; qputenv would go through the ANSI code page.
  _wputenv_s(QString::fromLatin1(name).toStdWString().c_str(), QDir::toNativeSeparators(folder).toStdWString().c_str());
#else
  qputenv(name, QFile::encodeName(folder));
#endif
}

namespace {
std::optional<QString> variable(const char* name) {
  return qEnvironmentVariableIsSet(name) ? std::optional(qEnvironmentVariable(name)) : std::nullopt;
}

void restoreVariable(const char* name, const std::optional<QString>& value) {
  if (value) {
    setFolderVariable(name, *value);
  } else {
    qunsetenv(name);
  }
}

#ifdef _WIN32
// Searches made by the windows keep their checksum cache in the build tree, never in the user's.
// The test's environment can't say so under Wine, which sets LOCALAPPDATA from its own registry.
const bool cacheInBuildTree = (setFolderVariable("LOCALAPPDATA", QStringLiteral(PELIMOR_TEST_CACHE_HOME)), true);
#endif

// The desktop's opener (xdg-open, the Windows shell) would start real programs: outside an Opener,
// nothing opens.
bool startNothing(const QUrl&) { return false; }
const bool shellKeptAway = (replaceDesktopOpener(startNothing), true);
}  // namespace

// The window opens through the desktop's opener, which the stand-in replaces.
Opener::Opener(const QStringList& schemes) : schemes_(schemes) {
  replaceDesktopOpener([this](const QUrl& url) {
    if (!schemes_.contains(url.scheme())) return false;
    open(url);
    return true;
  });
}

Opener::~Opener() { replaceDesktopOpener(startNothing); }

PrivateDesktop::PrivateDesktop()
    : oldHome_(variable(kHomeVariable)),
      oldConfigHome_(variable(kConfigHomeVariable)),
      oldDataHome_(variable("XDG_DATA_HOME")) {
  QDir().mkpath(home());
  QDir().mkpath(configHome());
  setFolderVariable(kHomeVariable, home());
  setFolderVariable(kConfigHomeVariable, configHome());
  setFolderVariable("XDG_DATA_HOME", dataHome());
}

PrivateDesktop::~PrivateDesktop() {
  restoreVariable(kHomeVariable, oldHome_);
  restoreVariable(kConfigHomeVariable, oldConfigHome_);
  restoreVariable("XDG_DATA_HOME", oldDataHome_);
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
