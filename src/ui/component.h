#pragma once
// Base of every visual component of the presentation model: a named node of
// the window's tree with design geometry, visibility, enabled state, caption,
// hint, font, colour and the events a user can cause. A view mirrors it through
// a ViewSink; clicking from code runs the same handler a user click does.
#include <functional>
#include <string>
#include <vector>

#include "ui/color.h"
#include "ui/font.h"
#include "ui/geometry.h"

namespace ui {

enum class Kind {
  kForm,
  kPanel,
  kLabel,
  kFlatButton,
  kButton,
  kImage,
  kComboBox,
  kListView,
  kMemo,
  kCheckBox,
  kEdit,
  kGroupBox,
  kProgressBar,
  kStatusBar,
};

// What changed, so that a view can update only that.
enum class Property {
  kBounds,
  kVisible,
  kEnabled,
  kCaption,
  kHint,
  kFont,
  kColor,
  kStyle,      // kind-specific look (bevel, border, check boxes, alignment ...)
  kContent,    // items, rows, columns, lines, picture, panels, range
  kSelection,  // selected item, tick, check state, progress position
  kScroll,     // a request to scroll (memo to its end)
};

enum class MouseButton { kLeft, kRight, kMiddle };

class Component;

// The view side of the model: told about every change of a component it shows.
class ViewSink {
 public:
  virtual ~ViewSink() = default;
  virtual void ComponentChanged(Component& component, Property property) = 0;
};

class Component {
 public:
  Component(Kind kind, std::string name);
  virtual ~Component();
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;

  Kind GetKind() const { return kind_; }
  const std::string& Name() const { return name_; }

  // Tree. A component joins its parent's children at the end, so later
  // children lie above earlier ones.
  void SetParent(Component* parent);
  Component* Parent() const { return parent_; }
  const std::vector<Component*>& Children() const { return children_; }
  // This component or a descendant with that name, or nullptr.
  Component* Find(const std::string& name);

  const Rect& Bounds() const { return bounds_; }
  void SetBounds(const Rect& r);
  int Left() const { return bounds_.left; }
  int Top() const { return bounds_.top; }
  int Width() const { return bounds_.width; }
  int Height() const { return bounds_.height; }
  void SetLeft(int v) { SetBounds({v, bounds_.top, bounds_.width, bounds_.height}); }
  void SetTop(int v) { SetBounds({bounds_.left, v, bounds_.width, bounds_.height}); }
  void SetWidth(int v) { SetBounds({bounds_.left, bounds_.top, v, bounds_.height}); }
  void SetHeight(int v) { SetBounds({bounds_.left, bounds_.top, bounds_.width, v}); }
  Align GetAlign() const { return align_; }
  void SetAlign(Align a);

  // Own visibility flag; Showing() also needs every ancestor visible.
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Showing() const;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool e);
  // Enabled itself and every ancestor: only then does a user reach it.
  bool EffectivelyEnabled() const;

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& text);

  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint);
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool on);

  const Font& GetFont() const { return font_; }
  void SetFont(const Font& f);
  void SetFontColor(TColor c);
  void SetFontFamily(const std::string& family);
  void SetFontSize(int size);

  TColor Color() const { return color_; }
  void SetColor(TColor c);

  // Events. A view calls the User* entry points; code may call Click() etc.
  std::function<void()> OnClick;
  std::function<void()> OnDblClick;
  std::function<void(MouseButton, int x, int y)> OnMouseDown;
  std::function<void(int x, int y)> OnMouseMove;

  // Runs OnClick exactly as a user click would (whatever the enabled state,
  // as a click from code does).
  virtual void Click();
  void DblClick();
  void MouseDown(MouseButton button, int x, int y);
  void MouseMove(int x, int y);

  // Attaches a view to this component and every descendant.
  void SetViewSink(ViewSink* sink);
  ViewSink* GetViewSink() const { return sink_; }

 protected:
  void Changed(Property p);
  // Places children that follow this component's size.
  void Realign();

 private:
  const Kind kind_;
  const std::string name_;
  Component* parent_ = nullptr;
  std::vector<Component*> children_;
  Rect bounds_;
  Align align_ = Align::kNone;
  bool visible_ = true;
  bool enabled_ = true;
  std::string caption_;
  std::string hint_;
  bool showHint_ = false;
  Font font_;
  TColor color_ = kColorDefault;
  ViewSink* sink_ = nullptr;
};

}  // namespace ui
