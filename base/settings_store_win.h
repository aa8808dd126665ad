#pragma once
// The settings value in the registry: HKEY_CURRENT_USER\Software\Quorvane\Tessera\1.2, value
// "Settings", REG_BINARY.

#include <windows.h>

#include "base/settings_store.h"

namespace tessera {

// An open registry key, closed when the owner goes.
class UniqueHkey {
  public:
    UniqueHkey() = default;
    explicit UniqueHkey(HKEY key) : key_(key) {}
    UniqueHkey(const UniqueHkey&) = delete;
    UniqueHkey& operator=(const UniqueHkey&) = delete;
    UniqueHkey(UniqueHkey&& other) noexcept : key_(other.release()) {}
    UniqueHkey& operator=(UniqueHkey&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    ~UniqueHkey() { reset(); }

    [[nodiscard]] HKEY get() const { return key_; }
    [[nodiscard]] HKEY release() {
        HKEY key = key_;
        key_ = nullptr;
        return key;
    }
    void reset(HKEY key = nullptr) {
        if (key_ != nullptr) {
            RegCloseKey(key_);
        }
        key_ = key;
    }
    // For the registry calls that hand back a new key: closes the held one first.
    [[nodiscard]] HKEY* put() {
        reset();
        return &key_;
    }

  private:
    HKEY key_ = nullptr;
};

// The store of this user's settings; it keeps no key open between calls.
SettingsStore& RegistrySettingsStore();

}  // namespace tessera
