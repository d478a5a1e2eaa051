#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/message_boxes.h"

namespace chimora::platform {

// Records every box and answers from a script; with the script used up it presses the
// first button (OK or Yes).
class FakeMessageBoxes : public MessageBoxes {
  public:
    struct Shown {
        Kind kind;
        std::string text;
        Buttons buttons;
    };

    Answer Show(Kind kind, const std::string& text, Buttons buttons) override {
        shown.push_back({kind, text, buttons});
        if (!answers.empty()) {
            const Answer answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    }

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& box : shown)
            texts.push_back(box.text);
        return texts;
    }

    std::deque<Answer> answers;
    std::vector<Shown> shown;
};

}  // namespace chimora::platform
