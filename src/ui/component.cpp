#include "ui/component.h"

#include <algorithm>

namespace ui {

Component::Component(Kind kind, std::string name) : kind_(kind), name_(std::move(name)) {}

Component::~Component() {
  if (parent_) {
    auto& siblings = parent_->children_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
  for (Component* c : children_) c->parent_ = nullptr;
}

void Component::SetParent(Component* parent) {
  if (parent == parent_) return;
  if (parent_) {
    auto& siblings = parent_->children_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
  parent_ = parent;
  if (parent_) {
    parent_->children_.push_back(this);
    if (!sink_ && parent_->sink_) SetViewSink(parent_->sink_);
    parent_->Realign();
  }
}

Component* Component::Find(const std::string& name) {
  if (name_ == name) return this;
  for (Component* c : children_) {
    if (Component* found = c->Find(name)) return found;
  }
  return nullptr;
}

void Component::SetBounds(const Rect& r) {
  if (r == bounds_) return;
  const bool resized = r.width != bounds_.width || r.height != bounds_.height;
  bounds_ = r;
  Changed(Property::kBounds);
  if (resized) Realign();
}

void Component::SetAlign(Align a) {
  if (a == align_) return;
  align_ = a;
  if (parent_) parent_->Realign();
}

void Component::Realign() {
  for (Component* c : children_) {
    switch (c->align_) {
      case Align::kNone:
        break;
      case Align::kClient:
        c->SetBounds({0, 0, bounds_.width, bounds_.height});
        break;
      case Align::kTop:
        c->SetBounds({0, 0, bounds_.width, c->bounds_.height});
        break;
      case Align::kBottom:
        c->SetBounds({0, bounds_.height - c->bounds_.height, bounds_.width, c->bounds_.height});
        break;
    }
  }
}

void Component::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  Changed(Property::kVisible);
}

bool Component::Showing() const {
  for (const Component* c = this; c; c = c->parent_) {
    if (!c->visible_) return false;
  }
  return true;
}

void Component::SetEnabled(bool e) {
  if (e == enabled_) return;
  enabled_ = e;
  Changed(Property::kEnabled);
}

bool Component::EffectivelyEnabled() const {
  for (const Component* c = this; c; c = c->parent_) {
    if (!c->enabled_) return false;
  }
  return true;
}

void Component::SetCaption(const std::string& text) {
  if (text == caption_) return;
  caption_ = text;
  Changed(Property::kCaption);
}

void Component::SetHint(const std::string& hint) {
  if (hint == hint_) return;
  hint_ = hint;
  Changed(Property::kHint);
}

void Component::SetShowHint(bool on) {
  if (on == showHint_) return;
  showHint_ = on;
  Changed(Property::kHint);
}

void Component::SetFont(const Font& f) {
  if (f == font_) return;
  font_ = f;
  Changed(Property::kFont);
}

void Component::SetFontColor(TColor c) {
  Font f = font_;
  f.color = c;
  SetFont(f);
}

void Component::SetFontFamily(const std::string& family) {
  Font f = font_;
  f.family = family;
  SetFont(f);
}

void Component::SetFontSize(int size) {
  Font f = font_;
  f.size = size;
  SetFont(f);
}

void Component::SetColor(TColor c) {
  if (c == color_) return;
  color_ = c;
  Changed(Property::kColor);
}

void Component::Click() {
  if (OnClick) OnClick();
}

void Component::DblClick() {
  if (OnDblClick) OnDblClick();
}

void Component::MouseDown(MouseButton button, int x, int y) {
  if (OnMouseDown) OnMouseDown(button, x, y);
}

void Component::MouseMove(int x, int y) {
  if (OnMouseMove) OnMouseMove(x, y);
}

void Component::SetViewSink(ViewSink* sink) {
  sink_ = sink;
  for (Component* c : children_) c->SetViewSink(sink);
}

void Component::Changed(Property p) {
  if (sink_) sink_->ComponentChanged(*this, p);
}

}  // namespace ui
