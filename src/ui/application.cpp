#include "ui/application.h"

#include <algorithm>
#include <exception>

#include "ui/form.h"

namespace ui {

Application::Application(Toolkit& toolkit) : toolkit_(toolkit) { toolkit_.Attach(*this); }

Application::~Application() {
  for (Timer* t : timers_) t->SetListener(nullptr);
}

void Application::Post(std::function<void()> message) {
  posted_.push_back(std::move(message));
  toolkit_.MessagePosted();
}

void Application::PostClose(Form& form) {
  Post([this, &form] { RequestClose(form); });
}

void Application::DispatchPosted() {
  // Only what is waiting now: a message that posts another does not loop here.
  size_t n = posted_.size();
  while (n-- > 0 && !posted_.empty()) {
    std::function<void()> m = std::move(posted_.front());
    posted_.pop_front();
    Dispatch(m);
  }
}

void Application::RunGuarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    toolkit_.ShowException(e.what());
  } catch (...) {
    toolkit_.ShowException("Unknown exception");
  }
}

void Application::Dispatch(const std::function<void()>& handler) {
  ++depth_;
  RunGuarded(handler);
  --depth_;
  if (depth_ == 0) RunPendingClose();
}

void Application::RequestClose(Form& form) {
  if (depth_ > 0) {
    pendingClose_ = &form;
    return;
  }
  ++depth_;
  RunGuarded([&form] { form.Close(); });
  --depth_;
}

void Application::RunPendingClose() {
  if (!pendingClose_) return;
  Form* form = pendingClose_;
  pendingClose_ = nullptr;
  RequestClose(*form);
}

ModalResult Application::MessageBox(const std::string& text, const std::string& caption,
                                    MsgButtons buttons, MsgIcon icon, ModalResult defaultButton) {
  return toolkit_.MessageBox(MessageBoxRequest{text, caption, buttons, icon, defaultButton});
}

bool Application::InputQuery(const std::string& caption, const std::string& prompt,
                             std::string& value) {
  return toolkit_.InputQuery(caption, prompt, value);
}

void Application::AddTimer(Timer& timer) {
  if (std::find(timers_.begin(), timers_.end(), &timer) != timers_.end()) return;
  timers_.push_back(&timer);
  timer.SetListener(this);
  toolkit_.TimerChanged(timer);
}

void Application::TimerDestroyed(Timer& timer) {
  timers_.erase(std::remove(timers_.begin(), timers_.end(), &timer), timers_.end());
  toolkit_.TimerRemoved(timer);
}

void Application::Terminate() {
  if (terminated_) return;
  terminated_ = true;
  toolkit_.Quit();
}

}  // namespace ui
