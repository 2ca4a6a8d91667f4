#include "ui/main_window_driver.h"

#include <QComboBox>
#include <QLabel>

#include "ui/filter_controls.h"

namespace pelimor::test {

QLabel* MainWindowDriver::statusPanel(int panel) const {
  return window_.statusPanels_.at(static_cast<std::size_t>(panel));
}

QString MainWindowDriver::statusText(int panel) const { return statusPanel(panel)->text(); }

void MainWindowDriver::chooseType(int index) const {
  window_.typeList_->setCurrentIndex(index);
  window_.filters_->typeChosen();
}

void MainWindowDriver::chooseSize(int index) const {
  window_.sizeList_->setCurrentIndex(index);
  window_.filters_->sizeChosen();
}

}  // namespace pelimor::test
