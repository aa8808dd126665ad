// The parameters block as a host hands it back, on any bytes: the first byte says how the host answers
// getSizeProc (0: the true size of the handle, so a short handle must be replaced and never read past
// its end; otherwise 0, a host that cannot tell, whose handle is then at least a block long), the rest
// are the handle's bytes. An empty handle whose true size is 0 looks like a host that cannot tell, so
// it is one. The Parameters call, storing the Apply choice and Apply's own read must keep
// inside the handle, and leave a block that reads back as what was stored: names as UTF-8 (an older
// block's ANSI ones converted), a path too long for its field marked as such.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/alerts.h"
#include "base/utf.h"
#include "host/apply_to_layer.h"
#include "host/parameters_block.h"
#include "host/plugin_call.h"
#include "support/fake_files.h"

namespace {

using namespace tessera;

class SilentAlerts final : public Alerts {
  public:
    AlertAnswer Show(const Alert&) override { return AlertAnswer::Ok; }
};

// One handle at a time, of exactly its size, so a read past its end is a finding.
struct Handles {
    static inline std::unique_ptr<char[]> storage;
    static inline char* master = nullptr;
    static inline int32 size = 0;
    static inline bool sizeKnown = true;

    static Handle Make(const uint8_t* bytes, size_t length, size_t capacity) {
        storage.reset(new char[capacity]());
        if (length > 0) {
            std::memcpy(storage.get(), bytes, length);
        }
        master = storage.get();
        size = static_cast<int32>(capacity);
        return &master;
    }
    static Handle New(int32 bytes) { return bytes < 0 ? nullptr : Make(nullptr, 0, static_cast<size_t>(bytes)); }
    static void Dispose(Handle) {
        storage.reset();
        master = nullptr;
        size = 0;
    }
    static int32 GetSize(Handle) { return sizeKnown ? size : 0; }
    static Ptr Lock(Handle h, Boolean) { return *h; }
    static void Unlock(Handle) {}
};

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "parameters block broke a promise: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 4 * kParametersBlockSize) {
        return 0;
    }
    const size_t length = size - 1;
    Handles::sizeKnown = data[0] == 0 && length > 0;
    // A host that cannot tell the size is trusted, so its handle holds at least a block.
    const size_t capacity = Handles::sizeKnown ? length : std::max(length, kParametersBlockSize);

    HandleProcs procs{};
    procs.handleProcsVersion = 1;
    procs.numHandleProcs = 8;
    procs.newProc = &Handles::New;
    procs.disposeProc = &Handles::Dispose;
    procs.getSizeProc = &Handles::GetSize;
    procs.lockProc = &Handles::Lock;
    procs.unlockProc = &Handles::Unlock;
    FilterRecord record{};
    record.handleProcs = &procs;
    record.parameters = Handles::Make(data + 1, length, capacity);

    SilentAlerts alerts;
    PluginCall call(&record, alerts);
    SetUpParameters(call);
    Require(call.result == noErr, "a handle the host kept is always made usable");
    Require(Handles::size >= static_cast<int32>(kParametersBlockSize), "the block fits the handle");
    const auto* kept = reinterpret_cast<const uint8_t*>(Handles::master);
    Require(kept[0] == 1 && kept[1] == 0 && kept[2] == 0 && kept[3] == 0, "the marker is set");

    test::MemoryFileSystem files;
    ParametersBlock choice = DecodeParametersBlock(std::span<const uint8_t, kParametersBlockSize>(kept, 1304), files);
    choice.documentName += "name";
    choice.documentPath += "path";
    Require(StoreApplyChoice(record, choice), "the choice is stored");
    const ParametersBlock stored =
        DecodeParametersBlock(std::span<const uint8_t, kParametersBlockSize>(
                                  reinterpret_cast<const uint8_t*>(Handles::master), kParametersBlockSize),
                              files);
    Require(stored.size == choice.size && stored.depth == choice.depth && stored.mask == choice.mask &&
                stored.view == choice.view,
            "the format reads back");
    // Names read back as UTF-8, cut only where a character ends; a path too long for its field reads
    // back as its start with the mark that no file name holds, and says so.
    const std::string& path = choice.documentPath;
    Require(
        stored.documentName == choice.documentName.substr(0, Utf8Prefix(choice.documentName, kDocumentNameField - 1)),
        "the name reads back");
    if (path.size() < kDocumentPathField) {
        Require(stored.documentPath == path && stored.pathState == StoredPath::Whole, "the path reads back");
    } else {
        Require(stored.documentPath == path.substr(0, Utf8Prefix(path, kDocumentPathField - 2)) + kCutPathMark &&
                    stored.pathState == StoredPath::TooLong,
                "a path too long reads back marked");
    }

    ApplyStoredResource(call, files);
    Require(call.result == noErr, "a stored block is always reachable");
    Handles::Dispose(record.parameters);
    return 0;
}
