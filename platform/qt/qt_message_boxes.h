#pragma once

#include "platform/message_boxes.h"

namespace chimora::platform {

// Message boxes on QMessageBox, titled by their kind: "Information", "Confirm", "Warning"
// and "Error". Each is modal over the window that is active when it is shown.
class QtMessageBoxes : public MessageBoxes {
  public:
    Answer Show(Kind kind, const std::string& text, Buttons buttons) override;
};

}  // namespace chimora::platform
