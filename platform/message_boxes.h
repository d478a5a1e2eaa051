#pragma once

#include <string>

namespace chimora::platform {

// The program's message boxes: input errors and notices, questions, and the one standard
// box that shows an error which ended a user action.
class MessageBoxes {
  public:
    enum class Kind { Information, Confirmation, Warning, Error };
    enum class Buttons { Ok, YesNo, OkCancel };
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~MessageBoxes() = default;
    // Shows text modally and returns the button pressed.
    virtual Answer Show(Kind kind, const std::string& text, Buttons buttons) = 0;

    // A notice with the button OK.
    void Inform(const std::string& text) { Show(Kind::Information, text, Buttons::Ok); }
    // A question with Yes and No; true for Yes.
    bool AskYesNo(const std::string& text, Kind kind = Kind::Confirmation) {
        return Show(kind, text, Buttons::YesNo) == Answer::Yes;
    }
    // The standard error box.
    void ShowError(const std::string& text) { Show(Kind::Error, text, Buttons::Ok); }
};

}  // namespace chimora::platform
