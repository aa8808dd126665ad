#include "icon/draw_resource.h"

#include "base/png_codec.h"

namespace tessera {

namespace {

uint8_t Truncate(double channel) {
    return static_cast<uint8_t>(channel);
}

}  // namespace

ResourceView ViewOf(int32_t view) {
    switch (view) {
        case 1:
            return ResourceView::Data;
        case 2:
            return ResourceView::Mask;
        default:
            return ResourceView::Both;
    }
}

Rgb ShowPixel(ResourceView view, Rgb color, double coverage, Rgb background) {
    switch (view) {
        case ResourceView::Data:
            return color;
        case ResourceView::Mask: {
            const uint8_t grey = Truncate((1.0 - coverage) * 255.0);
            return Rgb{grey, grey, grey};
        }
        case ResourceView::Both:
            break;
    }
    const auto blend = [coverage](uint8_t source, uint8_t back) {
        return Truncate((source / 255.0 * coverage + (1.0 - coverage) * (back / 255.0)) * 255.0);
    };
    return Rgb{blend(color.red, background.red), blend(color.green, background.green),
               blend(color.blue, background.blue)};
}

std::optional<BgraImage> ComposeTrueColorResource(const IconResource& resource, int32_t view, uint32_t background) {
    if (resource.present == 0 || resource.bitsPerPixel != 32 || resource.image == nullptr) {
        return std::nullopt;
    }
    const ResourceView mode = ViewOf(view);
    const Rgb back = RgbOf(background);
    if (resource.png) {
        // The stream's pixels are straight colour and alpha, as the bitmap rows hold them.
        std::optional<BgraImage> picture = DecodePng({resource.image.get(), resource.imageSize});
        if (!picture) {
            return std::nullopt;
        }
        for (int row = 0; row < picture->Height(); ++row) {
            for (int x = 0; x < picture->Width(); ++x) {
                uint8_t* p = picture->At(x, row);
                const Rgb shown = ShowPixel(mode, Rgb{p[2], p[1], p[0]}, p[3] / 255.0, back);
                p[0] = shown.blue;
                p[1] = shown.green;
                p[2] = shown.red;
                p[3] = 0;
            }
        }
        return picture;
    }
    if (resource.colorBits == nullptr) {
        return std::nullopt;
    }
    std::optional<BgraImage> picture = BgraImage::Make(resource.width, resource.height);
    if (!picture) {
        return std::nullopt;
    }
    const size_t stride = static_cast<size_t>(ColorStride(resource.width, 32));
    for (int row = 0; row < resource.height; ++row) {
        const uint8_t* source = resource.colorBits + static_cast<size_t>(row) * stride;
        for (int x = 0; x < resource.width; ++x, source += 4) {
            const Rgb shown = ShowPixel(mode, Rgb{source[2], source[1], source[0]}, source[3] / 255.0, back);
            uint8_t* target = picture->At(x, row);
            target[0] = shown.blue;
            target[1] = shown.green;
            target[2] = shown.red;
        }
    }
    return picture;
}

}  // namespace tessera
