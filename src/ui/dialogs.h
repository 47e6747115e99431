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
};

// kCautious: OK to a notice, No (or Cancel) to anything that asks.
// kYes: Yes, or OK/Retry when there is no Yes. kNo: No, or Cancel when there is no No.
enum class AnswerPolicy { kCautious, kYes, kNo };

ModalResult AnswerFor(AnswerPolicy policy, MsgButtons buttons);

const char* ModalResultName(ModalResult r);

}  // namespace ui
