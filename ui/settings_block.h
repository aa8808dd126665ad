#pragma once
// The window's options as one fixed 2180-byte record in the settings store: read once when the window
// opens, written once when it closes. The record has no version of its own; its length is its check.

#include <cstddef>
#include <cstdint>
#include <span>

#include "icon/image_kind.h"
#include "ui/window_options.h"

namespace tessera {

class Alerts;
class FileSystem;
class SettingsStore;

inline constexpr size_t kSettingsBlockSize = 2180;

void EncodeSettingsBlock(const WindowOptions& options, std::span<uint8_t, kSettingsBlockSize> bytes);

// The options the block holds. The view always comes back as Both, so a window never opens on Data or
// Mask. The store is user-editable, so a size, depth, mask or cycle index outside its range, and a
// remembered square that does not have its size's side, take their first-run values instead. The
// document's name and path are UTF-8, or an older block's ANSI, told apart through `files`.
WindowOptions DecodeSettingsBlock(std::span<const uint8_t, kSettingsBlockSize> bytes, FileSystem& files);

// Replaces the options by the stored ones. With no stored value yet (the first run) the options stay
// as they are, silently; a value that cannot be read or has another length keeps them too, with a
// warning that names the error and the length. True when the options were replaced.
bool ReadSettings(SettingsStore& store, Alerts& alerts, FileSystem& files, WindowOptions& options);

// Stores the options; true when the store took them.
bool WriteSettings(SettingsStore& store, const WindowOptions& options);

// The remembered square of each Windows size, kept in a value of its own so that the block keeps its
// length: the ten squares in the order of kWindowsSides, each top, left, bottom, right as 16-bit values.
inline constexpr size_t kWindowsSquaresSize = kWindowsSlotCount * 4 * 2;

void EncodeWindowsSquares(const WindowsSquares& squares, std::span<uint8_t, kWindowsSquaresSize> bytes);
// Bytes of another length give every square unplaced (centred when next shown), and so does each square
// that does not have its size's side.
WindowsSquares DecodeWindowsSquares(std::span<const uint8_t> bytes);
// The stored squares; unplaced ones, silently, when there are none or they cannot be read.
WindowsSquares ReadWindowsSquares(SettingsStore& store);
bool WriteWindowsSquares(SettingsStore& store, const WindowsSquares& squares);

}  // namespace tessera
