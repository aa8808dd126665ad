#include "host/parameters_block.h"

#include <cstring>
#include <optional>
#include <string_view>

#include "base/byte_reader.h"
#include "base/text_field.h"
#include "base/utf.h"
#include "host/plugin_call.h"

namespace tessera {

namespace {

constexpr size_t kReservedOffset = 20;
constexpr size_t kNameOffset = 24;
constexpr size_t kPathOffset = kNameOffset + kDocumentNameField;
static_assert(kPathOffset + kDocumentPathField == kParametersBlockSize);

}  // namespace

ParametersBlock DecodeParametersBlock(std::span<const uint8_t, kParametersBlockSize> bytes, FileSystem& files) {
    const uint8_t* p = bytes.data();
    ParametersBlock block;
    block.marker = static_cast<int32_t>(LoadU32LE(p + 0));
    block.size = static_cast<int32_t>(LoadU32LE(p + 4));
    block.depth = static_cast<int32_t>(LoadU32LE(p + 8));
    block.mask = static_cast<int32_t>(LoadU32LE(p + 12));
    block.view = static_cast<int32_t>(LoadU32LE(p + 16));
    block.reserved = static_cast<int32_t>(LoadU32LE(p + kReservedOffset));
    const DocumentFields document = ReadDocumentFields(bytes.subspan(kNameOffset, kDocumentNameField),
                                                       bytes.subspan(kPathOffset, kDocumentPathField), files);
    block.documentName = document.name.value_or(std::string());
    block.documentPath = document.path.value_or(std::string());
    if (!document.path) {
        block.pathState = StoredPath::NotText;
    } else if (!document.path->empty() && document.path->back() == kCutPathMark) {
        block.pathState = StoredPath::TooLong;
    }
    return block;
}

void EncodeParametersBlock(const ParametersBlock& block, std::span<uint8_t, kParametersBlockSize> bytes) {
    uint8_t* p = bytes.data();
    StoreU32LE(p + 0, static_cast<uint32_t>(block.marker));
    StoreU32LE(p + 4, static_cast<uint32_t>(block.size));
    StoreU32LE(p + 8, static_cast<uint32_t>(block.depth));
    StoreU32LE(p + 12, static_cast<uint32_t>(block.mask));
    StoreU32LE(p + 16, static_cast<uint32_t>(block.view));
    StoreU32LE(p + kReservedOffset, static_cast<uint32_t>(block.reserved));
    WriteTextField(bytes.subspan(kNameOffset, kDocumentNameField), block.documentName);
    const std::span<uint8_t> path = bytes.subspan(kPathOffset, kDocumentPathField);
    if (!WriteTextField(path, block.documentPath)) {
        // Room for the mark and the NUL: what is kept names no file, least of all another one.
        const std::string_view kept =
            std::string_view(block.documentPath).substr(0, Utf8Prefix(block.documentPath, kDocumentPathField - 2));
        WriteTextField(path, std::string(kept) + kCutPathMark);
    }
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

namespace {

// The size the host reports for its handle; 0 when it cannot tell.
int32 HostHandleSize(const FilterRecord* record, Handle handle) {
    const HandleProcs* procs = record->handleProcs;
    if (handle == nullptr || procs == nullptr || procs->numHandleProcs < kHandleProcsForGetSize ||
        procs->getSizeProc == nullptr) {
        return 0;
    }
    return procs->getSizeProc(handle);
}

bool HoldsBlock(const FilterRecord* record, Handle handle) {
    const int32 size = HostHandleSize(record, handle);
    return size == 0 || size >= static_cast<int32>(kParametersBlockSize);
}

void DisposeHostHandle(const FilterRecord* record, Handle handle) {
    const HandleProcs* procs = record->handleProcs;
    if (procs != nullptr && procs->numHandleProcs >= kHandleProcsForDispose && procs->disposeProc != nullptr) {
        procs->disposeProc(handle);
    }
}

}  // namespace

Ptr LockParametersBlock(const FilterRecord* record) {
    if (!HoldsBlock(record, record->parameters)) {
        return nullptr;
    }
    return LockHostHandle(record, record->parameters);
}

void SetUpParameters(PluginCall& call) {
    FilterRecord* record = call.record;
    bool isNew = false;
    if (record->parameters != nullptr && !HoldsBlock(record, record->parameters)) {
        // Never read past the end of what the host kept: the block starts again.
        DisposeHostHandle(record, record->parameters);
        record->parameters = nullptr;
    }
    if (record->parameters == nullptr) {
        Handle handle = NewHostHandle(record, static_cast<int32>(kParametersBlockSize));
        if (handle == nullptr) {
            call.result = nilHandleErr;
            return;
        }
        record->parameters = handle;
        isNew = true;
    }
    Ptr p = LockParametersBlock(record);
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

void EnsureParametersBlock(PluginCall& call) {
    FilterRecord* record = call.record;
    if (record->parameters != nullptr && HoldsBlock(record, record->parameters)) {
        return;
    }
    const OSErr result = call.result;
    SetUpParameters(call);
    call.result = result;
}

bool StoreApplyChoice(const FilterRecord& record, const ParametersBlock& choice) {
    Ptr p = LockParametersBlock(&record);
    if (p == nullptr) {
        return false;
    }
    const std::span<uint8_t, kParametersBlockSize> bytes(reinterpret_cast<uint8_t*>(p), kParametersBlockSize);
    ParametersBlock block = choice;
    block.marker = static_cast<int32_t>(LoadU32LE(bytes.data()));
    block.reserved = static_cast<int32_t>(LoadU32LE(bytes.data() + kReservedOffset));
    EncodeParametersBlock(block, bytes);
    UnlockHostHandle(&record, record.parameters);
    return true;
}

}  // namespace tessera
