// The Help button and its menu: the user guide, the web page, the feedback mail and the About box.
// Each target goes to the desktop's opener; whether something opens it is the desktop's business.
#include <QDesktopServices>
#include <QUrl>

#include "ui/form_about.h"
#include "ui/form_qvr.h"
#include "ui/help_links.h"
#include "ui/text_bytes.h"

namespace pelimor {

void TFormQVR::ActionHelpExecute() {
  QDesktopServices::openUrl(QUrl::fromLocalFile(shownText(ProgramFolder + kHelpFileName)));
}

void TFormQVR::VisitQVRWebSite1Click() { QDesktopServices::openUrl(QUrl::fromEncoded(kWebSiteUrl, QUrl::StrictMode)); }

void TFormQVR::Feedbackanycommentswishes1Click() {
  QDesktopServices::openUrl(QUrl::fromEncoded(kFeedbackMailUrl, QUrl::StrictMode));
}

void TFormQVR::About1Click() { FormAbout->exec(); }

}  // namespace pelimor
