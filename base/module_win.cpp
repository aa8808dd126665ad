#include "base/module_win.h"

#include <string>
#include <vector>

#include "base/wide_win.h"

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

// The full path of a module's file, of any length; nullptr names the program.
std::string ModulePath(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return std::string();
        }
        if (length < path.size()) {
            path.resize(length);
            return Narrow(path).value_or(std::string());
        }
        path.resize(path.size() * 2);
    }
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
