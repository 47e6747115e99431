#pragma once
// The simple components of the form: panels, labels, flat and push buttons,
// group boxes and images.
#include <string>
#include <vector>

#include "ui/component.h"
#include "ui/picture.h"

namespace ui {

enum class Alignment { kLeft, kCenter, kRight };

class Panel : public Component {
 public:
  explicit Panel(std::string name) : Component(Kind::kPanel, std::move(name)) {}
  // A raised outer bevel, as panels have by design.
  bool Bevel() const { return bevel_; }
  void SetBevel(bool on);

 private:
  bool bevel_ = true;
};

// A static text (labels and static texts of the form).
class Label : public Component {
 public:
  explicit Label(std::string name) : Component(Kind::kLabel, std::move(name)) {}
  Alignment GetAlignment() const { return alignment_; }
  void SetAlignment(Alignment a);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool on);

 private:
  Alignment alignment_ = Alignment::kLeft;
  bool wordWrap_ = false;
};

// A flat button drawn over whatever lies beneath it (navigation, option and
// action buttons); it may carry a glyph.
class FlatButton : public Component {
 public:
  explicit FlatButton(std::string name) : Component(Kind::kFlatButton, std::move(name)) {}
  const Picture& Glyph() const { return glyph_; }
  void SetGlyph(const Picture& p);
  // A transparent button shows what lies beneath it; otherwise it has a face.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on);

 private:
  Picture glyph_;
  bool transparent_ = true;
};

class Button : public Component {
 public:
  explicit Button(std::string name) : Component(Kind::kButton, std::move(name)) {}
};

class GroupBox : public Component {
 public:
  explicit GroupBox(std::string name) : Component(Kind::kGroupBox, std::move(name)) {}
};

class Image : public Component {
 public:
  explicit Image(std::string name) : Component(Kind::kImage, std::move(name)) {}
  const Picture& GetPicture() const { return picture_; }
  void SetPicture(const Picture& p);
  void SetDesignPicture(DesignPicture d) { SetPicture(Picture::Design(d)); }
  // Shows a bitmap file (native path) in place of the design picture.
  void LoadFromFile(const std::string& nativePath);
  bool Stretch() const { return stretch_; }
  void SetStretch(bool on);

 private:
  Picture picture_;
  bool stretch_ = true;
};

// A list of same-sized pictures, indexed by list rows and buttons. Not a
// visual component of its own.
class ImageList {
 public:
  ImageList(std::string name, int width, int height)
      : name_(std::move(name)), width_(width), height_(height) {}
  const std::string& Name() const { return name_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void Add(const Picture& p) { pictures_.push_back(p); }
  int Count() const { return static_cast<int>(pictures_.size()); }
  // nullptr for an index outside the list.
  const Picture* At(int index) const;

 private:
  std::string name_;
  int width_;
  int height_;
  std::vector<Picture> pictures_;
};

}  // namespace ui
