// The search for similar pictures in the window: its mode and likeness beside the mask, the keep
// rules only its groups need, and the picture a row is compared with in the preview.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QStandardItemModel>

#include "search/duplicate_search.h"
#include "search/similarity_steps.h"
#include "ui/filter_controls.h"
#include "ui/main_window.h"
#include "ui/result_list_view.h"
#include "ui/text_bytes.h"

namespace pelimor {

namespace {
constexpr int kIdenticalFiles = 0;
constexpr int kSimilarPictures = 1;
}  // namespace

void MainWindow::buildSearchModeControls(QWidget* client) {
  searchModeLabel_ = new QLabel(tr("Look for"), client);
  searchModeList_ = new QComboBox(client);
  searchModeList_->setObjectName(QStringLiteral("searchModeList"));
  searchModeList_->addItem(tr("Identical files"));
  searchModeList_->addItem(tr("Similar pictures"));
  if (!similarPicturesBuiltIn()) {
    auto* items = qobject_cast<QStandardItemModel*>(searchModeList_->model());
    items->item(kSimilarPictures)->setEnabled(false);
    items->item(kSimilarPictures)->setToolTip(tr("Not in this build of Pelimor"));
  }
  similarityLabel_ = new QLabel(tr("Likeness"), client);
  similarityList_ = new QComboBox(client);
  similarityList_->setObjectName(QStringLiteral("similarityList"));
  for (const SimilarityStep& step : kSimilaritySteps)
    similarityList_->addItem(QCoreApplication::translate("Similarity", step.name.data()));
  for (QComboBox* list : {searchModeList_, similarityList_}) fitToLongestItem(list);
  searchModeLabel_->setBuddy(searchModeList_);
  similarityLabel_->setBuddy(similarityList_);

  connect(searchModeList_, &QComboBox::currentIndexChanged, this, [this](int index) {
    preferences_.similarPictures = index == kSimilarPictures;
    similarityList_->setEnabled(preferences_.similarPictures);
  });
  connect(similarityList_, &QComboBox::currentIndexChanged, this,
          [this](int index) { preferences_.similarity = index + 1; });
  showSearchMode();
}

void MainWindow::showSearchMode() {
  const bool pictures = preferences_.similarPictures && similarPicturesBuiltIn();
  const auto step = static_cast<std::size_t>(preferences_.similarity);
  const QSignalBlocker quietMode(searchModeList_), quietStep(similarityList_);
  searchModeList_->setCurrentIndex(pictures ? kSimilarPictures : kIdenticalFiles);
  similarityList_->setCurrentIndex(
      static_cast<int>(step >= 1 && step <= kSimilaritySteps.size() ? step - 1 : kDefaultSimilarityStep));
  similarityList_->setEnabled(pictures);
}

void MainWindow::setSearchMode(SearchRequest& request) const {
  if (searchModeList_->currentIndex() != kSimilarPictures) return;
  request.mode = SearchMode::SimilarPictures;
  request.pictureDistance = kSimilaritySteps[static_cast<std::size_t>(similarityList_->currentIndex())].maxDistance;
}

QString MainWindow::comparedPictureOf(std::size_t row) const {
  const std::vector<ResultRow>& rows = resultList_->rows();
  const ResultRow& focused = rows[row];
  if (focused.width == 0) return {};  // no similar picture: every file of its group is alike
  // The group's first row as the list stands: in the search's order, the picture that leads it.
  for (std::size_t i = 0; i < row; ++i) {
    if (rows[i].group == focused.group) return sameBytes(rows[i], focused) ? QString() : shownText(rows[i].path);
  }
  return {};
}

}  // namespace pelimor
