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

bool HasButton(MsgButtons buttons, ModalResult answer) {
  switch (buttons) {
    case MsgButtons::kOK:
      return answer == ModalResult::kOK;
    case MsgButtons::kOKCancel:
      return answer == ModalResult::kOK || answer == ModalResult::kCancel;
    case MsgButtons::kYesNo:
      return answer == ModalResult::kYes || answer == ModalResult::kNo;
    case MsgButtons::kYesNoCancel:
      return answer == ModalResult::kYes || answer == ModalResult::kNo ||
             answer == ModalResult::kCancel;
    case MsgButtons::kRetryCancel:
      return answer == ModalResult::kRetry || answer == ModalResult::kCancel;
  }
  return false;
}

ModalResult EnterAnswer(const MessageBoxRequest& request) {
  if (HasButton(request.buttons, request.defaultButton)) return request.defaultButton;
  switch (request.buttons) {
    case MsgButtons::kOK:
    case MsgButtons::kOKCancel:
      return ModalResult::kOK;
    case MsgButtons::kYesNo:
    case MsgButtons::kYesNoCancel:
      return ModalResult::kYes;
    case MsgButtons::kRetryCancel:
      return ModalResult::kRetry;
  }
  return ModalResult::kOK;
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
