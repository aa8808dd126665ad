#include "base/png_codec.h"

#include <wincodec.h>
#include <windows.h>

#include <algorithm>
#include <iterator>
#include <limits>
#include <new>

#include "base/win_handles_win.h"

namespace tessera {

namespace {

// Owns one COM interface pointer and releases it once.
template <typename T>
class ComRef {
  public:
    ComRef() = default;
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() {
        if (p_ != nullptr) {
            p_->Release();
        }
    }
    T* operator->() const { return p_; }
    [[nodiscard]] T* get() const { return p_; }
    // For the out-parameter of a call that creates the interface; the reference must be empty.
    T** put() { return &p_; }
    void** put_void() { return reinterpret_cast<void**>(&p_); }

  private:
    T* p_ = nullptr;
};

bool CreateFactory(ComRef<IWICImagingFactory>& factory) {
    return SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                      factory.put_void()));
}

// Whether pixels of this frame can be transparent: an alpha channel, or a palette with alpha.
bool FrameHasTransparency(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame) {
    WICPixelFormatGUID format{};
    if (FAILED(frame->GetPixelFormat(&format))) {
        return false;
    }
    ComRef<IWICComponentInfo> info;
    ComRef<IWICPixelFormatInfo2> formatInfo;
    BOOL transparent = FALSE;
    if (SUCCEEDED(factory->CreateComponentInfo(format, info.put())) &&
        SUCCEEDED(info->QueryInterface(IID_IWICPixelFormatInfo2, formatInfo.put_void())) &&
        SUCCEEDED(formatInfo->SupportsTransparency(&transparent)) && transparent) {
        return true;
    }
    ComRef<IWICPalette> palette;
    BOOL paletteAlpha = FALSE;
    return SUCCEEDED(factory->CreatePalette(palette.put())) && SUCCEEDED(frame->CopyPalette(palette.get())) &&
           SUCCEEDED(palette->HasAlpha(&paletteAlpha)) && paletteAlpha;
}

bool EncodeInto(IWICImagingFactory* factory,
                IStream* stream,
                const uint8_t* rows,
                UINT width,
                UINT height,
                int channels) {
    const UINT stride = width * static_cast<UINT>(channels);
    ComRef<IWICBitmapEncoder> encoder;
    ComRef<IWICBitmapFrameEncode> frame;
    ComRef<IPropertyBag2> properties;
    const WICPixelFormatGUID wanted = channels == 4 ? GUID_WICPixelFormat32bppBGRA : GUID_WICPixelFormat24bppBGR;
    WICPixelFormatGUID format = wanted;
    // WritePixels only reads the rows; its parameter is not declared const.
    return SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put())) &&
           SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
           SUCCEEDED(encoder->CreateNewFrame(frame.put(), properties.put())) &&
           SUCCEEDED(frame->Initialize(properties.get())) && SUCCEEDED(frame->SetSize(width, height)) &&
           SUCCEEDED(frame->SetPixelFormat(&format)) && format == wanted &&
           SUCCEEDED(frame->WritePixels(height, stride, stride * height, const_cast<BYTE*>(rows))) &&
           SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

}  // namespace

std::optional<std::vector<uint8_t>> EncodePngRows(const uint8_t* rows, int width, int height, int channels) {
    // The apartment outlives every interface below, which are released before it.
    const ComApartment com;
    ComRef<IWICImagingFactory> factory;
    ComRef<IStream> stream;
    STATSTG stat{};
    HGLOBAL memory = nullptr;
    const bool encoded =
        CreateFactory(factory) && SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, stream.put())) &&
        EncodeInto(factory.get(), stream.get(), rows, static_cast<UINT>(width), static_cast<UINT>(height), channels) &&
        SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME)) && SUCCEEDED(GetHGlobalFromStream(stream.get(), &memory));
    const auto* bytes = encoded ? static_cast<const uint8_t*>(GlobalLock(memory)) : nullptr;
    if (bytes == nullptr) {
        return std::nullopt;
    }
    std::vector<uint8_t> png(bytes, bytes + stat.cbSize.QuadPart);
    GlobalUnlock(memory);
    return png;
}

std::optional<PngRows> DecodePngRows(std::span<const uint8_t> bytes, int maxSide, PngFault& fault) {
    // Windows' PNG decoder may read the whole stream when it starts, so its failure alone cannot tell
    // bytes that are no PNG at all from a damaged PNG; the signature every PNG stream opens with does.
    constexpr uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size() < sizeof kSignature || !std::equal(std::begin(kSignature), std::end(kSignature), bytes.begin())) {
        fault = PngFault::NotPng;
        return std::nullopt;
    }
    if (bytes.size() > std::numeric_limits<DWORD>::max()) {
        fault = PngFault::TooLarge;
        return std::nullopt;
    }
    const ComApartment com;
    ComRef<IWICImagingFactory> factory;
    ComRef<IWICStream> stream;
    ComRef<IWICBitmapDecoder> decoder;
    // The stream is given exactly the span, so the decoder cannot read past it; it only reads, though
    // the parameter is not declared const.
    if (!CreateFactory(factory) || FAILED(factory->CreateStream(stream.put())) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()))) ||
        FAILED(factory->CreateDecoder(GUID_ContainerFormatPng, nullptr, decoder.put()))) {
        fault = PngFault::NoCodec;
        return std::nullopt;
    }
    ComRef<IWICBitmapFrameDecode> frame;
    if (FAILED(decoder->Initialize(stream.get(), WICDecodeMetadataCacheOnDemand)) ||
        FAILED(decoder->GetFrame(0, frame.put()))) {
        fault = PngFault::Damaged;
        return std::nullopt;
    }
    UINT width = 0;
    UINT height = 0;
    if (FAILED(frame->GetSize(&width, &height)) || width == 0 || height == 0) {
        fault = PngFault::Damaged;
        return std::nullopt;
    }
    if (width > static_cast<UINT>(maxSide) || height > static_cast<UINT>(maxSide) ||
        uint64_t{width} * 4 * height > std::numeric_limits<UINT>::max()) {
        fault = PngFault::TooLarge;
        return std::nullopt;
    }
    PngRows decoded;
    decoded.width = static_cast<int>(width);
    decoded.height = static_cast<int>(height);
    decoded.transparent = FrameHasTransparency(factory.get(), frame.get());
    const UINT stride = width * 4;
    decoded.bgra.reset(new (std::nothrow) uint8_t[size_t{stride} * height]);
    if (!decoded.bgra) {
        fault = PngFault::NoMemory;
        return std::nullopt;
    }
    ComRef<IWICBitmapSource> converted;
    if (FAILED(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame.get(), converted.put())) ||
        FAILED(converted->CopyPixels(nullptr, stride, stride * height, decoded.bgra.get()))) {
        fault = PngFault::Damaged;
        return std::nullopt;
    }
    return decoded;
}

}  // namespace tessera
