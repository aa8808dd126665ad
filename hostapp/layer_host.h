#pragma once
// A host that holds one RGB layer in memory and calls a filter the way the photo editor does: it keeps
// the filter record, hands out memory through its handle callbacks and delivers the layer's pixels
// through advanceState. tessera-host.exe runs the plug-in on it, and the native tests use it as their
// host, so both see the same record layout and the same buffer rules.
//
// advanceState and the handle callbacks take no host argument, so they reach the host that is current:
// a host becomes current when it is made and while it runs a filter, and stops being current when it
// is destroyed.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "host/filter_record.h"

namespace tessera {

// The plug-in's exported entry, as the host calls it.
using FilterEntryProc = void (*)(int16 selector, void* record, intptr_t* data, int16* result);

// An RGB layer, top row first, with (4 planes) or without (3 planes) its transparency plane.
struct Layer {
    int width = 0;
    int height = 0;
    int planes = 0;
    std::unique_ptr<uint8_t[]> pixels;

    [[nodiscard]] size_t ByteCount() const {
        return static_cast<size_t>(width) * static_cast<size_t>(height) * static_cast<size_t>(planes);
    }
    [[nodiscard]] uint8_t* At(int x, int y) const {
        return pixels.get() + (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) *
                                  static_cast<size_t>(planes);
    }
};

inline constexpr int kMaxLayerSide = 30000;

// A zero-filled layer; none when a side is not 1..kMaxLayerSide, planes is not 3 or 4, or memory is short.
std::optional<Layer> MakeLayer(int width, int height, int planes);

// The layer's pixels blue first, as Windows bitmaps hold them: `planes` bytes a pixel (3: blue, green,
// red; 4: the same and alpha, 255 where the layer has no transparency plane), rows `stride` bytes
// apart, top row first.
void CopyLayerToBlueFirst(const Layer& layer, uint8_t* out, size_t stride, int planes);
// The layer's pixels from 4-byte blue, green, red, alpha rows `stride` bytes apart, top row first; alpha
// goes into the transparency plane when the layer has one.
void CopyBlueFirstToLayer(const uint8_t* in, size_t stride, Layer& layer);

// A selection written LEFT,TOP,RIGHT,BOTTOM in pixels, each 0..kMaxLayerSide (right and bottom are the
// first column and row outside it); none for anything else.
std::optional<Rect> ParseSelection(std::string_view text);

// Ways in which hosts other than the photo editor fill the record and answer requests. Each can be
// switched on, so that a test shows the plug-in surviving it.
struct HostQuirks {
    bool noPadding = false;              // outside the image comes garbage, whatever the padding asks for
    bool zeroColumnBytes = false;        // inColumnBytes and outColumnBytes are left 0
    bool noAbsoluteLayerPlanes = false;  // absLayerPlanes 0 beside absTransparencyMask 1
    bool clampRectsInPlace = false;      // a rectangle past the image's right or bottom is cut in the record
    bool newBuffersEveryCall = false;    // every delivery in new memory; the old buffers turn to garbage
    bool freshOutput = false;            // the output starts as garbage, not the layer, and all of it goes back
    bool skipParameters = false;         // a run starts at Prepare
    bool handleSizesUnknown = false;     // getSizeProc answers 0
    bool noBuffers = false;              // advanceState answers noErr and delivers nothing
};

struct LayerHostOptions {
    int rowPadding = 0;       // bytes after each row of every buffer, so rows are not packed
    bool haveMask = false;    // a selection mask is offered (maskRect is honoured)
    bool isFloating = false;  // the selection floats: the plug-in gets no absolute plane counts
    HostQuirks quirks{};
    // The layer's layer mask, as the photo editor keeps one beside a layer with transparency: a byte a
    // pixel (0 hides, 255 reveals), top row first. It is counted in absLayerMasks and outLayerMasks and
    // is the plane after the transparency; the plug-in reads it only through an absolute request. Empty,
    // or not a byte for every pixel of a layer with transparency: no layer mask.
    std::vector<uint8_t> layerMask{};
    // One more plane after the layer mask, all zeros, counted in absNonLayerPlanes and outNonLayerPlanes.
    bool planeAfterMask = false;
};

struct FilterRunResult {
    OSErr result = noErr;
    int16 selector = filterSelectorParameters;  // the call that gave the result (or was running)
};

class LayerHost {
  public:
    explicit LayerHost(Layer layer, const LayerHostOptions& options = {});
    ~LayerHost();
    LayerHost(const LayerHost&) = delete;
    LayerHost& operator=(const LayerHost&) = delete;

    [[nodiscard]] FilterRecord& Record() { return record_; }
    [[nodiscard]] const Layer& GetLayer() const { return layer_; }
    // The planes kept after the layer's own (the layer mask, then the plane after it), interleaved a
    // pixel at a time, top row first; empty without a layer mask.
    [[nodiscard]] const std::vector<uint8_t>& PlanesAfterLayer() const { return afterPlanes_; }
    // The selection must be non-empty and lie inside the image; otherwise it is refused.
    bool SetSelection(const Rect& selection);
    // The window that owns the plug-in's dialogs (0: none).
    void SetWindow(intptr_t window) { platform_.hwnd = window; }

    // The handle callbacks as the plug-in sees them: tests may null members or lower numHandleProcs.
    [[nodiscard]] HandleProcs& Procs() { return procs_; }
    void SetNewFails(bool fails) { newFails_ = fails; }
    void SetLockFails(bool fails) { lockFails_ = fails; }
    [[nodiscard]] size_t LiveHandles() const;
    [[nodiscard]] int LockedHandles() const;

    // Puts the bytes into the parameters handle, creating it when there is none.
    bool SetParameters(std::span<const uint8_t> bytes);
    // The bytes of the parameters handle; none when there is no handle.
    [[nodiscard]] std::optional<std::vector<uint8_t>> ParametersBytes() const;

    // The host's advanceState: the previous output buffer goes into the layer, then the buffers of the
    // current request are delivered.
    OSErr AdvanceState();
    // From now on advanceState does nothing and answers this error (noErr to go back to normal).
    void SetAdvanceStateError(OSErr error) { advanceError_ = error; }
    [[nodiscard]] int AdvanceStateCalls() const { return advanceCalls_; }
    // Takes the pending output buffer into the layer, as the end of a run does.
    void CommitOutput();
    // Bytes the plug-in wrote into the padding at the end of output rows (none is ever right).
    [[nodiscard]] int PaddingWrites() const { return paddingWrites_; }
    // Requests for a rectangle that reaches outside the image (many hosts cannot serve them).
    [[nodiscard]] int OutsideRequests() const { return outsideRequests_; }

    // Parameters, Prepare, Start, then Continue while any request is non-empty, then Finish. The output
    // reaches the layer only when the whole run succeeds; after a failure the layer is as it was.
    FilterRunResult RunFilter(FilterEntryProc entry);
    OSErr RunAbout(FilterEntryProc entry);

  private:
    struct HostHandle;
    struct Buffer {
        std::unique_ptr<uint8_t[]> bytes;
        Rect rect{};
        int16 loPlane = 0;
        int16 hiPlane = 0;
        int32 rowBytes = 0;
        int32 columnBytes = 0;
    };
    class CurrentScope;

    static OSErr AdvanceStateProc();
    static Handle NewProc(int32 size);
    static void DisposeProc(Handle handle);
    static int32 GetSizeProc(Handle handle);
    static OSErr SetSizeProc(Handle handle, int32 size);
    static Ptr LockProc(Handle handle, Boolean moveHigh);
    static void UnlockProc(Handle handle);
    static void RecoverSpaceProc(int32 size);
    static Boolean AbortProc();
    static void ProgressProc(int32 done, int32 total);

    Handle NewHandle(int32 size);
    HostHandle* Find(Handle handle) const;
    void DisposeHandle(Handle handle);
    bool ResizeHandle(HostHandle& handle, int32 size);

    void ResetRequest();
    // Lets go of the last delivery and reads the new request as this host reads it.
    void TakeRequest();
    void ReleaseBuffers();
    OSErr Deliver(const Rect& rect, int16 loPlane, int16 hiPlane, int16 padding, bool fromLayer, Buffer& buffer);
    OSErr DeliverMask(const Rect& rect, int16 padding, Buffer& buffer);
    // Byte `plane` of pixel (x, y): the layer's own planes first, then the planes kept after them.
    [[nodiscard]] uint8_t* PlaneAt(int x, int y, int plane);
    int16 CallEntry(FilterEntryProc entry, int16 selector);

    static LayerHost* current_;
    LayerHost* previous_ = nullptr;

    Layer layer_;
    LayerHostOptions options_;
    int afterCount_ = 0;  // planes kept after the layer's own: 0, 1 (the layer mask) or 2
    std::vector<uint8_t> afterPlanes_;
    FilterRecord record_{};
    HandleProcs procs_{};
    PlatformData platform_{};
    std::unique_ptr<HostHandle> handles_;  // the newest first
    bool newFails_ = false;
    bool lockFails_ = false;
    Buffer in_;
    Buffer out_;
    Buffer mask_;
    Buffer staleIn_;  // the input of the call before, kept as garbage with newBuffersEveryCall
    OSErr advanceError_ = noErr;
    int advanceCalls_ = 0;
    int paddingWrites_ = 0;
    int outsideRequests_ = 0;
    intptr_t data_ = 0;
};

}  // namespace tessera
