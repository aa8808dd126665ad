#include "hostapp/layer_host.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <new>

namespace tessera {

namespace {

// The largest buffer one request may ask for; a larger request answers memFullErr, as a host that
// runs out of room would.
constexpr uint64_t kMaxBufferBytes = uint64_t{256} << 20;
// Fills the padding at the end of every buffer row, so a plug-in that writes past its row shows up.
constexpr uint8_t kRowGuard = 0xA5;
// What "no padding" delivers outside the image: not zero, so a plug-in that relies on it shows up.
constexpr uint8_t kUndefinedPadding = 0xCD;
// What a buffer of an earlier call holds once it is no longer the current one.
constexpr uint8_t kStaleByte = 0xDD;
constexpr int16 kPadReplicateEdge = -1;
constexpr int16 kPadUndefined = -2;
constexpr OSType kHostSignature = 0x54535248;  // 'TSRH'

// The host's own reading of a rectangle, independent of the plug-in's.
bool Empty(const Rect& r) {
    return !(r.top < r.bottom && r.left < r.right);
}

bool Inside(const Rect& r, int x, int y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

Rect Intersect(const Rect& a, const Rect& b) {
    return Rect{std::max(a.top, b.top), std::max(a.left, b.left), std::min(a.bottom, b.bottom),
                std::min(a.right, b.right)};
}

// Fills a buffer for `rect`, columnBytes bytes a pixel, from `pixels(x, y, count, dest)` for runs of
// `count` pixels of the image starting at (x, y), and by the padding rule elsewhere.
template <typename PixelsFn>
OSErr FillBuffer(const Rect& rect,
                 int32 columnBytes,
                 int rowPadding,
                 int16 padding,
                 int width,
                 int height,
                 PixelsFn pixels,
                 std::unique_ptr<uint8_t[]>& bytes,
                 int32& rowBytes) {
    const bool reachesOutside = rect.left < 0 || rect.top < 0 || rect.right > width || rect.bottom > height;
    const bool fillValue = padding >= 0 && padding <= 255;
    if (reachesOutside && !fillValue && padding != kPadReplicateEdge && padding != kPadUndefined) {
        return filterBadParameters;
    }
    const int columns = rect.right - rect.left;
    const int rows = rect.bottom - rect.top;
    const uint64_t row =
        static_cast<uint64_t>(columns) * static_cast<uint64_t>(columnBytes) + static_cast<uint64_t>(rowPadding);
    if (row * static_cast<uint64_t>(rows) > kMaxBufferBytes) {
        return memFullErr;
    }
    bytes.reset(new (std::nothrow) uint8_t[row * static_cast<uint64_t>(rows)]);
    if (!bytes) {
        return memFullErr;
    }
    rowBytes = static_cast<int32>(row);
    const uint8_t padByte = fillValue ? static_cast<uint8_t>(padding) : kUndefinedPadding;
    // The columns of every row that lie in the image, when the row does.
    const int insideLeft = std::clamp<int>(rect.left, 0, width);
    const int insideRight = std::max(insideLeft, std::clamp<int>(rect.right, 0, width));
    for (int y = rect.top; y < rect.bottom; ++y) {
        uint8_t* line = bytes.get() + static_cast<size_t>(y - rect.top) * row;
        const auto at = [&](int x) {
            return line + static_cast<size_t>(x - rect.left) * static_cast<size_t>(columnBytes);
        };
        const bool rowInside = y >= 0 && y < height;
        for (int x = rect.left; x < rect.right; ++x) {
            if (rowInside && x == insideLeft && insideLeft < insideRight) {
                pixels(x, y, insideRight - insideLeft, at(x));
                x = insideRight - 1;
            } else if (padding == kPadReplicateEdge) {
                pixels(std::clamp(x, 0, width - 1), std::clamp(y, 0, height - 1), 1, at(x));
            } else {
                std::memset(at(x), padByte, static_cast<size_t>(columnBytes));
            }
        }
        std::memset(line + static_cast<size_t>(columns) * static_cast<size_t>(columnBytes), kRowGuard,
                    static_cast<size_t>(rowPadding));
    }
    return noErr;
}

}  // namespace

struct LayerHost::HostHandle {
    Ptr data = nullptr;  // the master pointer: the Handle the plug-in holds is its address
    std::unique_ptr<char[]> storage;
    int32 size = 0;
    int locks = 0;
    std::unique_ptr<HostHandle> next;
};

class LayerHost::CurrentScope {
  public:
    explicit CurrentScope(LayerHost* host) : saved_(current_) { current_ = host; }
    ~CurrentScope() { current_ = saved_; }
    CurrentScope(const CurrentScope&) = delete;
    CurrentScope& operator=(const CurrentScope&) = delete;

  private:
    LayerHost* saved_;
};

LayerHost* LayerHost::current_ = nullptr;

std::optional<Layer> MakeLayer(int width, int height, int planes) {
    if (width < 1 || width > kMaxLayerSide || height < 1 || height > kMaxLayerSide || (planes != 3 && planes != 4)) {
        return std::nullopt;
    }
    Layer layer;
    layer.width = width;
    layer.height = height;
    layer.planes = planes;
    layer.pixels.reset(new (std::nothrow) uint8_t[layer.ByteCount()]());
    if (!layer.pixels) {
        return std::nullopt;
    }
    return layer;
}

void CopyLayerToBlueFirst(const Layer& layer, uint8_t* out, size_t stride, int planes) {
    for (int y = 0; y < layer.height; ++y) {
        uint8_t* row = out + static_cast<size_t>(y) * stride;
        for (int x = 0; x < layer.width; ++x) {
            const uint8_t* s = layer.At(x, y);
            uint8_t* d = row + static_cast<size_t>(x) * static_cast<size_t>(planes);
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
            if (planes == 4) {
                d[3] = layer.planes == 4 ? s[3] : 255;
            }
        }
    }
}

void CopyBlueFirstToLayer(const uint8_t* in, size_t stride, Layer& layer) {
    for (int y = 0; y < layer.height; ++y) {
        const uint8_t* row = in + static_cast<size_t>(y) * stride;
        for (int x = 0; x < layer.width; ++x) {
            const uint8_t* s = row + static_cast<size_t>(x) * 4;
            uint8_t* d = layer.At(x, y);
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
            if (layer.planes == 4) {
                d[3] = s[3];
            }
        }
    }
}

std::optional<Rect> ParseSelection(std::string_view text) {
    int values[4] = {};
    for (size_t i = 0; i < 4; ++i) {
        const size_t comma = i < 3 ? text.find(',') : text.size();
        if (comma == std::string_view::npos) {
            return std::nullopt;
        }
        const std::string_view field = text.substr(0, comma);
        const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), values[i]);
        if (field.empty() || ec != std::errc() || end != field.data() + field.size() || values[i] < 0 ||
            values[i] > kMaxLayerSide) {
            return std::nullopt;
        }
        text.remove_prefix(std::min(comma + 1, text.size()));
    }
    return Rect{static_cast<int16>(values[1]), static_cast<int16>(values[0]), static_cast<int16>(values[3]),
                static_cast<int16>(values[2])};
}

LayerHost::LayerHost(Layer layer, const LayerHostOptions& options)
    : previous_(current_), layer_(std::move(layer)), options_(options) {
    current_ = this;
    options_.rowPadding = std::max(options_.rowPadding, 0);

    procs_.handleProcsVersion = 1;
    procs_.numHandleProcs = 8;
    procs_.newProc = &NewProc;
    procs_.disposeProc = &DisposeProc;
    procs_.getSizeProc = &GetSizeProc;
    procs_.setSizeProc = &SetSizeProc;
    procs_.lockProc = &LockProc;
    procs_.unlockProc = &UnlockProc;
    procs_.recoverSpaceProc = &RecoverSpaceProc;
    procs_.disposeRegularHandleProc = &DisposeProc;

    const auto width = static_cast<int16>(layer_.width);
    const auto height = static_cast<int16>(layer_.height);
    const int16 transparency = layer_.planes == 4 ? 1 : 0;
    record_.abortProc = &AbortProc;
    record_.progressProc = &ProgressProc;
    record_.imageSize = Point{height, width};
    record_.wholeSize = record_.imageSize;
    record_.planes = static_cast<int16>(layer_.planes);
    record_.filterRect = Rect{0, 0, height, width};
    record_.background = PSRGBColor{0xFFFF, 0xFFFF, 0xFFFF};
    record_.foreground = PSRGBColor{0, 0, 0};
    std::memset(record_.backColor, 0xFF, sizeof record_.backColor);
    record_.maxSpace = static_cast<int32>(kMaxBufferBytes);
    record_.maxSpace64 = static_cast<int64>(kMaxBufferBytes);
    record_.isFloating = options_.isFloating ? 1 : 0;
    record_.haveMask = options_.haveMask ? 1 : 0;
    record_.autoMask = 1;
    record_.hostSig = kHostSignature;
    record_.imageMode = plugInModeRGBColor;
    record_.imageHRes = 72 * kFixedOne;
    record_.imageVRes = 72 * kFixedOne;
    record_.platformData = &platform_;
    record_.handleProcs = &procs_;
    record_.advanceState = &AdvanceStateProc;
    record_.supportsAbsolute = 1;
    record_.supportsPadding = 1;
    record_.depth = 8;
    // One layer: what the plug-in reads, writes and sees as absolute planes are the same planes.
    record_.inLayerPlanes = record_.outLayerPlanes = record_.absLayerPlanes = 3;
    record_.inTransparencyMask = record_.outTransparencyMask = record_.absTransparencyMask = transparency;
    if (options_.quirks.noAbsoluteLayerPlanes) {
        record_.absLayerPlanes = 0;
    }
    const size_t pixels = static_cast<size_t>(layer_.width) * static_cast<size_t>(layer_.height);
    if (transparency != 0 && options_.layerMask.size() == pixels) {
        // The mask and the plane after it are the host's, not the layer's: they come after the layer's own
        // planes, and only absolute requests (and outputs) count them.
        afterCount_ = options_.planeAfterMask ? 2 : 1;
        afterPlanes_.assign(pixels * static_cast<size_t>(afterCount_), 0);
        for (size_t i = 0; i < pixels; ++i) {
            afterPlanes_[i * static_cast<size_t>(afterCount_)] = options_.layerMask[i];
        }
        record_.absLayerMasks = record_.outLayerMasks = 1;
        record_.absNonLayerPlanes = record_.outNonLayerPlanes = static_cast<int16>(afterCount_ - 1);
    }
    ResetRequest();
}

LayerHost::~LayerHost() {
    if (current_ == this) {
        current_ = previous_;
    }
    // One handle after another, so a long chain cannot exhaust the stack.
    while (handles_ != nullptr) {
        handles_ = std::move(handles_->next);
    }
}

bool LayerHost::SetSelection(const Rect& selection) {
    if (Empty(selection) || selection.left < 0 || selection.top < 0 || selection.right > layer_.width ||
        selection.bottom > layer_.height) {
        return false;
    }
    record_.filterRect = selection;
    return true;
}

size_t LayerHost::LiveHandles() const {
    size_t count = 0;
    for (const HostHandle* h = handles_.get(); h != nullptr; h = h->next.get()) {
        ++count;
    }
    return count;
}

int LayerHost::LockedHandles() const {
    int count = 0;
    for (const HostHandle* h = handles_.get(); h != nullptr; h = h->next.get()) {
        count += h->locks > 0 ? 1 : 0;
    }
    return count;
}

Handle LayerHost::NewHandle(int32 size) {
    if (size < 0) {
        return nullptr;
    }
    std::unique_ptr<HostHandle> handle(new (std::nothrow) HostHandle);
    if (handle == nullptr) {
        return nullptr;
    }
    // Never a zero-length allocation, so even an empty handle has a master pointer to lock.
    handle->storage.reset(new (std::nothrow) char[static_cast<size_t>(std::max(size, 1))]());
    if (handle->storage == nullptr) {
        return nullptr;
    }
    handle->data = handle->storage.get();
    handle->size = size;
    handle->next = std::move(handles_);
    handles_ = std::move(handle);
    return &handles_->data;
}

LayerHost::HostHandle* LayerHost::Find(Handle handle) const {
    for (HostHandle* h = handles_.get(); h != nullptr; h = h->next.get()) {
        if (&h->data == handle) {
            return h;
        }
    }
    return nullptr;
}

void LayerHost::DisposeHandle(Handle handle) {
    for (std::unique_ptr<HostHandle>* link = &handles_; *link != nullptr; link = &(*link)->next) {
        if (&(*link)->data == handle) {
            if (record_.parameters == handle) {
                record_.parameters = nullptr;
            }
            *link = std::move((*link)->next);
            return;
        }
    }
}

bool LayerHost::ResizeHandle(HostHandle& handle, int32 size) {
    if (size < 0) {
        return false;
    }
    std::unique_ptr<char[]> storage(new (std::nothrow) char[static_cast<size_t>(std::max(size, 1))]());
    if (storage == nullptr) {
        return false;
    }
    std::memcpy(storage.get(), handle.data, static_cast<size_t>(std::min(size, handle.size)));
    handle.storage = std::move(storage);
    handle.data = handle.storage.get();
    handle.size = size;
    return true;
}

bool LayerHost::SetParameters(std::span<const uint8_t> bytes) {
    if (bytes.size() > static_cast<size_t>(INT32_MAX)) {
        return false;
    }
    const auto size = static_cast<int32>(bytes.size());
    HostHandle* handle = Find(record_.parameters);
    if (handle == nullptr) {
        record_.parameters = NewHandle(size);
        handle = Find(record_.parameters);
        if (handle == nullptr) {
            return false;
        }
    } else if (!ResizeHandle(*handle, size)) {
        return false;
    }
    if (!bytes.empty()) {
        std::memcpy(handle->data, bytes.data(), bytes.size());
    }
    return true;
}

std::optional<std::vector<uint8_t>> LayerHost::ParametersBytes() const {
    const HostHandle* handle = Find(record_.parameters);
    if (handle == nullptr) {
        return std::nullopt;
    }
    const auto* p = reinterpret_cast<const uint8_t*>(handle->data);
    return std::vector<uint8_t>(p, p + handle->size);
}

void LayerHost::ResetRequest() {
    ReleaseBuffers();
    record_.inRect = record_.outRect = record_.maskRect = Rect{};
    record_.inLoPlane = record_.inHiPlane = record_.outLoPlane = record_.outHiPlane = 0;
    record_.wantsAbsolute = 0;
    record_.inputRate = record_.maskRate = kFixedOne;
    record_.inputPadding = record_.outputPadding = record_.maskPadding = kPadUndefined;
    const bool whole = record_.filterRect.left == 0 && record_.filterRect.top == 0 &&
                       record_.filterRect.right == layer_.width && record_.filterRect.bottom == layer_.height;
    if (options_.isFloating) {
        record_.filterCase = 3;
    } else if (layer_.planes == 4) {
        record_.filterCase = whole ? 4 : 5;
    } else {
        record_.filterCase = whole ? 1 : 2;
    }
}

void LayerHost::ReleaseBuffers() {
    in_ = Buffer{};
    out_ = Buffer{};
    mask_ = Buffer{};
    record_.inData = record_.outData = record_.maskData = nullptr;
    record_.inRowBytes = record_.outRowBytes = record_.maskRowBytes = 0;
    record_.inColumnBytes = record_.outColumnBytes = 0;
    record_.inPlaneBytes = record_.outPlaneBytes = 0;
}

OSErr LayerHost::Deliver(const Rect& rect,
                         int16 loPlane,
                         int16 hiPlane,
                         int16 padding,
                         bool fromLayer,
                         Buffer& buffer) {
    buffer = Buffer{};
    if (Empty(rect)) {
        return noErr;
    }
    if (loPlane < 0 || hiPlane < loPlane || hiPlane >= layer_.planes + afterCount_) {
        return filterBadParameters;
    }
    if (options_.quirks.noPadding) {
        padding = kPadUndefined;
    }
    const int32 columnBytes = hiPlane - loPlane + 1;
    const auto copy = [&](int x, int y, int count, uint8_t* dest) {
        const auto bytes = static_cast<size_t>(count) * static_cast<size_t>(columnBytes);
        if (!fromLayer) {
            std::memset(dest, kUndefinedPadding, bytes);
        } else if (loPlane == 0 && columnBytes == layer_.planes) {
            std::memcpy(dest, layer_.At(x, y), bytes);
        } else if (hiPlane < layer_.planes) {
            for (int i = 0; i < count; ++i) {
                std::memcpy(dest + static_cast<size_t>(i) * static_cast<size_t>(columnBytes),
                            layer_.At(x + i, y) + loPlane, static_cast<size_t>(columnBytes));
            }
        } else {
            for (int i = 0; i < count; ++i) {
                for (int plane = loPlane; plane <= hiPlane; ++plane) {
                    *dest++ = *PlaneAt(x + i, y, plane);
                }
            }
        }
    };
    const OSErr err = FillBuffer(rect, columnBytes, options_.rowPadding, padding, layer_.width, layer_.height, copy,
                                 buffer.bytes, buffer.rowBytes);
    if (err != noErr) {
        return err;
    }
    buffer.rect = rect;
    buffer.loPlane = loPlane;
    buffer.hiPlane = hiPlane;
    buffer.columnBytes = columnBytes;
    return noErr;
}

OSErr LayerHost::DeliverMask(const Rect& rect, int16 padding, Buffer& buffer) {
    buffer = Buffer{};
    if (!options_.haveMask || Empty(rect)) {
        return noErr;
    }
    const Rect selection = record_.filterRect;
    const auto select = [&](int x, int y, int count, uint8_t* dest) {
        for (int i = 0; i < count; ++i) {
            dest[i] = Inside(selection, x + i, y) ? 255 : 0;
        }
    };
    const OSErr err = FillBuffer(rect, 1, options_.rowPadding, padding, layer_.width, layer_.height, select,
                                 buffer.bytes, buffer.rowBytes);
    if (err != noErr) {
        return err;
    }
    buffer.rect = rect;
    buffer.columnBytes = 1;
    return noErr;
}

uint8_t* LayerHost::PlaneAt(int x, int y, int plane) {
    if (plane < layer_.planes) {
        return layer_.At(x, y) + plane;
    }
    const size_t pixel = static_cast<size_t>(y) * static_cast<size_t>(layer_.width) + static_cast<size_t>(x);
    return &afterPlanes_[pixel * static_cast<size_t>(afterCount_) + static_cast<size_t>(plane - layer_.planes)];
}

void LayerHost::CommitOutput() {
    if (out_.bytes) {
        const Rect image{0, 0, static_cast<int16>(layer_.height), static_cast<int16>(layer_.width)};
        // A rectangular selection masks the filter's output: only the selected pixels change.
        const Rect target = Intersect(Intersect(out_.rect, image), record_.filterRect);
        const auto rowOf = [&](int y) {
            return out_.bytes.get() + static_cast<size_t>(y - out_.rect.top) * static_cast<size_t>(out_.rowBytes);
        };
        for (int y = target.top; y < target.bottom; ++y) {
            for (int x = target.left; x < target.right; ++x) {
                const uint8_t* source =
                    rowOf(y) + static_cast<size_t>(x - out_.rect.left) * static_cast<size_t>(out_.columnBytes);
                if (out_.hiPlane < layer_.planes) {
                    std::memcpy(layer_.At(x, y) + out_.loPlane, source, static_cast<size_t>(out_.columnBytes));
                    continue;
                }
                for (int plane = out_.loPlane; plane <= out_.hiPlane; ++plane) {
                    *PlaneAt(x, y, plane) = *source++;
                }
            }
        }
        const size_t used =
            static_cast<size_t>(out_.rect.right - out_.rect.left) * static_cast<size_t>(out_.columnBytes);
        for (int y = out_.rect.top; y < out_.rect.bottom; ++y) {
            const uint8_t* pad = rowOf(y) + used;
            paddingWrites_ += static_cast<int>(
                std::count_if(pad, pad + options_.rowPadding, [](uint8_t b) { return b != kRowGuard; }));
        }
    }
    out_ = Buffer{};
    record_.outData = nullptr;
    record_.outRowBytes = 0;
}

void LayerHost::TakeRequest() {
    if (options_.quirks.newBuffersEveryCall) {
        // Kept, as garbage, while the next buffers are made, so they cannot land where these were.
        staleIn_ = std::move(in_);
        if (staleIn_.bytes) {
            std::memset(
                staleIn_.bytes.get(), kStaleByte,
                static_cast<size_t>(staleIn_.rowBytes) * static_cast<size_t>(staleIn_.rect.bottom - staleIn_.rect.top));
        }
    }
    ReleaseBuffers();
    const Rect image{0, 0, static_cast<int16>(layer_.height), static_cast<int16>(layer_.width)};
    for (const Rect& rect : {record_.inRect, record_.outRect, record_.maskRect}) {
        if (!Empty(rect) && Intersect(rect, image) != rect) {
            ++outsideRequests_;
        }
    }
    if (options_.quirks.clampRectsInPlace) {
        for (Rect* rect : {&record_.inRect, &record_.outRect}) {
            rect->bottom = std::min(rect->bottom, static_cast<int16>(layer_.height));
            rect->right = std::min(rect->right, static_cast<int16>(layer_.width));
        }
    }
}

OSErr LayerHost::AdvanceState() {
    ++advanceCalls_;
    if (advanceError_ != noErr) {
        return advanceError_;
    }
    CommitOutput();
    TakeRequest();
    OSErr err = noErr;
    if (!Empty(record_.inRect) && record_.inputRate != kFixedOne) {
        err = filterBadParameters;  // this host delivers at full resolution only
    }
    if (err == noErr) {
        err = Deliver(record_.inRect, record_.inLoPlane, record_.inHiPlane, record_.inputPadding, true, in_);
    }
    if (err == noErr) {
        err = Deliver(record_.outRect, record_.outLoPlane, record_.outHiPlane, record_.outputPadding,
                      !options_.quirks.freshOutput, out_);
    }
    if (err == noErr && options_.haveMask && !Empty(record_.maskRect) && record_.maskRate != kFixedOne) {
        err = filterBadParameters;
    }
    if (err == noErr) {
        err = DeliverMask(record_.maskRect, record_.maskPadding, mask_);
    }
    if (err != noErr || options_.quirks.noBuffers) {
        ReleaseBuffers();
        return err;
    }
    const bool columnBytes = !options_.quirks.zeroColumnBytes;
    record_.inData = in_.bytes.get();
    record_.inRowBytes = in_.rowBytes;
    record_.inColumnBytes = columnBytes ? in_.columnBytes : 0;
    record_.inPlaneBytes = in_.bytes ? 1 : 0;
    record_.outData = out_.bytes.get();
    record_.outRowBytes = out_.rowBytes;
    record_.outColumnBytes = columnBytes ? out_.columnBytes : 0;
    record_.outPlaneBytes = out_.bytes ? 1 : 0;
    record_.maskData = mask_.bytes.get();
    record_.maskRowBytes = mask_.rowBytes;
    return noErr;
}

int16 LayerHost::CallEntry(FilterEntryProc entry, int16 selector) {
    int16 result = noErr;
    entry(selector, &record_, &data_, &result);
    return result;
}

FilterRunResult LayerHost::RunFilter(FilterEntryProc entry) {
    CurrentScope scope(this);
    FilterRunResult run;
    std::unique_ptr<uint8_t[]> before(new (std::nothrow) uint8_t[layer_.ByteCount()]);
    if (!before) {
        run.result = memFullErr;
        return run;
    }
    std::memcpy(before.get(), layer_.pixels.get(), layer_.ByteCount());
    const std::vector<uint8_t> afterBefore = afterPlanes_;
    ResetRequest();

    for (const int16 selector : {filterSelectorParameters, filterSelectorPrepare, filterSelectorStart}) {
        if (selector == filterSelectorParameters && options_.quirks.skipParameters) {
            continue;
        }
        run.selector = selector;
        run.result = CallEntry(entry, selector);
        if (run.result != noErr) {
            break;
        }
    }
    if (run.selector == filterSelectorStart) {
        const auto pending = [&] {
            return !Empty(record_.inRect) || !Empty(record_.outRect) || (options_.haveMask && !Empty(record_.maskRect));
        };
        while (run.result == noErr && pending()) {
            run.selector = filterSelectorContinue;
            run.result = AdvanceState();
            if (run.result == noErr) {
                run.result = CallEntry(entry, filterSelectorContinue);
            }
        }
        const OSErr finish = CallEntry(entry, filterSelectorFinish);
        if (run.result == noErr && finish != noErr) {
            run = FilterRunResult{finish, filterSelectorFinish};
        }
    }
    if (run.result == noErr) {
        CommitOutput();
    } else {
        std::memcpy(layer_.pixels.get(), before.get(), layer_.ByteCount());
        afterPlanes_ = afterBefore;
    }
    ReleaseBuffers();
    return run;
}

OSErr LayerHost::RunAbout(FilterEntryProc entry) {
    CurrentScope scope(this);
    AboutRecord about{};
    about.platformData = &platform_;
    int16 result = noErr;
    entry(filterSelectorAbout, &about, &data_, &result);
    return result;
}

OSErr LayerHost::AdvanceStateProc() {
    return current_ != nullptr ? current_->AdvanceState() : paramErr;
}

Handle LayerHost::NewProc(int32 size) {
    return current_ != nullptr && !current_->newFails_ ? current_->NewHandle(size) : nullptr;
}

void LayerHost::DisposeProc(Handle handle) {
    if (current_ != nullptr) {
        current_->DisposeHandle(handle);
    }
}

int32 LayerHost::GetSizeProc(Handle handle) {
    const HostHandle* h = current_ != nullptr ? current_->Find(handle) : nullptr;
    return h != nullptr && !current_->options_.quirks.handleSizesUnknown ? h->size : 0;
}

OSErr LayerHost::SetSizeProc(Handle handle, int32 size) {
    HostHandle* h = current_ != nullptr ? current_->Find(handle) : nullptr;
    if (h == nullptr) {
        return nilHandleErr;
    }
    return current_->ResizeHandle(*h, size) ? noErr : memFullErr;
}

Ptr LayerHost::LockProc(Handle handle, Boolean) {
    HostHandle* h = current_ != nullptr ? current_->Find(handle) : nullptr;
    if (h == nullptr || current_->lockFails_) {
        return nullptr;
    }
    ++h->locks;
    return h->data;
}

void LayerHost::UnlockProc(Handle handle) {
    HostHandle* h = current_ != nullptr ? current_->Find(handle) : nullptr;
    if (h != nullptr && h->locks > 0) {
        --h->locks;
    }
}

void LayerHost::RecoverSpaceProc(int32) {}

Boolean LayerHost::AbortProc() {
    return 0;
}

void LayerHost::ProgressProc(int32, int32) {}

}  // namespace tessera
