// A page's handlers come and go without the owner of the event re-creating
// its own handler.
#include "ui/scoped_handler.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ScopedHandlerTest, DroppingConnectionsRestoresWhatWasThereNewestFirst) {
  std::string calls;
  std::function<void()> slot = [&] { calls += "own "; };
  {
    ui::Connections page;
    page.Connect(slot, [&] { calls += "page "; });
    slot();
    {
      ui::Connections overlay;
      overlay.Connect(slot, [&] { calls += "overlay "; });
      overlay.Connect(slot, [&] { calls += "overlay2 "; });
      slot();
    }
    slot();
  }
  slot();
  EXPECT_EQ(calls, "page overlay2 page own ");
}

TEST(ScopedHandlerTest, AMovedHandlerRestoresOnceAndAnEmptySlotStaysEmpty) {
  std::function<int(int)> slot;
  {
    ui::ScopedHandler<int(int)> a(slot, [](int x) { return x + 1; });
    ui::ScopedHandler<int(int)> b(std::move(a));
    EXPECT_EQ(slot(1), 2);
    a.Release();  // the moved-from handler gives nothing back
    EXPECT_TRUE(static_cast<bool>(slot));
  }
  EXPECT_FALSE(static_cast<bool>(slot));
}

}  // namespace
