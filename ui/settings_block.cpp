#include "ui/settings_block.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "base/alerts.h"
#include "base/byte_reader.h"
#include "base/settings_store.h"
#include "base/text_field.h"
#include "base/texts.h"

namespace tessera {

namespace {

constexpr size_t kNameField = 256;
constexpr size_t kPathField = 1024;
// depth, mask, size, view; name, path; background, custom colours, cycle index; four squares of four
// 16-bit values; tool tips, custom-table flag, custom table, automatic flag.
static_assert(4 * 4 + kNameField + kPathField + 4 + 4 * kCustomColorCount + 4 + 4 * 4 * 2 + 4 + 4 + kColorTableBytes +
                  4 ==
              kSettingsBlockSize);

// Lays the fields down one after the other, as ByteReader takes them up again.
class BlockWriter {
  public:
    explicit BlockWriter(std::span<uint8_t> bytes) : bytes_(bytes) {}

    void I32(int32_t value) { U32(static_cast<uint32_t>(value)); }
    void U32(uint32_t value) { StoreU32LE(Take(4).data(), value); }
    void I16(int16_t value) { StoreU16LE(Take(2).data(), static_cast<uint16_t>(value)); }
    void Text(std::string_view text, size_t field) { WriteTextField(Take(field), text); }
    void Bytes(std::span<const uint8_t> data) { std::copy(data.begin(), data.end(), Take(data.size()).begin()); }

  private:
    std::span<uint8_t> Take(size_t n) {
        const std::span<uint8_t> field = bytes_.subspan(offset_, n);
        offset_ += n;
        return field;
    }

    std::span<uint8_t> bytes_;
    size_t offset_ = 0;
};

bool InRange(int32_t value, int32_t low, int32_t high) {
    return value >= low && value <= high;
}

// The layer view only ever remembers squares of its size's side; anything else would have the host
// deliver a square of another size than the one the view reads.
bool IsRememberedSquare(const Rect& rect, int side) {
    if (rect.top == 0 && rect.left == 0 && rect.bottom == 0 && rect.right == 0) {
        return true;
    }
    return int{rect.right} - int{rect.left} == side && int{rect.bottom} - int{rect.top} == side;
}

void WriteSquare(BlockWriter& writer, const Rect& square) {
    writer.I16(square.top);
    writer.I16(square.left);
    writer.I16(square.bottom);
    writer.I16(square.right);
}

// A stored square of a size's side, or the unplaced one.
Rect ReadSquare(ByteReader& reader, int side) {
    Rect square;
    square.top = reader.I16LE();
    square.left = reader.I16LE();
    square.bottom = reader.I16LE();
    square.right = reader.I16LE();
    return IsRememberedSquare(square, side) ? square : Rect{};
}

}  // namespace

void EncodeSettingsBlock(const WindowOptions& options, std::span<uint8_t, kSettingsBlockSize> bytes) {
    BlockWriter writer(bytes);
    // The stored order is depth, mask, size: not the order of the format's fields.
    writer.I32(options.currentFormat.depth);
    writer.I32(options.currentFormat.mask);
    writer.I32(options.currentFormat.size);
    writer.I32(options.currentFormat.view);
    writer.Text(options.documentName, kNameField);
    writer.Text(options.documentPath, kPathField);
    writer.U32(options.backgroundColor);
    for (uint32_t color : options.customColors) {
        writer.U32(color);
    }
    writer.I32(options.cycleIndex);
    for (const Rect& square : options.layerSquares.positions) {
        WriteSquare(writer, square);
    }
    writer.I32(options.toolTipsEnabled);
    writer.I32(options.useCustomColorTable);
    writer.Bytes(options.customColorTable.bytes);
    writer.I32(options.automaticColorTable);
}

WindowOptions DecodeSettingsBlock(std::span<const uint8_t, kSettingsBlockSize> bytes, FileSystem& files) {
    ByteReader reader(bytes);
    WindowOptions options;
    const ResourceFormat defaults;

    const int32_t depth = reader.I32LE();
    const int32_t mask = reader.I32LE();
    const int32_t size = reader.I32LE();
    reader.Skip(4);  // the view: a window always opens on Both
    options.currentFormat =
        ResourceFormat(InRange(size, 0, 3) ? size : defaults.size, InRange(depth, 0, 2) ? depth : defaults.depth,
                       InRange(mask, 0, 1) ? mask : defaults.mask, 0);

    // A name that is no text in any encoding we know is forgotten, as if it had never been stored.
    const std::span<const uint8_t> name = reader.Bytes(kNameField);
    const DocumentFields document = ReadDocumentFields(name, reader.Bytes(kPathField), files);
    options.documentName = document.name.value_or(kUntitledDocumentName);
    options.documentPath = document.path.value_or(kDefaultDocumentPath);
    options.backgroundColor = reader.U32LE();
    for (uint32_t& color : options.customColors) {
        color = reader.U32LE();
    }
    const int32_t cycleIndex = reader.I32LE();
    if (InRange(cycleIndex, 0, static_cast<int32_t>(kCustomColorCount) - 1)) {
        options.cycleIndex = cycleIndex;
    }
    for (size_t i = 0; i < options.layerSquares.positions.size(); ++i) {
        options.layerSquares.positions[i] = ReadSquare(reader, kGridSides[i]);
    }
    options.toolTipsEnabled = reader.I32LE();
    options.useCustomColorTable = reader.I32LE();
    const std::span<const uint8_t> table = reader.Bytes(kColorTableBytes);
    std::copy(table.begin(), table.end(), options.customColorTable.bytes.begin());
    options.automaticColorTable = reader.I32LE();
    return options;
}

bool ReadSettings(SettingsStore& store, Alerts& alerts, FileSystem& files, WindowOptions& options) {
    std::array<uint8_t, kSettingsBlockSize> bytes{};
    const SettingsRead read = store.Read(bytes);
    if (read.error == 0 && read.length == kSettingsBlockSize) {
        options = DecodeSettingsBlock(bytes, files);
        return true;
    }
    if (read.error == kSettingsNotFound) {
        return false;
    }
    // An older or damaged block: the next close replaces it with one of the current layout.
    Alert alert;
    alert.text =
        FormatText(texts::kCannotReadSettings, static_cast<int>(read.error), store.ErrorText(read.error).c_str(),
                   static_cast<int>(read.length), static_cast<int>(kSettingsBlockSize));
    alert.icon = AlertIcon::Warning;
    alerts.Show(alert);
    return false;
}

bool WriteSettings(SettingsStore& store, const WindowOptions& options) {
    std::array<uint8_t, kSettingsBlockSize> bytes{};
    EncodeSettingsBlock(options, bytes);
    return store.Write(bytes);
}

void EncodeWindowsSquares(const WindowsSquares& squares, std::span<uint8_t, kWindowsSquaresSize> bytes) {
    BlockWriter writer(bytes);
    for (const Rect& square : squares.positions) {
        WriteSquare(writer, square);
    }
}

WindowsSquares DecodeWindowsSquares(std::span<const uint8_t> bytes) {
    WindowsSquares squares;
    if (bytes.size() != kWindowsSquaresSize) {
        return squares;
    }
    ByteReader reader(bytes);
    for (size_t i = 0; i < squares.positions.size(); ++i) {
        squares.positions[i] = ReadSquare(reader, kWindowsSides[i]);
    }
    return squares;
}

WindowsSquares ReadWindowsSquares(SettingsStore& store) {
    std::array<uint8_t, kWindowsSquaresSize> bytes{};
    const SettingsRead read = store.Read(bytes);
    const size_t length = read.error == 0 && read.length <= bytes.size() ? read.length : 0;
    return DecodeWindowsSquares(std::span<const uint8_t>(bytes).first(length));
}

bool WriteWindowsSquares(SettingsStore& store, const WindowsSquares& squares) {
    std::array<uint8_t, kWindowsSquaresSize> bytes{};
    EncodeWindowsSquares(squares, bytes);
    return store.Write(bytes);
}

}  // namespace tessera
