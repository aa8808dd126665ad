// The settings reader on any stored value. Beyond "no crash", it checks what the window relies on: a
// block of the right length is always taken, with every choice in its range and a remembered square
// only of its size's side, and what was taken is stored and read back unchanged; any other length
// leaves the options alone and says so once.

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

#include "base/alerts.h"
#include "base/settings_store.h"
#include "base/utf.h"
#include "support/fake_files.h"
#include "ui/settings_block.h"

namespace {

using namespace tessera;

class CountingAlerts final : public Alerts {
  public:
    AlertAnswer Show(const Alert&) override {
        ++shown;
        return AlertAnswer::Ok;
    }
    int shown = 0;
};

// Serves the input as the stored value, as the registry would.
class InputStore final : public SettingsStore {
  public:
    explicit InputStore(std::span<const uint8_t> value) : value_(value) {}
    SettingsRead Read(std::span<uint8_t> buffer) override {
        if (value_.size() > buffer.size()) {
            return {kSettingsTooLong, value_.size()};
        }
        std::copy(value_.begin(), value_.end(), buffer.begin());
        return {0, value_.size()};
    }
    bool Write(std::span<const uint8_t>) override { return false; }
    std::string ErrorText(long) override { return "text"; }

  private:
    std::span<const uint8_t> value_;
};

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "settings reader broke a promise: %s\n", what);
        std::abort();
    }
}

bool InRange(int32_t value, int32_t low, int32_t high) {
    return value >= low && value <= high;
}

void RequireSound(const WindowOptions& options) {
    const ResourceFormat& format = options.currentFormat;
    Require(InRange(format.size, 0, 3) && InRange(format.depth, 0, 2) && InRange(format.mask, 0, 1) && format.view == 0,
            "format in range, view Both");
    Require(InRange(options.cycleIndex, 0, 15), "cycle index in range");
    // Stored names are UTF-8 or, from older blocks, ANSI, whose every byte takes at most three in UTF-8.
    Require(IsUtf8(options.documentName) && IsUtf8(options.documentPath), "names are UTF-8");
    Require(options.documentName.size() <= 3 * 256 && options.documentPath.size() <= 3 * 1024,
            "names within what their fields can hold");
    for (size_t i = 0; i < options.layerSquares.positions.size(); ++i) {
        const Rect& r = options.layerSquares.positions[i];
        const int side = ResourceFormat(static_cast<int32_t>(i), 0, 0, 0).PixelSize();
        const bool none = r.top == 0 && r.left == 0 && r.bottom == 0 && r.right == 0;
        Require(none || (r.right - r.left == side && r.bottom - r.top == side), "squares of their side");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    InputStore store(std::span<const uint8_t>(data, size));
    CountingAlerts alerts;
    WindowOptions options;
    options.documentName = "kept.ico";
    test::MemoryFileSystem files;
    const bool read = ReadSettings(store, alerts, files, options);
    if (size != kSettingsBlockSize) {
        Require(!read && alerts.shown == 1 && options.documentName == "kept.ico", "other lengths change nothing");
        return 0;
    }
    Require(read && alerts.shown == 0, "a block of the right length is taken silently");
    RequireSound(options);

    std::array<uint8_t, kSettingsBlockSize> again{};
    EncodeSettingsBlock(options, again);
    const WindowOptions reread = DecodeSettingsBlock(again, files);
    std::array<uint8_t, kSettingsBlockSize> third{};
    EncodeSettingsBlock(reread, third);
    Require(again == third, "what was taken is stored and read back unchanged");
    return 0;
}
