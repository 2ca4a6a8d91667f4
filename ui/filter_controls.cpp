#include "ui/filter_controls.h"

#include <QComboBox>
#include <QKeyEvent>

#include "search/mask_presets.h"
#include "settings/options_record.h"
#include "ui/notices.h"
#include "ui/text_bytes.h"

namespace pelimor {

namespace {
// Keys that would change the text: characters (control characters too), Backspace and Del.
// Enter, Tab and Esc belong to the window.
bool typesIntoField(const QKeyEvent* event) {
  if (event->key() == Qt::Key_Delete) return true;
  const QString text = event->text();
  if (text.isEmpty()) return false;
  const char16_t first = text.front().unicode();
  return first != u'\r' && first != u'\n' && first != u'\t' && first != 0x1b;
}

// Keys the field keeps for itself even though the window has a shortcut on them: Del above all,
// which would otherwise delete the selected result files.
bool keptFromShortcuts(const QKeyEvent* event) {
  if (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) return true;
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
  return modifiers == Qt::NoModifier && typesIntoField(event);
}
}  // namespace

MaskEdit::MaskEdit(QWidget* parent) : QLineEdit(parent) {
  setObjectName(QStringLiteral("maskEdit"));
  setMaxLength(FilterControls::kMaskLimit);
}

bool MaskEdit::event(QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride && keptFromShortcuts(static_cast<QKeyEvent*>(event))) {
    event->accept();
    return true;
  }
  return QLineEdit::event(event);
}

void MaskEdit::keyPressEvent(QKeyEvent* event) {
  if (typesIntoField(event) && keyPress && !keyPress(event)) {
    event->accept();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

FilterControls::FilterControls(QComboBox* sizeList, QComboBox* typeList, MaskEdit* maskEdit, OptionsRecord& options,
                               QWidget* owner)
    : QObject(owner), sizeList_(sizeList), typeList_(typeList), maskEdit_(maskEdit), options_(options), owner_(owner) {
  setObjectName(QStringLiteral("filters"));
  connect(typeList_, &QComboBox::activated, this, &FilterControls::typeChosen);
  connect(sizeList_, &QComboBox::activated, this, &FilterControls::sizeChosen);
  connect(maskEdit_, &QLineEdit::textChanged, this, &FilterControls::maskChanged);
  maskEdit_->keyPress = [this](QKeyEvent* event) { return acceptMaskKey(event); };
}

void FilterControls::typeChosen() {
  maskEdit_->setReadOnly(true);
  const int index = typeList_->currentIndex();
  if (index >= 0 && index < static_cast<int>(kPresetMasks.size())) {
    maskEdit_->setText(shownText(kPresetMasks[static_cast<std::size_t>(index)]));
  } else if (index == kCustomType) {
    maskEdit_->setReadOnly(false);
    maskEdit_->setText(shownText(options_.customMask()));
  }
  // A long preset shows its first masks; the cursor would leave it scrolled to its end.
  maskEdit_->setCursorPosition(0);
  options_.setTypeIndex(index);
}

void FilterControls::maskChanged() {
  if (typeList_->currentIndex() == kCustomType) {
    options_.setCustomMask(utf8Prefix(bytesOf(maskEdit_->text()), kMaskLimit));
  }
}

bool FilterControls::acceptMaskKey(QKeyEvent*) {
  if (typeList_->currentIndex() == kCustomType) return true;
  const auto answer = showNotice(owner_, DialogKind::Confirmation, tr("Please, select Custom type and edit it."),
                                 QMessageBox::Ok | QMessageBox::Cancel);
  if (answer != QMessageBox::Ok) return true;  // the read-only field takes the key and ignores it
  typeList_->setCurrentIndex(kCustomType);
  typeChosen();
  return false;
}

void FilterControls::sizeChosen() { options_.setSizeIndex(sizeList_->currentIndex()); }

void FilterControls::showStoredChoices() {
  const int type = options_.typeIndex();
  typeList_->setCurrentIndex(type >= 0 && type < typeList_->count() ? type : -1);
  typeChosen();
  const int size = options_.sizeIndex();
  sizeList_->setCurrentIndex(size >= 0 && size < sizeList_->count() ? size : -1);
}

std::string FilterControls::maskText() const { return bytesOf(maskEdit_->text()); }

QString FilterControls::sizeText() const { return sizeList_->currentText(); }

void fitToLongestItem(QComboBox* list) {
  list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  // Fixed: a narrow window may not squeeze it below that width either.
  list->setSizePolicy(QSizePolicy::Fixed, list->sizePolicy().verticalPolicy());
}

std::string utf8Prefix(const std::string& text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t end = limit;
  // Step back over continuation bytes to the start of the character that would be cut.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0u) == 0x80u) --end;
  return text.substr(0, end);
}

}  // namespace pelimor
