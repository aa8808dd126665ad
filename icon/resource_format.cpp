#include "icon/resource_format.h"

#include "icon/image_kind.h"
#include "resources/resource_ids.h"

namespace tessera {

void ResourceFormat::CopySelection(const ResourceFormat& other, int includeView) {
    size = other.size;
    depth = other.depth;
    mask = other.mask;
    if (includeView != 0) {
        view = other.view;
    }
}

void ResourceFormat::Set(int32_t size_, int32_t depth_, int32_t mask_, int32_t view_) {
    size = size_;
    depth = depth_;
    mask = mask_;
    view = view_;
}

int ResourceFormat::PixelSize() const {
    return KindOfSlot(GridSlotAt(size, 0)).side;
}

int ResourceFormat::SizeButton() const {
    switch (size) {
        case 1:
            return IDC_SIZE_MEDIUM;
        case 2:
            return IDC_SIZE_LARGE;
        case 3:
            return IDC_SIZE_HUGE;
        default:
            return IDC_SIZE_SMALL;
    }
}

int ResourceFormat::DepthButton() const {
    switch (depth) {
        case 1:
            return IDC_DEPTH_256;
        case 2:
            return IDC_DEPTH_TRUE;
        default:
            return IDC_DEPTH_16;
    }
}

int ResourceFormat::MaskButton() const {
    return mask == 1 ? IDC_MASK_SOFT : IDC_MASK_HARD;
}

int ResourceFormat::ViewButton() const {
    switch (view) {
        case 1:
            return IDC_VIEW_DATA;
        case 2:
            return IDC_VIEW_MASK;
        default:
            return IDC_VIEW_BOTH;
    }
}

}  // namespace tessera
