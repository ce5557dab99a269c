#pragma once
// Message boxes that record what they were asked to show and answer from a script.
#include <deque>
#include <vector>

#include "platform/MessageBoxes.h"

namespace kw {

class MemoryMessageBoxes : public MessageBoxes {
 public:
  // The queued answers are button indexes; with none queued a box ends with its default
  // button, or with its cancel button when answerCancel is set.
  int Show(const MessageRequest& request) override {
    shown.push_back(request);
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
};

}  // namespace kw
