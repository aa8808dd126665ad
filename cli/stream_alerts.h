#pragma once
// Messages of the core on a stream, one "caption: text" line each. Nobody is there to answer, so a
// question gets the answer that changes nothing: No, or Cancel when that is offered.

#include <cstdio>

#include "base/alerts.h"

namespace tessera::cli {

class StreamAlerts final : public Alerts {
  public:
    explicit StreamAlerts(std::FILE* stream) : stream_(stream) {}
    AlertAnswer Show(const Alert& alert) override;

  private:
    std::FILE* stream_;
};

}  // namespace tessera::cli
