#include "base/module_win.h"

#include <vector>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace tessera {

namespace {

class OwnResources final : public ModuleResources {
  public:
    std::optional<std::vector<uint8_t>> Load(const char* type, int id) const override {
        const HINSTANCE module = ModuleInstance();
        HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(id), type);
        if (info == nullptr) {
            return std::nullopt;
        }
        const DWORD size = SizeofResource(module, info);
        HGLOBAL loaded = LoadResource(module, info);
        const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
        if (bytes == nullptr) {
            return std::nullopt;
        }
        const auto* first = static_cast<const uint8_t*>(bytes);
        return std::vector<uint8_t>(first, first + size);
    }
};

}  // namespace

HINSTANCE ModuleInstance() {
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

std::string ModuleFileName() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(ModuleInstance(), path, MAX_PATH);
    std::string name(path, length < MAX_PATH ? length : 0);
    const size_t slash = name.find_last_of("\\/");
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

const ModuleResources& ModuleOwnResources() {
    static const OwnResources resources;
    return resources;
}

}  // namespace tessera
