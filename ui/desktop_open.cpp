#include "ui/desktop_open.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMimeData>
#include <QStringList>
#include <QUrl>
#include <optional>
#include <utility>
#ifdef PELIMOR_QT_DBUS
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#endif

#include "platform/paths.h"
#include "platform/system_shell.h"
#include "ui/notices.h"
#include "ui/text_bytes.h"

namespace pelimor {

namespace {
std::function<bool(const QUrl&)>& standIn() {
  static std::function<bool(const QUrl&)> opener;
  return opener;
}

bool isUtf8(std::string_view bytes) { return bytesOf(shownText(bytes)) == bytes; }

// The inverse of fileUrlOf: QUrl::toLocalFile would replace the bytes of a name that is no UTF-8.
std::string localPathOf(const QUrl& url) {
  const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
  const std::string_view raw(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  if (url.host().isEmpty() && !isUtf8(raw)) return std::string(raw);
  return bytesOf(url.toLocalFile());
}

bool startProgramFor(const QUrl& url) {
  if (standIn()) return standIn()(url);
  const std::optional<bool> byShell =
      platform::openWithShell(url.isLocalFile() ? localPathOf(url) : url.toString(QUrl::FullyEncoded).toStdString());
  return byShell ? *byShell : QDesktopServices::openUrl(url);
}

#ifdef PELIMOR_QT_DBUS
// How long the file manager may take to answer, its own start on demand included; after that the
// folder is opened without it.
constexpr int kFileManagerMilliseconds = 10000;

// Asks the desktop's file manager to show `file` selected in its folder; `refused` runs when there
// is none on the session bus or it answers with an error.
void askFileManager(QWidget* parent, const QUrl& file, const std::function<void()>& refused) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    refused();
    return;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
  call << QStringList{QString::fromLatin1(file.toEncoded())} << QString();  // no startup id
  // Owned by the window: closed meanwhile, the answer goes unheard.
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kFileManagerMilliseconds), parent);
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, parent, [watcher, refused] {
    watcher->deleteLater();
    if (watcher->isError()) refused();
  });
}
#endif
}  // namespace

bool openOnDesktop(QWidget* parent, const QUrl& url, const QString& what) {
  if (startProgramFor(url)) return true;
  const QString target = url.isLocalFile() ? url.toLocalFile() : url.toDisplayString();
  showNotice(
      parent, DialogKind::Error,
      QCoreApplication::translate("DesktopOpen", "No program could be started to open %1:\n%2").arg(what, target));
  return false;
}

void showInFolder(QWidget* parent, const std::string& path, const QString& what) {
  const QUrl folder = fileUrlOf(platform::folderPartOf(path));
  const auto openFolder = [parent, folder, what] { openOnDesktop(parent, folder, what); };
  const std::optional<bool> byShell = standIn() ? std::nullopt : platform::selectInFileManager(path);
  if (byShell) {
    if (!*byShell) openFolder();
    return;
  }
#ifdef PELIMOR_QT_DBUS
  askFileManager(parent, fileUrlOf(path), openFolder);
#else
  openFolder();
#endif
}

std::vector<std::size_t> rowsToCopy(const std::vector<bool>& selected, std::size_t focused) {
  std::vector<std::size_t> rows;
  for (std::size_t row = 0; row < selected.size(); ++row) {
    if (selected[row]) rows.push_back(row);
  }
  if (rows.size() < 2) rows = {focused};
  return rows;
}

void copyPathsToClipboard(const std::vector<std::string>& paths) {
  QStringList lines;
  QList<QUrl> urls;
  for (const std::string& path : paths) {
    lines << shownPathText(path);
    urls << fileUrlOf(path);
  }
  auto* data = new QMimeData;
  data->setUrls(urls);
  data->setText(lines.join(u'\n'));
  QGuiApplication::clipboard()->setMimeData(data);
}

QUrl fileUrlOf(std::string_view path) {
  if (isUtf8(path)) return QUrl::fromLocalFile(shownText(path));
  const QByteArray bytes(path.data(), static_cast<qsizetype>(path.size()));
  return QUrl::fromEncoded("file://" + bytes.toPercentEncoding("/"), QUrl::StrictMode);
}

void replaceDesktopOpener(std::function<bool(const QUrl&)> opener) { standIn() = std::move(opener); }

}  // namespace pelimor
