#pragma once
// Modal message boxes, described as data so that the program's boxes can be checked
// without a screen; the platform only draws them.
#include <string>
#include <vector>

namespace kw {

enum class MessageIcon { None, Question, Error, Warning, Information };

struct MessageRequest {
  std::string caption;
  std::string text;
  MessageIcon icon = MessageIcon::None;
  std::vector<std::string> buttons;  // left to right; "&" marks the access key
  int defaultButton = 0;             // chosen by Enter
  int cancelButton = 0;              // chosen by Escape or the close box
};

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // Shows the box centred on the screen, modal to the application, and returns the index
  // of the button that ended it.
  virtual int Show(const MessageRequest& request) = 0;
};

}  // namespace kw
