// The Help button and its menu: the user guide, the web page, the feedback mail and the About box.
// Each target goes to the desktop's opener, which says when it can't start anything for it.
#include <QUrl>

#include "ui/desktop_open.h"
#include "ui/form_about.h"
#include "ui/form_qvr.h"
#include "ui/help_links.h"
#include "ui/text_bytes.h"

namespace pelimor {

void TFormQVR::ActionHelpExecute() {
  openOnDesktop(this, QUrl::fromLocalFile(shownText(ProgramFolder + kHelpFileName)), QStringLiteral("the user guide"));
}

void TFormQVR::VisitQVRWebSite1Click() {
  openOnDesktop(this, QUrl::fromEncoded(kWebSiteUrl, QUrl::StrictMode), QStringLiteral("the web site"));
}

void TFormQVR::Feedbackanycommentswishes1Click() {
  openOnDesktop(this, QUrl::fromEncoded(kFeedbackMailUrl, QUrl::StrictMode), QStringLiteral("a new mail"));
}

void TFormQVR::About1Click() { FormAbout->exec(); }

}  // namespace pelimor
