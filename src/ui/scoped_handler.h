#pragma once
// A page takes over an event of a component it does not own (a form's list
// painting, a navigation hook) for as long as it lives: ScopedHandler puts the
// page's handler in and, when dropped, puts back whatever was there before, so
// nobody has to re-create another object's private handler. Connections is a
// bag of them, released newest first.
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace ui {

template <typename Signature>
class ScopedHandler {
 public:
  ScopedHandler(std::function<Signature>& slot, std::function<Signature> handler)
      : slot_(&slot), previous_(std::exchange(slot, std::move(handler))) {}
  ~ScopedHandler() { Release(); }
  ScopedHandler(ScopedHandler&& other) noexcept
      : slot_(std::exchange(other.slot_, nullptr)), previous_(std::move(other.previous_)) {}
  ScopedHandler& operator=(ScopedHandler&&) = delete;
  ScopedHandler(const ScopedHandler&) = delete;
  ScopedHandler& operator=(const ScopedHandler&) = delete;

  // Gives the slot back now.
  void Release() {
    if (slot_) *slot_ = std::move(previous_);
    slot_ = nullptr;
  }

 private:
  std::function<Signature>* slot_;
  std::function<Signature> previous_;
};

class Connections {
 public:
  Connections() = default;
  ~Connections() { Clear(); }
  Connections(const Connections&) = delete;
  Connections& operator=(const Connections&) = delete;

  template <typename Signature, typename F>
  void Connect(std::function<Signature>& slot, F&& handler) {
    held_.push_back(std::make_unique<Held<Signature>>(slot, std::forward<F>(handler)));
  }
  // Newest first, so a slot connected twice ends up as it was at the start.
  void Clear() {
    while (!held_.empty()) held_.pop_back();
  }

 private:
  struct Base {
    virtual ~Base() = default;
  };
  template <typename Signature>
  struct Held : Base {
    template <typename F>
    Held(std::function<Signature>& slot, F&& f)
        : handler(slot, std::function<Signature>(std::forward<F>(f))) {}
    ScopedHandler<Signature> handler;
  };
  std::vector<std::unique_ptr<Base>> held_;
};

}  // namespace ui
