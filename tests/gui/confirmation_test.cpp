// The window's questions as Qt shows them: Enter presses the default button
// the model asks for, so a question whose Yes destroys data is answered No by
// a stray Enter, in a real message box and on the erase page of the window.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>
#include <vector>

#include "form/device_scan/app_device_scanner.h"
#include "lab/demo/open_lab.h"
#include "pages/maintenance/erase_page.h"
#include "qt_fixture.h"
#include "support/lab_builder.h"

namespace guiqt::testing {
namespace {

// What the message box showed when Enter was pressed on it.
struct Pressed {
  bool seen = false;
  bool defaultIsNo = false;
};

// Presses Enter on the message box that opens next, once it is shown.
void PressEnterOnNextBox(Pressed& pressed) {
  QTimer::singleShot(0, [&pressed] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    pressed.seen = true;
    pressed.defaultIsNo =
        box->defaultButton() != nullptr &&
        static_cast<QAbstractButton*>(box->defaultButton()) == box->button(QMessageBox::No);
    QTest::keyClick(box, Qt::Key_Return);
  });
}

TEST(Confirmation, EnterPressesTheButtonTheModelMadeDefault) {
  EnsureApplication();
  QtToolkit toolkit;
  ui::Application app(toolkit);
  struct Case {
    ui::MsgButtons buttons;
    ui::ModalResult defaultButton;
    ui::ModalResult expected;
  };
  const std::vector<Case> cases{
      {ui::MsgButtons::kYesNo, ui::ModalResult::kNo, ui::ModalResult::kNo},
      {ui::MsgButtons::kYesNo, ui::ModalResult::kYes, ui::ModalResult::kYes},
      {ui::MsgButtons::kYesNo, ui::ModalResult::kNone, ui::ModalResult::kYes},
      {ui::MsgButtons::kOKCancel, ui::ModalResult::kNone, ui::ModalResult::kOK},
  };
  for (const Case& c : cases) {
    Pressed pressed;
    PressEnterOnNextBox(pressed);
    const ui::ModalResult r =
        app.MessageBox("Erase?", "Message", c.buttons, ui::MsgIcon::kExclamation, c.defaultButton);
    EXPECT_TRUE(pressed.seen);
    EXPECT_EQ(r, c.expected) << ui::ModalResultName(c.defaultButton);
  }
}

TEST(Confirmation, EnterOnTheEraseQuestionInTheWindowErasesNothing) {
  EnsureApplication();
  testsupport::TempDir dir;
  dir.Write("home/Setting.ini",
            "[Option]\nErrorLog=0\nPopUpMsgBox=1\nATA-PIFlag=1\nICType_0=VK4620XT\n"
            "[VK4620XT]\nVKMStrTag=VKM4620XT\n");
  const std::string labDir = (dir.Path() / "lab").string();
  dir.Write("lab/lab.ini", testsupport::LabBuilder()
                               .Sata("Disk A", "VK4620XT",
                                     {"Number=1", "Serial=VKA0000000000000001", "Capacity=65536"})
                               .Text());
  constexpr uint64_t kMarkLba = 2048;
  std::vector<uint8_t> sector(512, 0xA5);
  {
    std::string error;
    auto labOs = lab::OpenLab(labDir, error);
    ASSERT_TRUE(labOs) << error;
    labOs->Machine().DiskBySection("Disk A")->GetMedia().Write(kMarkLba, 1, sector.data());
  }
  std::string error;
  auto labOs = lab::OpenLab(labDir, error);
  ASSERT_TRUE(labOs) << error;
  QtToolkit toolkit;
  ui::Application app(toolkit);
  app::RunContext ctx(*labOs, (dir.Path() / "home").string());
  app::TUpdateDispaly form(app, ctx);
  app::DeviceScanPlugin scan(form, ctx);
  maintenance::ErasePage page(form, scan.Drives());
  FormView view(form);
  toolkit.SetWindow(&view);
  form.RunCreate();
  view.ShowCentered();
  form.RunShow();
  QApplication::processEvents();

  QTest::mouseClick(view.WidgetFor("T_OptionPage"), Qt::LeftButton);
  ASSERT_EQ(form.LV_OptionErase.ItemCount(), 1);
  form.LV_OptionErase.SetChecked(0, true);
  Pressed pressed;
  PressEnterOnNextBox(pressed);
  QTest::mouseClick(view.WidgetFor("T_SendErase"), Qt::LeftButton);
  QApplication::processEvents();
  EXPECT_TRUE(pressed.seen);
  EXPECT_TRUE(pressed.defaultIsNo);
  toolkit.SetWindow(nullptr);

  std::vector<uint8_t> now(512, 0);
  labOs->Machine().DiskBySection("Disk A")->GetMedia().Read(kMarkLba, 1, now.data());
  EXPECT_EQ(now, sector);
}

}  // namespace
}  // namespace guiqt::testing
