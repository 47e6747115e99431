// The window's look in every visual variant, checked on the model: where the
// body, the title bar and the status bar lie, and whether every caption reads
// on what lies behind it.
#include <gtest/gtest.h>

#include <functional>

#include "form_fixture.h"
#include "ui/contrast.h"

namespace app::testing {
namespace {

using ui::Rect;

struct Variant {
  const char* name;
  const char* settings;
  std::vector<const char*> bitmaps;
};

const std::vector<Variant>& Variants() {
  static const std::vector<Variant> v{
      {"plain", "[Option]\nEnableOption=1\nEnableSummary=1\n", {}},
      {"dark", "[Option]\nCustomerType=1\nEnableOption=1\nEnableSummary=1\n", {}},
      {"skinned",
       "[Option]\nEnableOption=1\nEnableSummary=1\n",
       {"SSDItemIcon.BMP", "SSDOptionIcon.BMP", "SSDSummaryIcon.BMP"}},
      {"dark skinned",
       "[Option]\nCustomerType=1\nEnableOption=1\nEnableSummary=1\n",
       {"SSDItemIcon.BMP"}},
      {"title bar only", "[Option]\nEnableOption=1\nEnableSummary=1\n", {"Title.BMP"}},
      {"update only", "[Option]\nUpdateFWOnly=1\nEnableSummary=1\n", {"UpdateFWIcon.BMP"}},
  };
  return v;
}

void ForEach(ui::Component& c, const std::function<void(ui::Component&)>& f) {
  f(c);
  for (ui::Component* child : c.Children()) ForEach(*child, f);
}

bool Within(const ui::Component* c, const ui::Component* ancestor) {
  for (; c; c = c->Parent()) {
    if (c == ancestor) return true;
  }
  return false;
}

// The part of a component that shows, in window coordinates.
Rect ShownRect(const ui::Component& c) {
  Rect r = c.Bounds();
  for (const ui::Component* p = c.Parent(); p && p->Parent(); p = p->Parent()) {
    r.left += p->Left();
    r.top += p->Top();
    const int right = std::min(r.Right(), p->Left() + p->Width());
    const int bottom = std::min(r.Bottom(), p->Top() + p->Height());
    r.left = std::max(r.left, p->Left());
    r.top = std::max(r.top, p->Top());
    r.width = std::max(0, right - r.left);
    r.height = std::max(0, bottom - r.top);
  }
  return r;
}

bool Intersects(const Rect& a, const Rect& b) {
  return a.width > 0 && a.height > 0 && b.width > 0 && b.height > 0 && a.left < b.Right() &&
         b.left < a.Right() && a.top < b.Bottom() && b.top < a.Bottom();
}

// Every showing component that lies over `bar` without belonging to it.
std::vector<std::string> Over(TUpdateDispaly& w, ui::Component& bar,
                              std::vector<ui::Component*> members) {
  std::vector<std::string> found;
  if (!bar.Showing()) return found;
  members.push_back(&bar);
  const Rect barRect = ShownRect(bar);
  ForEach(w, [&](ui::Component& c) {
    if (&c == &w || !c.Showing() || Within(&bar, &c)) return;
    for (ui::Component* m : members) {
      if (Within(&c, m)) return;
    }
    if (Intersects(ShownRect(c), barRect)) found.push_back(c.Name());
  });
  return found;
}

TEST(FormLook, NoControlLiesOverTheStatusBarOrTheTitleBarOnAnyPageOfAnyVariant) {
  for (const Variant& v : Variants()) {
    FormFixture f;
    f.Settings(v.settings);
    for (const char* b : v.bitmaps) f.Bitmap(b);
    TUpdateDispaly& w = f.CreateAndShow();
    const bool titleBar = w.PN_MainTitle.Visible();
    EXPECT_EQ(titleBar, !v.bitmaps.empty() && std::string(v.name) != "plain") << v.name;
    // The body lies below the title bar, and the window grows by the bar.
    EXPECT_EQ(w.PN_MainObj.Top(), titleBar ? 26 : 0) << v.name;
    EXPECT_EQ(w.ClientHeight(), titleBar ? 659 + 26 : 659) << v.name;
    EXPECT_EQ(w.ClientWidth(), 982) << v.name;
    EXPECT_EQ(w.StatusBar1.Bounds(), (Rect{0, w.ClientHeight() - 25, 982, 25})) << v.name;
    EXPECT_EQ(w.PN_StatusBar.Top(), w.StatusBar1.Top() + 5) << v.name;
    for (ui::Component* page :
         {&w.T_DeviceInfo, &w.T_Smart, &w.T_SummaryPage, &w.T_UpdateFW, &w.T_OptionPage}) {
      if (!page->Showing()) continue;
      page->Click();
      const std::vector<std::string> overStatus =
          Over(w, w.StatusBar1, {&w.PN_StatusBar, &w.ProcessBar, &w.PN_ICType});
      EXPECT_TRUE(overStatus.empty())
          << v.name << " / " << page->Name() << ": " << ::testing::PrintToString(overStatus);
      const std::vector<std::string> overTitle = Over(w, w.PN_MainTitle, {});
      EXPECT_TRUE(overTitle.empty())
          << v.name << " / " << page->Name() << ": " << ::testing::PrintToString(overTitle);
    }
    // The controls that covered the status text before: both lie above it.
    EXPECT_LT(ShownRect(w.T_Start).Bottom(), w.StatusBar1.Top()) << v.name;
    EXPECT_LT(ShownRect(w.T_SendErase).Bottom(), w.StatusBar1.Top()) << v.name;
  }
}

TEST(FormLook, ThePlainVariantKeepsTheDesignGeometry) {
  FormFixture f;
  TUpdateDispaly& w = f.CreateAndShow();
  EXPECT_FALSE(w.PN_MainTitle.Visible());
  EXPECT_EQ(w.PN_MainObj.Bounds(), (Rect{0, 0, 982, 632}));
  EXPECT_EQ(w.StatusBar1.Bounds(), (Rect{0, 634, 982, 25}));
  EXPECT_EQ(w.ClientHeight(), 659);
}

TEST(FormLook, EveryCaptionReadsOnItsBackgroundInEveryVariant) {
  for (const Variant& v : Variants()) {
    FormFixture f;
    f.Settings(v.settings);
    for (const char* b : v.bitmaps) f.Bitmap(b);
    TUpdateDispaly& w = f.CreateAndShow();
    int checked = 0;
    ForEach(w, [&](ui::Component& c) {
      const ui::Kind k = c.GetKind();
      if (k != ui::Kind::kLabel && k != ui::Kind::kGroupBox && k != ui::Kind::kCheckBox) return;
      if (ui::LiesOnPicture(c)) return;
      const double ratio =
          ui::ContrastRatio(ui::TextColorOf(c), ui::BackgroundOf(c, ui::kColorWhite));
      ++checked;
      // The status texts are grey by design: on white that is 3.9:1.
      if (&c == &w.LB_StatusBar || &c == &w.LB_ICType) {
        EXPECT_GE(ratio, 3.9) << v.name << " / " << c.Name();
        return;
      }
      EXPECT_GE(ratio, ui::kReadableContrast) << v.name << " / " << c.Name();
    });
    EXPECT_GE(checked, 40) << v.name;
  }
}

TEST(FormLook, TheDarkSchemeLightensTheCaptionsOfItsDarkPagesOnly) {
  FormFixture f;
  f.Settings("[Option]\nCustomerType=1\nEnableOption=1\nEnableSummary=1\n");
  TUpdateDispaly& w = f.Create();
  for (ui::Component* c :
       {static_cast<ui::Component*>(&w.ST_InfoType), static_cast<ui::Component*>(&w.ST_DeviceName),
        static_cast<ui::Component*>(&w.STC_SubItem),
        static_cast<ui::Component*>(&w.GB_UpdateSetting)}) {
    EXPECT_GE(ui::ContrastRatio(c->GetFont().color, 3421491u), 7.0) << c->Name();
  }
  // Colours of their own stay: the summary groups on their white page, the
  // Start caption on its picture.
  EXPECT_EQ(w.GB_SSDInfoSummary.GetFont().color, 8806144u);
  EXPECT_EQ(w.ST_ModelName.GetFont().color, ui::kColorDefault);

  FormFixture plain;
  TUpdateDispaly& p = plain.Create();
  EXPECT_EQ(p.ST_InfoType.GetFont().color, ui::kColorDefault);
}

TEST(FormLook, TheStartPictureFollowsTheCaptionColour) {
  struct Case {
    const char* settings;
    ui::DesignPicture picture;
  };
  // The default FFUStartColor is a light blue: the dark face. Black or a deep
  // red: the light face. No settings leaves the caption black.
  for (const Case& c : {Case{"[Option]\nErrorLog=0\n", ui::DesignPicture::kStartButton},
                        Case{"[Option]\nFFUStartColor=0\n", ui::DesignPicture::kStartButtonLight},
                        Case{"[Option]\nFFUStartColor=128\n", ui::DesignPicture::kStartButtonLight},
                        Case{"[Option]\nFFUStartColor=16777215\n", ui::DesignPicture::kStartButton},
                        Case{"", ui::DesignPicture::kStartButtonLight}}) {
    FormFixture f;
    if (*c.settings) f.Settings(c.settings);
    TUpdateDispaly& w = f.Create();
    EXPECT_EQ(w.Image6.GetPicture().design, c.picture) << c.settings;
    const ui::TColor face =
        c.picture == ui::DesignPicture::kStartButton ? ui::kStartFaceDark : ui::kStartFaceLight;
    EXPECT_GE(ui::ContrastRatio(ui::TextColorOf(w.LB_Start), face), ui::kReadableContrast)
        << c.settings;
  }
  // The default colour on the old green face read at 1.9:1; on ours it reads.
  EXPECT_LT(ui::ContrastRatio(16498754u, ui::RGB(0x3C, 0xB8, 0x6E)), 2.0);
  EXPECT_GE(ui::ContrastRatio(16498754u, ui::kStartFaceDark), ui::kReadableContrast);

  // A bitmap of the user's stays on the button; the choice is only its fallback.
  FormFixture f;
  f.Bitmap("FFUStart.BMP");
  TUpdateDispaly& w = f.Create();
  EXPECT_EQ(w.Image6.GetPicture().file, f.Native("Res/FFUStart.BMP"));
}

}  // namespace
}  // namespace app::testing
