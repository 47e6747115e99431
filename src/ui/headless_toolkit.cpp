#include "ui/headless_toolkit.h"

#include <algorithm>

namespace ui {

HeadlessToolkit::Entry* HeadlessToolkit::Find(Timer* t) {
  for (Entry& e : timers_) {
    if (e.timer == t) return &e;
  }
  return nullptr;
}

void HeadlessToolkit::TimerChanged(Timer& timer) {
  Entry* e = Find(&timer);
  if (!e) {
    timers_.push_back({&timer, false, 0});
    e = &timers_.back();
  }
  e->armed = timer.Armed();
  if (e->armed) e->due = os_.GetTickCount64() + timer.Interval();
}

void HeadlessToolkit::TimerRemoved(Timer& timer) {
  timers_.erase(std::remove_if(timers_.begin(), timers_.end(),
                               [&timer](const Entry& e) { return e.timer == &timer; }),
                timers_.end());
}

void HeadlessToolkit::ProcessMessages() {
  if (!app_) return;
  app_->DispatchPosted();
  // A handler may enable, disable or destroy timers: work from a snapshot and
  // look each one up again before firing it.
  std::vector<Timer*> snapshot;
  for (const Entry& e : timers_) snapshot.push_back(e.timer);
  for (Timer* t : snapshot) {
    Entry* e = Find(t);
    if (!e || !e->armed || t->Ticking()) continue;
    const uint64_t now = os_.GetTickCount64();
    if (e->due > now) continue;
    e->due = now + t->Interval();
    app_->Dispatch([t] { t->Tick(); });
  }
}

std::optional<uint64_t> HeadlessToolkit::NextDue() const {
  std::optional<uint64_t> next;
  for (const Entry& e : timers_) {
    if (e.armed && (!next || e.due < *next)) next = e.due;
  }
  return next;
}

void HeadlessToolkit::SleepUntil(uint64_t due) {
  const uint64_t now = os_.GetTickCount64();
  if (due > now) os_.Sleep(static_cast<os::DWORD>(std::min<uint64_t>(due - now, 0xFFFFFFFEu)));
}

bool HeadlessToolkit::RunUntil(const std::function<bool()>& done) {
  for (;;) {
    if (done() || (app_ && app_->Terminated())) return true;
    ProcessMessages();
    if (done() || (app_ && app_->Terminated())) return true;
    if (app_ && app_->HasPosted()) continue;
    const std::optional<uint64_t> next = NextDue();
    if (!next) return false;
    SleepUntil(*next);
  }
}

void HeadlessToolkit::RunFor(uint64_t ms) {
  const uint64_t end = os_.GetTickCount64() + ms;
  for (;;) {
    ProcessMessages();
    if (app_ && app_->HasPosted()) continue;
    const uint64_t now = os_.GetTickCount64();
    if (now >= end) return;
    const std::optional<uint64_t> next = NextDue();
    SleepUntil(next ? std::min(*next, end) : end);
  }
}

ModalResult HeadlessToolkit::MessageBox(const MessageBoxRequest& request) {
  ModalResult answer;
  if (!scriptedAnswers_.empty()) {
    answer = scriptedAnswers_.front().value_or(EnterAnswer(request));
    scriptedAnswers_.pop_front();
  } else {
    answer = AnswerFor(policy_, request.buttons);
  }
  dialogs_.push_back({request, answer});
  if (echo_) {
    *echo_ << "[" << request.caption << "] " << request.text << " -> " << ModalResultName(answer)
           << "\n";
  }
  return answer;
}

bool HeadlessToolkit::InputQuery(const std::string& caption, const std::string& prompt,
                                 std::string& value) {
  std::optional<std::string> answer;
  if (!scriptedInputs_.empty()) {
    answer = scriptedInputs_.front();
    scriptedInputs_.pop_front();
  }
  inputs_.push_back({caption, prompt, answer});
  if (echo_)
    *echo_ << "[" << caption << "] " << prompt << ": " << (answer ? "answered" : "cancelled")
           << "\n";
  if (!answer) return false;
  value = *answer;
  return true;
}

void HeadlessToolkit::ShowException(const std::string& message) {
  exceptions_.push_back(message);
  if (echo_) *echo_ << "Exception: " << message << "\n";
}

}  // namespace ui
