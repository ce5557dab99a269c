#pragma once
// The program's standard message boxes.
#include <string>

#include "platform/MessageBoxes.h"

namespace kw {

inline constexpr const char* kApplicationTitle = "Kelderwick";

// "Confirm" with a question mark, "&Yes" (default) and "&No" (cancel); true only for Yes.
bool ConfirmMessage(MessageBoxes& boxes, const std::string& message);
// "Error" with the stop sign and one "OK" button, default and cancel at once.
void ErrorMessage(MessageBoxes& boxes, const std::string& message);
// The application's standard error box for an error no handler caught: the application's
// title as caption, the error's text, one "OK" button.
void ShowApplicationError(MessageBoxes& boxes, const std::string& message);

MessageRequest ConfirmRequest(const std::string& message);
MessageRequest ErrorRequest(const std::string& message);
MessageRequest ApplicationErrorRequest(const std::string& message);

}  // namespace kw
