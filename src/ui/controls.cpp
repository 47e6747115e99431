#include "ui/controls.h"

namespace ui {

void Panel::SetBevel(bool on) {
  if (on == bevel_) return;
  bevel_ = on;
  Changed(Property::kStyle);
}

void Label::SetAlignment(Alignment a) {
  if (a == alignment_) return;
  alignment_ = a;
  Changed(Property::kStyle);
}

void Label::SetWordWrap(bool on) {
  if (on == wordWrap_) return;
  wordWrap_ = on;
  Changed(Property::kStyle);
}

void FlatButton::SetGlyph(const Picture& p) {
  if (p == glyph_) return;
  glyph_ = p;
  Changed(Property::kContent);
}

void FlatButton::SetTransparent(bool on) {
  if (on == transparent_) return;
  transparent_ = on;
  Changed(Property::kStyle);
}

void Image::SetPicture(const Picture& p) {
  if (p == picture_) return;
  picture_ = p;
  Changed(Property::kContent);
}

void Image::LoadFromFile(const std::string& nativePath) {
  Picture p = picture_;
  p.file = nativePath;
  SetPicture(p);
}

void Image::SetStretch(bool on) {
  if (on == stretch_) return;
  stretch_ = on;
  Changed(Property::kStyle);
}

const Picture* ImageList::At(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return &pictures_[static_cast<size_t>(index)];
}

}  // namespace ui
