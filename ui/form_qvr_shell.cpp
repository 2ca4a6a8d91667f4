// The Help button and its menu: the user guide, the web page, the feedback mail and the About box.
#include "ui/form_qvr.h"

namespace pelimor {

void TFormQVR::ActionHelpExecute() {}

void TFormQVR::VisitQVRWebSite1Click() {}

void TFormQVR::Feedbackanycommentswishes1Click() {}

void TFormQVR::About1Click() {}

}  // namespace pelimor
