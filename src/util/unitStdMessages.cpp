#include "util/unitStdMessages.h"

namespace kw {

MessageRequest ConfirmRequest(const std::string& message) {
  return MessageRequest{"Confirm", message, MessageIcon::Question, {"&Yes", "&No"}, 0, 1};
}

MessageRequest ErrorRequest(const std::string& message) {
  return MessageRequest{"Error", message, MessageIcon::Error, {"OK"}, 0, 0};
}

MessageRequest ApplicationErrorRequest(const std::string& message) {
  return MessageRequest{kApplicationTitle, message, MessageIcon::Error, {"OK"}, 0, 0};
}

bool ConfirmMessage(MessageBoxes& boxes, const std::string& message) {
  return boxes.Show(ConfirmRequest(message)) == 0;
}

void ErrorMessage(MessageBoxes& boxes, const std::string& message) { boxes.Show(ErrorRequest(message)); }

void ShowApplicationError(MessageBoxes& boxes, const std::string& message) {
  boxes.Show(ApplicationErrorRequest(message));
}

}  // namespace kw
