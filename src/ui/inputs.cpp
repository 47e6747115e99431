#include "ui/inputs.h"

#include "common/text.h"

namespace ui {

void ComboBox::AddItem(const std::string& text) {
  items_.push_back(text);
  Changed(Property::kContent);
}

void ComboBox::SetItems(const std::vector<std::string>& items) {
  items_ = items;
  if (itemIndex_ >= ItemCount()) itemIndex_ = -1;
  Changed(Property::kContent);
}

void ComboBox::Clear() {
  items_.clear();
  itemIndex_ = -1;
  Changed(Property::kContent);
}

void ComboBox::SetItemIndex(int index) {
  if (index < 0 || index >= ItemCount()) index = -1;
  if (index == itemIndex_) return;
  itemIndex_ = index;
  Changed(Property::kSelection);
}

std::string ComboBox::Text() const {
  return itemIndex_ >= 0 ? items_[static_cast<size_t>(itemIndex_)] : std::string();
}

void ComboBox::UserSelect(int index) {
  SetItemIndex(index);
  if (OnChange) OnChange();
}

void CheckBox::SetChecked(bool on) {
  if (on == checked_) return;
  checked_ = on;
  Changed(Property::kSelection);
}

void CheckBox::UserToggle() {
  SetChecked(!checked_);
  Click();
}

void Edit::SetText(const std::string& text) {
  if (text == Caption()) return;
  SetCaption(text);
  if (OnChange) OnChange();
}

void Memo::Clear() {
  if (lines_.empty()) return;
  lines_.clear();
  LinesChanged();
}

void Memo::Add(const std::string& line) {
  for (const std::string& l : common::Split(line, '\n')) lines_.push_back(l);
  LinesChanged();
}

std::string Memo::Text() const {
  std::string out;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (i) out += '\n';
    out += lines_[i];
  }
  return out;
}

void Memo::SetText(const std::string& text) {
  if (text == Text()) return;
  lines_ = text.empty() ? std::vector<std::string>{} : common::Split(text, '\n');
  LinesChanged();
}

void Memo::SetReadOnly(bool on) {
  if (on == readOnly_) return;
  readOnly_ = on;
  Changed(Property::kStyle);
}

void Memo::ScrollToBottom() {
  ++scrollRequests_;
  Changed(Property::kScroll);
}

void Memo::LinesChanged() {
  Changed(Property::kContent);
  if (OnChange) OnChange();
}

}  // namespace ui
