#include "hostapp/png.h"

#include <wincodec.h>
#include <windows.h>

#include <cstdint>
#include <memory>
#include <new>
#include <utility>

#include "base/wide_win.h"
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

bool CreateFactory(ComRef<IWICImagingFactory>& factory, std::string& error) {
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                factory.put_void()))) {
        error = "the Windows Imaging Component is not available";
        return false;
    }
    return true;
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

// Encodes the layer into the stream as a PNG with `planes` bytes a pixel: 3 without alpha, 4 with it.
bool EncodePng(IWICImagingFactory* factory, IStream* stream, const Layer& layer, int planes) {
    const auto width = static_cast<UINT>(layer.width);
    const auto height = static_cast<UINT>(layer.height);
    const UINT stride = width * static_cast<UINT>(planes);
    std::unique_ptr<uint8_t[]> pixels(new (std::nothrow) uint8_t[size_t{stride} * height]);
    if (!pixels) {
        return false;
    }
    // The layer's planes are red, green, blue (and transparency); WIC takes blue first.
    CopyLayerToBlueFirst(layer, pixels.get(), stride, planes);
    ComRef<IWICBitmapEncoder> encoder;
    ComRef<IWICBitmapFrameEncode> frame;
    ComRef<IPropertyBag2> properties;
    const WICPixelFormatGUID wanted = planes == 4 ? GUID_WICPixelFormat32bppBGRA : GUID_WICPixelFormat24bppBGR;
    WICPixelFormatGUID format = wanted;
    return SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put())) &&
           SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
           SUCCEEDED(encoder->CreateNewFrame(frame.put(), properties.put())) &&
           SUCCEEDED(frame->Initialize(properties.get())) && SUCCEEDED(frame->SetSize(width, height)) &&
           SUCCEEDED(frame->SetPixelFormat(&format)) && format == wanted &&
           SUCCEEDED(frame->WritePixels(height, stride, stride * height, pixels.get())) && SUCCEEDED(frame->Commit()) &&
           SUCCEEDED(encoder->Commit());
}

}  // namespace

std::optional<Layer> ReadPngLayer(const std::string& path, std::string& error) {
    const ComApartment com;
    const std::optional<std::wstring> name = WidePath(path);
    if (!name || GetFileAttributesW(name->c_str()) == INVALID_FILE_ATTRIBUTES) {
        error = "cannot open " + path;
        return std::nullopt;
    }
    ComRef<IWICImagingFactory> factory;
    if (!CreateFactory(factory, error)) {
        return std::nullopt;
    }
    ComRef<IWICBitmapDecoder> decoder;
    GUID container{};
    ComRef<IWICBitmapFrameDecode> frame;
    if (FAILED(factory->CreateDecoderFromFilename(WidePath(path).value_or(std::wstring()).c_str(), nullptr,
                                                  GENERIC_READ, WICDecodeMetadataCacheOnDemand, decoder.put())) ||
        FAILED(decoder->GetContainerFormat(&container)) || container != GUID_ContainerFormatPng ||
        FAILED(decoder->GetFrame(0, frame.put()))) {
        error = path + " is not a PNG image";
        return std::nullopt;
    }
    UINT width = 0;
    UINT height = 0;
    if (FAILED(frame->GetSize(&width, &height)) || width == 0 || height == 0 || width > kMaxLayerSide ||
        height > kMaxLayerSide) {
        error = path + " is empty or larger than " + std::to_string(kMaxLayerSide) + " pixels a side";
        return std::nullopt;
    }
    const int planes = FrameHasTransparency(factory.get(), frame.get()) ? 4 : 3;
    std::optional<Layer> layer = MakeLayer(static_cast<int>(width), static_cast<int>(height), planes);
    const UINT stride = width * 4;
    std::unique_ptr<uint8_t[]> bgra(new (std::nothrow) uint8_t[size_t{stride} * height]);
    if (!layer || !bgra) {
        error = "not enough memory for " + path;
        return std::nullopt;
    }
    ComRef<IWICBitmapSource> converted;
    if (FAILED(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame.get(), converted.put())) ||
        FAILED(converted->CopyPixels(nullptr, stride, stride * height, bgra.get()))) {
        error = path + " is damaged: its pixels cannot be read";
        return std::nullopt;
    }
    CopyBlueFirstToLayer(bgra.get(), stride, *layer);
    return layer;
}

bool WritePngLayer(const Layer& layer, const std::string& path, std::string& error) {
    const ComApartment com;
    ComRef<IWICImagingFactory> factory;
    if (!CreateFactory(factory, error)) {
        return false;
    }
    bool written = false;
    {
        ComRef<IWICStream> stream;
        written =
            SUCCEEDED(factory->CreateStream(stream.put())) &&
            SUCCEEDED(stream->InitializeFromFilename(WidePath(path).value_or(std::wstring()).c_str(), GENERIC_WRITE)) &&
            EncodePng(factory.get(), stream.get(), layer, layer.planes);
    }
    if (!written) {
        if (const std::optional<std::wstring> name = WidePath(path)) {
            DeleteFileW(name->c_str());
        }
        error = "cannot write " + path;
    }
    return written;
}

std::optional<std::vector<uint8_t>> EncodePngRgba(const Layer& layer, std::string& error) {
    const ComApartment com;
    ComRef<IWICImagingFactory> factory;
    if (!CreateFactory(factory, error)) {
        return std::nullopt;
    }
    ComRef<IStream> stream;
    STATSTG stat{};
    HGLOBAL memory = nullptr;
    const bool encoded = SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, stream.put())) &&
                         EncodePng(factory.get(), stream.get(), layer, 4) &&
                         SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME)) &&
                         SUCCEEDED(GetHGlobalFromStream(stream.get(), &memory));
    const auto* bytes = encoded ? static_cast<const uint8_t*>(GlobalLock(memory)) : nullptr;
    if (bytes == nullptr) {
        error = "cannot encode the image as PNG";
        return std::nullopt;
    }
    std::vector<uint8_t> png(bytes, bytes + stat.cbSize.QuadPart);
    GlobalUnlock(memory);
    return png;
}

}  // namespace tessera
