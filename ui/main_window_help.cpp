// The Help button and its menu: the user guide, the web page, the feedback mail and the About box.
// Each target goes to the desktop's opener, which says when it can't start anything for it.
#include <QUrl>

#include "ui/about_box.h"
#include "ui/desktop_open.h"
#include "ui/help_links.h"
#include "ui/main_window.h"
#include "ui/text_bytes.h"

namespace pelimor {

void MainWindow::showHelp() {
  openOnDesktop(this, QUrl::fromLocalFile(shownText(programFolder_ + kHelpFileName)), tr("the user guide"));
}

void MainWindow::showWebSite() {
  openOnDesktop(this, QUrl::fromEncoded(kWebSiteUrl, QUrl::StrictMode), tr("the web site"));
}

void MainWindow::writeFeedback() {
  openOnDesktop(this, QUrl::fromEncoded(QByteArray::fromStdString(kFeedbackUrl), QUrl::StrictMode),
                tr("the issue tracker"));
}

void MainWindow::showAbout() { aboutBox_->exec(); }

}  // namespace pelimor
