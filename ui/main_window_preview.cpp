// The preview pane beside the result list: shown or hidden, and following the focused row.
#include <QAction>
#include <QSplitter>
#include <algorithm>

#include "ui/main_window.h"
#include "ui/preview_pane.h"
#include "ui/result_list_view.h"
#include "ui/text_bytes.h"

namespace pelimor {

namespace {
// The pane's share of the splitter when no width was remembered.
constexpr int kPreviewShareOfWidth = 3;
}  // namespace

void MainWindow::setPreviewShown(bool shown) {
  preferences_.showPreview = shown;
  if (shown == previewPane_->isVisible()) return;
  if (!shown) {
    preferences_.previewWidth = previewPane_->width();
    previewPane_->hide();
    previewPane_->showFile({});  // nothing is read for a hidden pane
    return;
  }
  previewPane_->show();
  const int whole = resultSplitter_->width();
  const int wanted = preferences_.previewWidth > 0 ? preferences_.previewWidth : whole / kPreviewShareOfWidth;
  const int pane = std::clamp(wanted, 1, std::max(1, whole / 2 + whole / 4));
  resultSplitter_->setSizes({whole - pane, pane});
  updatePreview();
}

void MainWindow::updatePreview() {
  if (!previewPane_->isVisible()) return;
  const int row = resultList_->focusedRow();
  const std::vector<ResultRow>& rows = resultList_->rows();
  if (row < 0) return previewPane_->showFile({});
  const auto focused = static_cast<std::size_t>(row);
  previewPane_->showFile(shownText(rows[focused].path), comparedPictureOf(focused));
}

}  // namespace pelimor
