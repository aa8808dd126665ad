#include "host/parameters_block.h"

#include <algorithm>
#include <cstring>

#include "base/byte_reader.h"
#include "host/plugin_call.h"

namespace tessera {

namespace {

constexpr size_t kNameOffset = 24;
constexpr size_t kPathOffset = kNameOffset + kDocumentNameField;
static_assert(kPathOffset + kDocumentPathField == kParametersBlockSize);

std::string ReadField(const uint8_t* p, size_t field) {
    const auto* end = std::find(p, p + field, uint8_t{0});
    return std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(end - p));
}

void WriteField(uint8_t* p, size_t field, const std::string& text) {
    const size_t n = std::min(text.size(), field - 1);
    std::memset(p, 0, field);
    std::memcpy(p, text.data(), n);
}

}  // namespace

ParametersBlock DecodeParametersBlock(std::span<const uint8_t, kParametersBlockSize> bytes) {
    const uint8_t* p = bytes.data();
    ParametersBlock block;
    block.marker = static_cast<int32_t>(LoadU32LE(p + 0));
    block.size = static_cast<int32_t>(LoadU32LE(p + 4));
    block.depth = static_cast<int32_t>(LoadU32LE(p + 8));
    block.mask = static_cast<int32_t>(LoadU32LE(p + 12));
    block.view = static_cast<int32_t>(LoadU32LE(p + 16));
    block.reserved = static_cast<int32_t>(LoadU32LE(p + 20));
    block.documentName = ReadField(p + kNameOffset, kDocumentNameField);
    block.documentPath = ReadField(p + kPathOffset, kDocumentPathField);
    return block;
}

void EncodeParametersBlock(const ParametersBlock& block, std::span<uint8_t, kParametersBlockSize> bytes) {
    uint8_t* p = bytes.data();
    StoreU32LE(p + 0, static_cast<uint32_t>(block.marker));
    StoreU32LE(p + 4, static_cast<uint32_t>(block.size));
    StoreU32LE(p + 8, static_cast<uint32_t>(block.depth));
    StoreU32LE(p + 12, static_cast<uint32_t>(block.mask));
    StoreU32LE(p + 16, static_cast<uint32_t>(block.view));
    StoreU32LE(p + 20, static_cast<uint32_t>(block.reserved));
    WriteField(p + kNameOffset, kDocumentNameField, block.documentName);
    WriteField(p + kPathOffset, kDocumentPathField, block.documentPath);
}

Handle NewHostHandle(const FilterRecord* record, int32 size) {
    const HandleProcs* procs = record->handleProcs;
    if (procs == nullptr || procs->numHandleProcs < kHandleProcsForNew || procs->newProc == nullptr) {
        return nullptr;
    }
    return procs->newProc(size);
}

Ptr LockHostHandle(const FilterRecord* record, Handle handle) {
    const HandleProcs* procs = record->handleProcs;
    if (handle == nullptr || procs == nullptr || procs->numHandleProcs < kHandleProcsForLock ||
        procs->lockProc == nullptr) {
        return nullptr;
    }
    return procs->lockProc(handle, 1);
}

void UnlockHostHandle(const FilterRecord* record, Handle handle) {
    const HandleProcs* procs = record->handleProcs;
    if (handle == nullptr || procs == nullptr || procs->numHandleProcs < kHandleProcsForUnlock ||
        procs->unlockProc == nullptr) {
        return;
    }
    procs->unlockProc(handle);
}

void SetUpParameters(PluginCall& call) {
    FilterRecord* record = call.record;
    bool isNew = false;
    if (record->parameters == nullptr) {
        Handle handle = NewHostHandle(record, static_cast<int32>(kParametersBlockSize));
        if (handle == nullptr) {
            call.result = nilHandleErr;
            return;
        }
        record->parameters = handle;
        isNew = true;
    }
    Ptr p = LockHostHandle(record, record->parameters);
    if (p == nullptr) {
        call.result = paramErr;
        return;
    }
    auto* bytes = reinterpret_cast<uint8_t*>(p);
    StoreU32LE(bytes, 1);
    if (isNew) {
        std::memset(bytes + 4, 0, 20);
        bytes[kNameOffset] = 0;
        bytes[kPathOffset] = 0;
    }
    UnlockHostHandle(record, record->parameters);
}

}  // namespace tessera
