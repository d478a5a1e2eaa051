#pragma once

#include <string>

namespace chimora {

// Why a dialog's save or command did not go ahead: the message shown to the user and the
// control that gets the focus afterwards.
struct InputRefusal {
    enum class Focus { Unchanged, Description, FileChoice, PlayList, AddName, EditName };

    std::string message;
    Focus focus = Focus::Unchanged;

    bool operator==(const InputRefusal&) const = default;
};

}  // namespace chimora
