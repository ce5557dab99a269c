#pragma once
// Message boxes that record what they were asked to show and answer from a script.
#include <deque>
#include <string>
#include <vector>

#include "platform/MessageBoxes.h"
#include "platform/memory/MemoryMachineLocks.h"

namespace kw {

class MemoryMessageBoxes : public MessageBoxes {
 public:
  // The queued answers are button indexes; with none queued a box ends with its default
  // button, or with its cancel button when answerCancel is set.
  int Show(const MessageRequest& request) override {
    shown.push_back(request);
    if (locks && locks->AnyHeld()) shownWhileLocked.push_back(request.text);
    if (!answers.empty()) {
      const int answer = answers.front();
      answers.pop_front();
      return answer;
    }
    return answerCancel ? request.cancelButton : request.defaultButton;
  }

  std::vector<MessageRequest> shown;
  std::deque<int> answers;
  bool answerCancel = false;
  // With locks set, the texts of the boxes shown while one of them was held: a box open under
  // a machine-wide lock keeps every other copy of the program waiting.
  const MemoryMachineLocks* locks = nullptr;
  std::vector<std::string> shownWhileLocked;
};

}  // namespace kw
