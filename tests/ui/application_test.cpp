#include "ui/application.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/virtual_os.h"
#include "ui/form.h"
#include "ui/headless_toolkit.h"

namespace ui {
namespace {

struct Headless {
  os::VirtualOs os;
  HeadlessToolkit toolkit{os};
  Application app{toolkit};
  uint64_t Now() { return os.GetTickCount64(); }
};

TEST(HeadlessTimers, FireOnTheVirtualClockAndEnablingAgainDoesNotRestart) {
  Headless h;
  Timer t("t", 2000, false);
  std::vector<uint64_t> ticks;
  t.OnTimer = [&] {
    ticks.push_back(h.Now());
    t.SetEnabled(false);
  };
  h.app.AddTimer(t);
  t.SetEnabled(true);
  h.toolkit.RunFor(1500);
  EXPECT_TRUE(ticks.empty());
  t.SetEnabled(true);  // already running: the interval goes on
  h.toolkit.RunFor(1000);
  EXPECT_EQ(ticks, std::vector<uint64_t>{2000});
  // Once disabled it stays quiet; enabling again starts a fresh interval.
  h.toolkit.RunFor(5000);
  EXPECT_EQ(ticks.size(), 1u);
  t.SetEnabled(true);
  h.toolkit.RunFor(2000);
  EXPECT_EQ(ticks, (std::vector<uint64_t>{2000, 9500}));
}

TEST(HeadlessTimers, NewIntervalRestartsAndZeroNeverFires) {
  Headless h;
  Timer t("t", 1000, true);
  int n = 0;
  t.OnTimer = [&] { ++n; };
  h.app.AddTimer(t);
  h.toolkit.RunFor(900);
  t.SetInterval(1000);  // same value: no restart
  h.toolkit.RunFor(100);
  EXPECT_EQ(n, 1);
  t.SetInterval(500);
  h.toolkit.RunFor(1000);
  EXPECT_EQ(n, 3);
  t.SetInterval(0);
  EXPECT_FALSE(h.toolkit.NextDue().has_value());
  EXPECT_FALSE(h.toolkit.RunUntil([] { return false; }));  // nothing can happen any more
  EXPECT_EQ(n, 3);
}

TEST(HeadlessTimers, AHandlerThatPumpsMessagesDoesNotReenterItself) {
  Headless h;
  Timer slow("slow", 100, true);
  Timer other("other", 100, true);
  int depth = 0;
  int maxDepth = 0;
  int slowTicks = 0;
  int otherTicks = 0;
  slow.OnTimer = [&] {
    ++slowTicks;
    maxDepth = std::max(maxDepth, ++depth);
    // A long operation: sleeps past its own interval and lets messages run.
    for (int i = 0; i < 5; ++i) {
      h.os.Sleep(150);
      h.app.ProcessMessages();
    }
    --depth;
  };
  other.OnTimer = [&] { ++otherTicks; };
  h.app.AddTimer(slow);
  h.app.AddTimer(other);
  h.toolkit.RunFor(100);
  EXPECT_EQ(slowTicks, 1);
  EXPECT_EQ(maxDepth, 1);
  EXPECT_GE(otherTicks, 5);  // the other timer kept running meanwhile
}

TEST(HeadlessTimers, ADestroyedTimerIsForgotten) {
  Headless h;
  {
    Timer t("t", 10, true);
    h.app.AddTimer(t);
    EXPECT_EQ(h.app.Timers().size(), 1u);
  }
  EXPECT_TRUE(h.app.Timers().empty());
  EXPECT_FALSE(h.toolkit.NextDue().has_value());
}

TEST(Application, PostedMessagesRunInOrderAfterTheCurrentOne) {
  Headless h;
  std::vector<std::string> order;
  h.app.Post([&] {
    order.push_back("a");
    h.app.Post([&] { order.push_back("c"); });
  });
  h.app.Post([&] { order.push_back("b"); });
  h.app.ProcessMessages();
  EXPECT_EQ(order, (std::vector<std::string>{"a", "b"}));
  h.app.ProcessMessages();
  EXPECT_EQ(order, (std::vector<std::string>{"a", "b", "c"}));
}

TEST(Application, AnExceptionInAHandlerIsShownAndTheLoopGoesOn) {
  Headless h;
  int after = 0;
  h.app.Post([] { throw std::runtime_error("Access violation at address 0"); });
  h.app.Post([&] { ++after; });
  h.app.ProcessMessages();
  EXPECT_EQ(h.toolkit.Exceptions(), std::vector<std::string>{"Access violation at address 0"});
  EXPECT_EQ(after, 1);
}

TEST(Application, ACloseAskedForInsideAHandlerWaitsUntilTheHandlerReturns) {
  Headless h;
  Form form(h.app, "form");
  std::vector<std::string> order;
  form.OnClose = [&] { order.push_back("close"); };
  h.app.Dispatch([&] {
    order.push_back("update starts");
    h.app.PostClose(form);
    h.app.ProcessMessages();  // the close message is taken from the queue here...
    order.push_back("update ends");
  });
  // ...but runs only after the operation that pumped the messages.
  EXPECT_EQ(order, (std::vector<std::string>{"update starts", "update ends", "close"}));
  EXPECT_TRUE(form.Closed());
  EXPECT_TRUE(h.app.Terminated());
  EXPECT_TRUE(h.toolkit.QuitRequested());
  form.Close();  // a second close changes nothing
  EXPECT_EQ(order.size(), 3u);
}

TEST(Application, RunUntilStopsWhenTheFormCloses) {
  Headless h;
  Form form(h.app, "form");
  Timer t("t", 300, true);
  t.OnTimer = [&] { h.app.PostClose(form); };
  h.app.AddTimer(t);
  EXPECT_TRUE(h.toolkit.RunUntil([] { return false; }));
  EXPECT_TRUE(form.Closed());
  EXPECT_EQ(h.Now(), 300u);
}

TEST(Dialogs, PoliciesAndScriptedAnswers) {
  EXPECT_EQ(AnswerFor(AnswerPolicy::kCautious, MsgButtons::kOK), ModalResult::kOK);
  EXPECT_EQ(AnswerFor(AnswerPolicy::kCautious, MsgButtons::kYesNo), ModalResult::kNo);
  EXPECT_EQ(AnswerFor(AnswerPolicy::kCautious, MsgButtons::kOKCancel), ModalResult::kCancel);
  EXPECT_EQ(AnswerFor(AnswerPolicy::kYes, MsgButtons::kYesNo), ModalResult::kYes);
  EXPECT_EQ(AnswerFor(AnswerPolicy::kYes, MsgButtons::kOKCancel), ModalResult::kOK);
  EXPECT_EQ(AnswerFor(AnswerPolicy::kNo, MsgButtons::kYesNoCancel), ModalResult::kNo);
  EXPECT_EQ(AnswerFor(AnswerPolicy::kNo, MsgButtons::kOK), ModalResult::kOK);

  Headless h;
  h.toolkit.SetAnswerPolicy(AnswerPolicy::kYes);
  h.toolkit.ScriptAnswer(ModalResult::kNo);
  EXPECT_EQ(h.app.MessageBox("Erase?", "Message", MsgButtons::kYesNo, MsgIcon::kExclamation),
            ModalResult::kNo);
  EXPECT_EQ(h.app.MessageBox("Again?", "", MsgButtons::kYesNo, MsgIcon::kQuestion),
            ModalResult::kYes);
  ASSERT_EQ(h.toolkit.Dialogs().size(), 2u);
  EXPECT_EQ(h.toolkit.Dialogs()[0].request.caption, "Message");
  EXPECT_EQ(h.toolkit.Dialogs()[0].request.icon, MsgIcon::kExclamation);

  std::string value = "kept";
  EXPECT_FALSE(h.app.InputQuery("Switch to RD mode....", "Password", value));
  EXPECT_EQ(value, "kept");
  h.toolkit.ScriptInput(std::string(" QXJ "));
  EXPECT_TRUE(h.app.InputQuery("Switch to RD mode....", "Password", value));
  EXPECT_EQ(value, " QXJ ");
}

TEST(Dialogs, EnterPressesTheDefaultButtonOrElseTheFirst) {
  MessageBoxRequest r{"Erase?", "", MsgButtons::kYesNo, MsgIcon::kExclamation};
  EXPECT_EQ(EnterAnswer(r), ModalResult::kYes);
  r.defaultButton = ModalResult::kNo;
  EXPECT_EQ(EnterAnswer(r), ModalResult::kNo);
  // A default the box does not have cannot be pressed: the first button is.
  r.buttons = MsgButtons::kRetryCancel;
  EXPECT_EQ(EnterAnswer(r), ModalResult::kRetry);
  r.buttons = MsgButtons::kOKCancel;
  r.defaultButton = ModalResult::kCancel;
  EXPECT_EQ(EnterAnswer(r), ModalResult::kCancel);

  Headless h;
  h.toolkit.SetAnswerPolicy(AnswerPolicy::kYes);
  h.toolkit.ScriptEnter();
  h.toolkit.ScriptEnter();
  EXPECT_EQ(
      h.app.MessageBox("Erase?", "", MsgButtons::kYesNo, MsgIcon::kQuestion, ModalResult::kNo),
      ModalResult::kNo);
  EXPECT_EQ(h.app.MessageBox("Done", "", MsgButtons::kOK, MsgIcon::kNone), ModalResult::kOK);
  ASSERT_EQ(h.toolkit.Dialogs().size(), 2u);
  EXPECT_EQ(h.toolkit.Dialogs()[0].request.defaultButton, ModalResult::kNo);
  EXPECT_EQ(h.toolkit.Dialogs()[1].request.defaultButton, ModalResult::kNone);
}

}  // namespace
}  // namespace ui
