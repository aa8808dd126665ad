#pragma once
// The block the host keeps for us between calls: which resource to apply and the file that holds it.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "host/filter_record.h"

namespace tessera {

class FileSystem;
struct PluginCall;

inline constexpr size_t kParametersBlockSize = 1304;
inline constexpr size_t kDocumentNameField = 256;
inline constexpr size_t kDocumentPathField = 1024;

// What the block holds of the document's path.
enum class StoredPath {
    Whole,    // the path as it was
    TooLong,  // the path did not fit: only its start is kept, ended by kCutPathMark
    NotText,  // the stored bytes are text neither in UTF-8 nor in the ANSI code page
};

// Ends a stored path that did not fit. No file name holds it, so an older reader of the block cannot
// open another file by the cut path either.
inline constexpr char kCutPathMark = '*';

struct ParametersBlock {
    int32_t marker = 0;
    int32_t size = 0;
    int32_t depth = 0;
    int32_t mask = 0;
    int32_t view = 0;
    int32_t reserved = 0;
    std::string documentName;                  // UTF-8, stored cut to 255 bytes, never inside a character
    std::string documentPath;                  // UTF-8, at most 1023 bytes kept
    StoredPath pathState = StoredPath::Whole;  // as decoded
};

// The document's name and path are UTF-8, or an older block's ANSI, told apart through `files`.
ParametersBlock DecodeParametersBlock(std::span<const uint8_t, kParametersBlockSize> bytes, FileSystem& files);
void EncodeParametersBlock(const ParametersBlock& block, std::span<uint8_t, kParametersBlockSize> bytes);

// The host's handle callbacks, each checked for presence before it is called. A callback the host
// leaves out (null, or beyond numHandleProcs) counts as failure.
Handle NewHostHandle(const FilterRecord* record, int32 size);
Ptr LockHostHandle(const FilterRecord* record, Handle handle);
void UnlockHostHandle(const FilterRecord* record, Handle handle);

// Locks the parameters handle for reading and writing a whole block. None when there is no handle, it
// cannot be locked, or the host says it is smaller than a block (a host that cannot tell, answering 0,
// is trusted).
Ptr LockParametersBlock(const FilterRecord* record);

// Creates the block on the first Parameters call, or marks the kept one; sets call.result on failure.
// A kept handle too small for a block is replaced by a new block.
void SetUpParameters(PluginCall& call);
// At Start: a host that never called Parameters (or kept a handle too small for the block) gets its
// block now, so Apply can use it. The call's result stays as it was.
void EnsureParametersBlock(PluginCall& call);

// Writes the resource to apply (size, depth, mask, view) and the document's name and path into the
// kept block, leaving its marker and reserved word alone. False, with nothing written, when the host
// gave no block or it cannot be locked.
bool StoreApplyChoice(const FilterRecord& record, const ParametersBlock& choice);

}  // namespace tessera
