#pragma once

#include <vector>

#include "platform/time_sync.h"

namespace chimora::platform {

// Keeps the questions; the test answers them.
class FakeTimeSync : public TimeSync {
  public:
    void Query(Answer answer) override { pending.push_back(std::move(answer)); }

    // Answers every open question with state.
    void AnswerAll(const TimeSyncState& state) {
        std::vector<Answer> open;
        open.swap(pending);
        for (const Answer& answer : open)
            answer(state);
    }

    std::vector<Answer> pending;
};

}  // namespace chimora::platform
