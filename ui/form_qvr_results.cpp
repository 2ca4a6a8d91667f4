// What the user does with a result: safe selection, delete, move and the report.
#include "ui/form_qvr.h"

namespace pelimor {

void TFormQVR::ActionSelectExecute() {
  if (refuseWhileSearchFinishing()) return;
}

void TFormQVR::ActionDeleteExecute() {
  if (refuseWhileSearchFinishing()) return;
}

void TFormQVR::ActionMoveExecute() {
  if (refuseWhileSearchFinishing()) return;
}

void TFormQVR::ActionPrintExecute() {
  if (refuseWhileSearchFinishing()) return;
}

}  // namespace pelimor
