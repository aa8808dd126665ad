#pragma once
// The one stored value that holds the window's options between runs.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tessera {

struct SettingsValue {
    // 0 when the value was read; kSettingsNotFound when there is none; any other platform error code.
    long error = 0;
    std::vector<uint8_t> bytes;
};

inline constexpr long kSettingsNotFound = 2;  // the platform's "file not found"

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual SettingsValue Read() = 0;
    virtual bool Write(std::span<const uint8_t> bytes) = 0;
    // The platform's text for an error code, without a trailing line break.
    virtual std::string ErrorText(long error) = 0;
};

inline constexpr const char* kSettingsKey = "Software\\Quorvane\\Tessera\\1.2";
inline constexpr const char* kSettingsValueName = "Settings";

}  // namespace tessera
