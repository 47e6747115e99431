#pragma once
// Message boxes as the tool asks them (text, caption, buttons, icon -> answer)
// and the policies that answer them when nobody is there to click.
#include <string>

namespace ui {

enum class MsgButtons { kOK, kOKCancel, kYesNo, kYesNoCancel, kRetryCancel };
enum class MsgIcon { kNone, kExclamation, kQuestion, kError, kInformation };

// The Windows answer codes.
enum class ModalResult { kNone = 0, kOK = 1, kCancel = 2, kRetry = 4, kYes = 6, kNo = 7 };

struct MessageBoxRequest {
  std::string text;
  std::string caption;
  MsgButtons buttons = MsgButtons::kOK;
  MsgIcon icon = MsgIcon::kNone;
  // The button Enter presses. kNone: the first one, as a plain message box
  // has it. A question whose Yes destroys data sets kNo, so a stray Enter
  // never answers it.
  ModalResult defaultButton = ModalResult::kNone;
};

// Whether `buttons` holds the button that answers `answer`.
bool HasButton(MsgButtons buttons, ModalResult answer);
// What Enter answers: the default button when the box has it, else its first.
ModalResult EnterAnswer(const MessageBoxRequest& request);

// kCautious: OK to a notice, No (or Cancel) to anything that asks.
// kYes: Yes, or OK/Retry when there is no Yes. kNo: No, or Cancel when there is no No.
enum class AnswerPolicy { kCautious, kYes, kNo };

ModalResult AnswerFor(AnswerPolicy policy, MsgButtons buttons);

const char* ModalResultName(ModalResult r);

}  // namespace ui
