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

namespace {

// The full path of a module's file; nullptr names the program.
std::string ModulePath(HMODULE module) {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    return std::string(path, length < MAX_PATH ? length : 0);
}

}  // namespace

std::string ModuleFileName() {
    const std::string path = ModulePath(ModuleInstance());
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ProgramFolder() {
    const std::string path = ModulePath(nullptr);
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

const ModuleResources& ModuleOwnResources() {
    static const OwnResources resources;
    return resources;
}

}  // namespace tessera
