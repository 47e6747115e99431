#include "gui/qt/design_pictures.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "qt_fixture.h"

namespace guiqt::testing {
namespace {

int OpaquePixels(const QPixmap& pm) {
  const QImage img = pm.toImage();
  int n = 0;
  for (int y = 0; y < img.height(); ++y) {
    for (int x = 0; x < img.width(); ++x) n += img.pixelColor(x, y).alpha() > 0;
  }
  return n;
}

TEST(DesignPictures, EveryPictureDrawsSomethingAtItsSize) {
  EnsureApplication();
  struct Case {
    ui::DesignPicture picture;
    QSize size;
  };
  for (const Case& c :
       {Case{ui::DesignPicture::kTitleBar, {982, 26}}, Case{ui::DesignPicture::kBanner, {530, 100}},
        Case{ui::DesignPicture::kLogo, {180, 180}}, Case{ui::DesignPicture::kItemIcon, {210, 180}},
        Case{ui::DesignPicture::kOptionIcon, {207, 49}},
        Case{ui::DesignPicture::kSummaryIcon, {207, 49}},
        Case{ui::DesignPicture::kStartButton, {146, 90}},
        Case{ui::DesignPicture::kOptionItem, {138, 35}},
        Case{ui::DesignPicture::kOptionItemHot, {138, 35}},
        Case{ui::DesignPicture::kStateWaiting, {16, 16}},
        Case{ui::DesignPicture::kStatePassed, {16, 16}},
        Case{ui::DesignPicture::kStateFailed, {16, 16}},
        Case{ui::DesignPicture::kStateInProgress, {16, 16}},
        Case{ui::DesignPicture::kCheck, {36, 36}}, Case{ui::DesignPicture::kCross, {36, 36}}}) {
    const QPixmap pm = RenderDesignPicture(c.picture, c.size);
    EXPECT_EQ(pm.size(), c.size);
    EXPECT_GT(OpaquePixels(pm), c.size.width() * c.size.height() / 10)
        << static_cast<int>(c.picture);
  }
  EXPECT_TRUE(RenderDesignPicture(ui::DesignPicture::kNone, {10, 10}).isNull());
}

TEST(DesignPictures, RowStatesAreTellApartByColour) {
  EnsureApplication();
  auto centre = [](ui::DesignPicture p) {
    return RenderDesignPicture(p, {16, 16}).toImage().pixelColor(3, 8);
  };
  const QColor passed = centre(ui::DesignPicture::kStatePassed);
  const QColor failed = centre(ui::DesignPicture::kStateFailed);
  EXPECT_GT(passed.green(), passed.red());
  EXPECT_GT(failed.red(), failed.green());
  EXPECT_NE(centre(ui::DesignPicture::kStateWaiting), centre(ui::DesignPicture::kStateInProgress));
}

TEST(DesignPictures, ABitmapFileReplacesTheDesignAndABrokenOneDoesNot) {
  EnsureApplication();
  testsupport::TempDir dir;
  QImage red(8, 4, QImage::Format_RGB32);
  red.fill(Qt::red);
  const std::string good = dir.Str() + "/Title.BMP";
  ASSERT_TRUE(red.save(QString::fromStdString(good), "BMP"));
  const std::string bad = dir.Write("Broken.BMP", "BM\x10\x00garbage").string();

  const QPixmap fromFile = PictureToPixmap({ui::DesignPicture::kTitleBar, good}, {982, 26});
  EXPECT_EQ(fromFile.size(), QSize(8, 4));
  EXPECT_EQ(fromFile.toImage().pixelColor(1, 1), QColor(Qt::red));
  const QPixmap fallback = PictureToPixmap({ui::DesignPicture::kTitleBar, bad}, {982, 26});
  EXPECT_EQ(fallback.size(), QSize(982, 26));
  const QPixmap missing =
      PictureToPixmap({ui::DesignPicture::kCheck, dir.Str() + "/none.bmp"}, {36, 36});
  EXPECT_EQ(missing.size(), QSize(36, 36));
}

}  // namespace
}  // namespace guiqt::testing
