#pragma once
// Bytes of the module's own resources, by type and id. Inside the plug-in they come from the DLL's
// resource section; the native build and the command line use the same files compiled in.

#include <cstdint>
#include <optional>
#include <vector>

namespace tessera {

class ModuleResources {
  public:
    virtual ~ModuleResources() = default;
    virtual std::optional<std::vector<uint8_t>> Load(const char* type, int id) const = 0;
};

// The resources compiled into the program from resources/ (the colour tables).
const ModuleResources& EmbeddedResources();

}  // namespace tessera
