#include "base/settings_store_win.h"

#include <windows.h>

#include <limits>
#include <string_view>

#include "base/wide_win.h"
#include "base/win_handles_win.h"

namespace tessera {

namespace {

// The system's message texts are at most this long.
constexpr DWORD kErrorTextCapacity = 1024;

class RegistryStore final : public SettingsStore {
  public:
    explicit RegistryStore(const char* valueName) : valueName_(valueName) {}

    SettingsRead Read(std::span<uint8_t> buffer) override {
        SettingsRead read;
        // Reading creates nothing: a missing key is reported like a missing value.
        HKEY opened = nullptr;
        const LONG status = RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_QUERY_VALUE, &opened);
        if (status != ERROR_SUCCESS) {
            read.error = status;
            return read;
        }
        const UniqueHkey key(opened);
        if (buffer.size() > std::numeric_limits<DWORD>::max()) {
            buffer = buffer.first(std::numeric_limits<DWORD>::max());
        }
        DWORD length = static_cast<DWORD>(buffer.size());
        // The type is not examined: the length is the block's only check.
        read.error = RegQueryValueExA(key.get(), valueName_, nullptr, nullptr, buffer.empty() ? nullptr : buffer.data(),
                                      &length);
        read.length = length;
        return read;
    }

    bool Write(std::span<const uint8_t> bytes) override {
        if (bytes.size() > std::numeric_limits<DWORD>::max()) {
            return false;
        }
        HKEY created = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                            nullptr, &created, nullptr) != ERROR_SUCCESS) {
            return false;
        }
        const UniqueHkey key(created);
        return RegSetValueExA(key.get(), valueName_, 0, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size())) ==
               ERROR_SUCCESS;
    }

    std::string ErrorText(long error) override {
        return SystemErrorText(error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT));
    }

  private:
    const char* valueName_;
};

}  // namespace

std::string SystemErrorText(long error, LANGID language) {
    // Read wide: the ANSI form comes in the system's code page, which past ASCII is no UTF-8, and every
    // alert would refuse it.
    wchar_t text[kErrorTextCapacity];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                  static_cast<DWORD>(error), language, text, kErrorTextCapacity, nullptr);
    while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n')) {
        --length;
    }
    return Narrow(std::wstring_view(text, length)).value_or(std::string());
}

SettingsStore& RegistrySettingsStore() {
    static RegistryStore store(kSettingsValueName);
    return store;
}

SettingsStore& RegistryWindowsSquaresStore() {
    static RegistryStore store(kWindowsSquaresValueName);
    return store;
}

}  // namespace tessera
