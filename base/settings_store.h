#pragma once
// The one stored value that holds the window's options between runs.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace tessera {

inline constexpr long kSettingsNotFound = 2;   // the platform's "file not found": no value (or no key) yet
inline constexpr long kSettingsTooLong = 234;  // the platform's "more data is available"

struct SettingsRead {
    // 0 when the value was read; kSettingsNotFound when there is none; kSettingsTooLong when it is longer
    // than the buffer; any other platform error code.
    long error = 0;
    // The value's length as the platform reported it: the bytes read, or the length the value would need
    // when it is too long.
    size_t length = 0;
};

class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    // Reads the value into the buffer, which holds it when error is 0.
    virtual SettingsRead Read(std::span<uint8_t> buffer) = 0;
    // Replaces the value; true when it was stored.
    virtual bool Write(std::span<const uint8_t> bytes) = 0;
    // The platform's text for an error code, without a trailing line break; empty when it has none.
    virtual std::string ErrorText(long error) = 0;
};

// The value is written when the window closes, so its absence marks the first run.
inline bool SettingsExist(SettingsStore& store) {
    return store.Read({}).error != kSettingsNotFound;
}

inline constexpr const char* kSettingsKey = "Software\\Quorvane\\Tessera\\1.2";
inline constexpr const char* kSettingsValueName = "Settings";
// Beside it, the squares of the sizes Windows draws, which the block has no room for.
inline constexpr const char* kWindowsSquaresValueName = "Windows Squares";

}  // namespace tessera
