#pragma once
// Records every message the core shows and answers from a script, so tests assert exact texts.

#include <deque>
#include <vector>

#include "base/alerts.h"

namespace tessera::test {

class FakeAlerts final : public Alerts {
  public:
    AlertAnswer Show(const Alert& alert) override;

    // Answers given in order; once used up, every message is answered with its first button.
    void QueueAnswer(AlertAnswer answer) { answers_.push_back(answer); }
    [[nodiscard]] const std::vector<Alert>& Shown() const { return shown_; }
    void Clear() { shown_.clear(); }

  private:
    std::vector<Alert> shown_;
    std::deque<AlertAnswer> answers_;
};

}  // namespace tessera::test
