#pragma once
// The three filters: the type list picks a preset mask text or the user's own, the mask field shows
// it (editable only for "Custom"), the size list gives the minimum size. Every choice and every
// edit of the custom text goes straight into the window's settings record.
#include <QLineEdit>
#include <QObject>
#include <functional>
#include <string>

class QComboBox;
class QKeyEvent;

namespace pelimor {

class OptionsRecord;

// The mask field. Keys that type into it (Del included) belong to it, never to the window's
// shortcuts; each is first offered to `keyPress`, which may drop it by returning false.
class MaskEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit MaskEdit(QWidget* parent = nullptr);

  std::function<bool(QKeyEvent*)> keyPress;

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

class FilterControls : public QObject {
  Q_OBJECT

 public:
  static constexpr int kCustomType = 4;
  static constexpr int kMaskLimit = 511;  // what the record's custom mask holds

  // `options` must outlive the controls.
  FilterControls(QComboBox* sizeList, QComboBox* typeList, MaskEdit* maskEdit, OptionsRecord& options, QWidget* owner);

  // The type list's item was picked (also run by the program after it sets the index).
  void typeChosen();
  void sizeChosen();
  // The mask field's text changed, by the user or the program.
  void maskChanged();
  // A key about to type into the mask field; false drops it.
  bool acceptMaskKey(QKeyEvent* event);

  // Shows the type and size stored in the record, and the type's mask text.
  void showStoredChoices();

  std::string maskText() const;
  QString sizeText() const;

 private:
  QComboBox* sizeList_;
  QComboBox* typeList_;
  MaskEdit* maskEdit_;
  OptionsRecord& options_;
  QWidget* owner_;
};

// Keeps `list` as wide as its longest item in the language it shows, so no item is cut off.
void fitToLongestItem(QComboBox* list);

// The longest start of `text` of at most `limit` bytes that does not cut a UTF-8 character.
std::string utf8Prefix(const std::string& text, std::size_t limit);

}  // namespace pelimor
