#pragma once
// Components a user types into or picks from: combo box (drop-down list),
// check box, one-line edit and memo.
#include <functional>
#include <string>
#include <vector>

#include "ui/component.h"

namespace ui {

// A drop-down list: the text is always the selected item's. Setting the index
// from code does not raise OnChange; a user's pick does.
class ComboBox : public Component {
 public:
  explicit ComboBox(std::string name) : Component(Kind::kComboBox, std::move(name)) {}

  const std::vector<std::string>& Items() const { return items_; }
  int ItemCount() const { return static_cast<int>(items_.size()); }
  void AddItem(const std::string& text);
  void SetItems(const std::vector<std::string>& items);
  // Removes every item and the selection.
  void Clear();

  int ItemIndex() const { return itemIndex_; }
  // An index outside the items means no selection (-1).
  void SetItemIndex(int index);
  // The selected item's text, or empty.
  std::string Text() const;

  std::function<void()> OnChange;
  // A user picked an item.
  void UserSelect(int index);

 private:
  std::vector<std::string> items_;
  int itemIndex_ = -1;
};

// Setting Checked from code raises nothing; a user's toggle raises OnClick.
class CheckBox : public Component {
 public:
  explicit CheckBox(std::string name) : Component(Kind::kCheckBox, std::move(name)) {}
  bool Checked() const { return checked_; }
  void SetChecked(bool on);
  void UserToggle();

 private:
  bool checked_ = false;
};

// A one-line edit; its text is the caption. Every change raises OnChange.
class Edit : public Component {
 public:
  explicit Edit(std::string name) : Component(Kind::kEdit, std::move(name)) {}
  const std::string& Text() const { return Caption(); }
  void SetText(const std::string& text);
  std::function<void()> OnChange;
};

// Multi-line text. Every change of its lines, from code or user, raises OnChange.
class Memo : public Component {
 public:
  explicit Memo(std::string name) : Component(Kind::kMemo, std::move(name)) {}
  const std::vector<std::string>& Lines() const { return lines_; }
  void Clear();
  void Add(const std::string& line);
  // Lines separated by line feeds.
  std::string Text() const;
  void SetText(const std::string& text);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool on);
  // Asks the view to show the last line.
  void ScrollToBottom();
  int ScrollRequests() const { return scrollRequests_; }

  std::function<void()> OnChange;

 private:
  void LinesChanged();

  std::vector<std::string> lines_;
  bool readOnly_ = false;
  int scrollRequests_ = 0;
};

}  // namespace ui
