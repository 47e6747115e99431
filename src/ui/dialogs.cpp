#include "ui/dialogs.h"

namespace ui {

ModalResult AnswerFor(AnswerPolicy policy, MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::kOK:
      return ModalResult::kOK;
    case MsgButtons::kOKCancel:
      return policy == AnswerPolicy::kYes ? ModalResult::kOK : ModalResult::kCancel;
    case MsgButtons::kRetryCancel:
      return policy == AnswerPolicy::kYes ? ModalResult::kRetry : ModalResult::kCancel;
    case MsgButtons::kYesNo:
    case MsgButtons::kYesNoCancel:
      return policy == AnswerPolicy::kYes ? ModalResult::kYes : ModalResult::kNo;
  }
  return ModalResult::kCancel;
}

const char* ModalResultName(ModalResult r) {
  switch (r) {
    case ModalResult::kNone:
      return "None";
    case ModalResult::kOK:
      return "OK";
    case ModalResult::kCancel:
      return "Cancel";
    case ModalResult::kRetry:
      return "Retry";
    case ModalResult::kYes:
      return "Yes";
    case ModalResult::kNo:
      return "No";
  }
  return "?";
}

}  // namespace ui
