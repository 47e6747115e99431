#include "ui/contrast.h"

#include <gtest/gtest.h>

#include "ui/controls.h"

namespace ui {
namespace {

TEST(Contrast, RatiosOfKnownPairs) {
  // Worked out from the sRGB luminance formula: white 1.0, black 0.0,
  // grey 0x80 0.2159, the dark page grey (51, 53, 52) 0.035.
  EXPECT_DOUBLE_EQ(ContrastRatio(kColorBlack, kColorWhite), 21.0);
  EXPECT_DOUBLE_EQ(ContrastRatio(kColorWhite, kColorBlack), 21.0);
  EXPECT_DOUBLE_EQ(ContrastRatio(0x123456, 0x123456), 1.0);
  EXPECT_NEAR(ContrastRatio(kColorGray, kColorWhite), 3.95, 0.01);
  EXPECT_NEAR(RelativeLuminance(RGB(51, 53, 52)), 0.035, 0.0005);
  // Black captions on the dark page grey: what the dark scheme showed.
  EXPECT_NEAR(ContrastRatio(kColorBlack, RGB(51, 53, 52)), 1.70, 0.01);
  // Pure green weighs most, blue least.
  EXPECT_NEAR(RelativeLuminance(RGB(0, 255, 0)), 0.7152, 1e-9);
  EXPECT_NEAR(RelativeLuminance(RGB(0, 0, 255)), 0.0722, 1e-9);
  EXPECT_EQ(RelativeLuminance(kColorDefault), 0.0);
}

TEST(Contrast, BetterBackgroundPicksTheFaceTheTextReadsOn) {
  EXPECT_EQ(BetterBackground(kColorWhite, kColorBlack, kColorWhite), kColorBlack);
  EXPECT_EQ(BetterBackground(kColorBlack, kColorBlack, kColorWhite), kColorWhite);
  // A tie keeps the first.
  EXPECT_EQ(BetterBackground(kColorGray, kColorGray, kColorGray), kColorGray);
}

TEST(Contrast, ColoursPassDownTheTreeAndPicturesBeneathAreFound) {
  Panel page("page");
  page.SetColor(RGB(51, 53, 52));
  page.SetFontColor(kColorWhite);
  Label caption("caption");
  caption.SetParent(&page);
  caption.SetBounds({10, 10, 100, 20});
  EXPECT_EQ(BackgroundOf(caption, kColorBtnFace), RGB(51, 53, 52));
  EXPECT_EQ(TextColorOf(caption), kColorWhite);
  caption.SetFontColor(kColorRed);
  EXPECT_EQ(TextColorOf(caption), kColorRed);
  Label alone("alone");
  EXPECT_EQ(BackgroundOf(alone, kColorBtnFace), kColorBtnFace);
  EXPECT_EQ(TextColorOf(alone), kColorBlack);

  EXPECT_FALSE(LiesOnPicture(caption));
  Image picture("picture");
  picture.SetParent(&page);
  picture.SetBounds({0, 0, 50, 50});
  // A later sibling lies above the caption, not beneath it.
  EXPECT_FALSE(LiesOnPicture(caption));
  Label onTop("onTop");
  onTop.SetParent(&page);
  onTop.SetBounds({40, 40, 30, 20});
  EXPECT_TRUE(LiesOnPicture(onTop));
  onTop.SetLeft(50);
  EXPECT_FALSE(LiesOnPicture(onTop));
  onTop.SetLeft(40);
  picture.Hide();
  EXPECT_FALSE(LiesOnPicture(onTop));
}

}  // namespace
}  // namespace ui
