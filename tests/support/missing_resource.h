#pragma once
// A module whose resources lack one, as a damaged or trimmed build would: the built-in colour tables'
// failure path. No test-framework dependency.

#include <cstdint>
#include <optional>
#include <vector>

#include "base/module_resources.h"

namespace tessera::test {

class MissingResource final : public ModuleResources {
  public:
    // The resources of `all` but the one of id `missingId` (0: none missing).
    MissingResource(const ModuleResources& all, int missing) : missingId(missing), all_(all) {}
    std::optional<std::vector<uint8_t>> Load(const char* type, int id) const override {
        return id == missingId ? std::nullopt : all_.Load(type, id);
    }

    int missingId;

  private:
    const ModuleResources& all_;
};

}  // namespace tessera::test
