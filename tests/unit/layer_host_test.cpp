// The in-process host: what advanceState delivers and takes back, the handle callbacks, and a whole run.

#include "hostapp/layer_host.h"
#include "support/layers.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tessera {
namespace {

// A layer whose every byte tells where it came from: red = x, green = y, blue = 100 + plane count,
// transparency = x + y.
Layer NumberedLayer(int width, int height, int planes) {
    return test::LayerOfPixels(width, height, planes, [planes](int x, int y) {
        return test::Rgba{static_cast<uint8_t>(x), static_cast<uint8_t>(y), static_cast<uint8_t>(100 + planes),
                          static_cast<uint8_t>(x + y)};
    });
}

void Request(FilterRecord& record, const Rect& in, const Rect& out, int16 hiPlane) {
    record.inRect = in;
    record.outRect = out;
    record.inLoPlane = record.outLoPlane = 0;
    record.inHiPlane = record.outHiPlane = hiPlane;
    record.inputPadding = record.outputPadding = 0;
}

TEST(LayerHost, MakeLayerRefusesImpossibleLayers) {
    EXPECT_FALSE(MakeLayer(0, 10, 3));
    EXPECT_FALSE(MakeLayer(10, kMaxLayerSide + 1, 3));
    EXPECT_FALSE(MakeLayer(10, 10, 2));
    EXPECT_FALSE(MakeLayer(10, 10, 5));
    ASSERT_TRUE(MakeLayer(1, 1, 4));
}

struct DeliveryCase {
    int planes;
    int rowPadding;
    Rect in;
};

class LayerHostDelivery : public ::testing::TestWithParam<DeliveryCase> {};

// Every delivered byte is the layer's byte, or 0 outside the image; rows are exactly inRowBytes apart.
TEST_P(LayerHostDelivery, DeliversTheRequestedRectangle) {
    const DeliveryCase c = GetParam();
    LayerHost host(NumberedLayer(101, 60, c.planes), LayerHostOptions{.rowPadding = c.rowPadding});
    FilterRecord& r = host.Record();
    Request(r, c.in, Rect{}, static_cast<int16>(c.planes - 1));
    ASSERT_EQ(noErr, r.advanceState());
    ASSERT_TRUE(r.inData != nullptr);
    EXPECT_TRUE(r.outData == nullptr);
    EXPECT_EQ(c.planes, r.inColumnBytes);
    EXPECT_EQ((c.in.right - c.in.left) * c.planes + c.rowPadding, r.inRowBytes);
    const auto* data = static_cast<const uint8_t*>(r.inData);
    for (int y = c.in.top; y < c.in.bottom; ++y) {
        for (int x = c.in.left; x < c.in.right; ++x) {
            const uint8_t* p = data + (y - c.in.top) * r.inRowBytes + (x - c.in.left) * r.inColumnBytes;
            const bool inside = x >= 0 && y >= 0 && x < 101 && y < 60;
            for (int plane = 0; plane < c.planes; ++plane) {
                const uint8_t expected = inside ? host.GetLayer().At(x, y)[plane] : 0;
                ASSERT_EQ(expected, p[plane]) << "x " << x << " y " << y << " plane " << plane;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Requests,
                         LayerHostDelivery,
                         ::testing::Values(DeliveryCase{3, 0, Rect{0, 0, 60, 101}},   // 303 bytes a row
                                           DeliveryCase{4, 0, Rect{10, 20, 26, 36}},  // inside
                                           DeliveryCase{3, 5, Rect{-4, -6, 12, 10}},  // over the corner
                                           DeliveryCase{4, 3, Rect{50, 90, 66, 106}},
                                           DeliveryCase{4, 1, Rect{-40, -40, -24, -24}}));  // wholly outside

TEST(LayerHost, PlanesCanBeRequestedPartly) {
    LayerHost host(NumberedLayer(8, 8, 4));
    FilterRecord& r = host.Record();
    Request(r, Rect{1, 1, 2, 2}, Rect{}, 3);
    r.inLoPlane = 1;
    r.inHiPlane = 3;
    ASSERT_EQ(noErr, r.advanceState());
    const auto* p = static_cast<const uint8_t*>(r.inData);
    EXPECT_EQ(3, r.inColumnBytes);
    EXPECT_EQ(1, p[0]);  // green = y
    EXPECT_EQ(104, p[1]);
    EXPECT_EQ(2, p[2]);  // transparency = x + y
}

TEST(LayerHost, RefusesRequestsItCannotServe) {
    LayerHost host(NumberedLayer(8, 8, 3));
    FilterRecord& r = host.Record();
    Request(r, Rect{0, 0, 4, 4}, Rect{}, 3);  // a fourth plane the layer does not have
    EXPECT_EQ(filterBadParameters, r.advanceState());
    EXPECT_TRUE(r.inData == nullptr);
    Request(r, Rect{-1, 0, 4, 4}, Rect{}, 2);
    r.inputPadding = -3;  // out of bounds is an error
    EXPECT_EQ(filterBadParameters, r.advanceState());
    Request(r, Rect{-30000, -30000, 30000, 30000}, Rect{}, 2);
    EXPECT_EQ(memFullErr, r.advanceState());
    EXPECT_TRUE(r.inData == nullptr);
}

TEST(LayerHost, OutputReachesTheLayerAtTheNextAdvanceInsideTheSelectionOnly) {
    LayerHost host(NumberedLayer(10, 10, 4), LayerHostOptions{.rowPadding = 2});
    ASSERT_TRUE(host.SetSelection(Rect{2, 2, 8, 8}));
    FilterRecord& r = host.Record();
    Request(r, Rect{}, Rect{0, 0, 10, 10}, 3);
    ASSERT_EQ(noErr, r.advanceState());
    auto* out = static_cast<uint8_t*>(r.outData);
    // The output buffer starts as the layer's pixels.
    EXPECT_EQ(0, std::memcmp(out + 5 * r.outRowBytes + 5 * 4, host.GetLayer().At(5, 5), 4));
    for (int y = 0; y < 10; ++y) {
        std::memset(out + y * r.outRowBytes, 0xEE, 40);
    }
    EXPECT_EQ(5, host.GetLayer().At(5, 5)[0]);  // nothing is taken before the next advance
    Request(r, Rect{}, Rect{}, 3);
    ASSERT_EQ(noErr, r.advanceState());
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            const bool selected = x >= 2 && x < 8 && y >= 2 && y < 8;
            ASSERT_EQ(selected ? 0xEE : x, host.GetLayer().At(x, y)[0]) << x << "," << y;
        }
    }
    EXPECT_EQ(0, host.PaddingWrites());
}

TEST(LayerHost, CountsWritesIntoRowPadding) {
    LayerHost host(NumberedLayer(4, 4, 3), LayerHostOptions{.rowPadding = 3});
    FilterRecord& r = host.Record();
    Request(r, Rect{}, Rect{0, 0, 2, 4}, 2);
    ASSERT_EQ(noErr, r.advanceState());
    static_cast<uint8_t*>(r.outData)[12] = 0;  // first padding byte of row 0
    host.CommitOutput();
    EXPECT_EQ(1, host.PaddingWrites());
    EXPECT_TRUE(r.outData == nullptr);
}

TEST(LayerHost, AdvanceStateErrorSwitch) {
    LayerHost host(NumberedLayer(4, 4, 3));
    FilterRecord& r = host.Record();
    Request(r, Rect{0, 0, 4, 4}, Rect{}, 2);
    host.SetAdvanceStateError(-1);
    EXPECT_EQ(-1, r.advanceState());
    EXPECT_TRUE(r.inData == nullptr);
    host.SetAdvanceStateError(noErr);
    EXPECT_EQ(noErr, r.advanceState());
    EXPECT_EQ(2, host.AdvanceStateCalls());
}

TEST(LayerHost, HandleProcsAllocateLockAndFailOnRequest) {
    LayerHost host(NumberedLayer(4, 4, 3));
    HandleProcs& procs = host.Procs();
    Handle h = procs.newProc(1304);
    ASSERT_NE(nullptr, h);
    EXPECT_EQ(1304, procs.getSizeProc(h));
    Ptr p = procs.lockProc(h, 1);
    ASSERT_EQ(*h, p);
    p[1303] = 7;
    EXPECT_EQ(1, host.LockedHandles());
    procs.unlockProc(h);
    EXPECT_EQ(0, host.LockedHandles());
    ASSERT_EQ(noErr, procs.setSizeProc(h, 2000));
    EXPECT_EQ(7, procs.lockProc(h, 1)[1303]);
    procs.unlockProc(h);

    host.SetLockFails(true);
    EXPECT_EQ(nullptr, procs.lockProc(h, 1));
    host.SetNewFails(true);
    EXPECT_EQ(nullptr, procs.newProc(16));
    procs.disposeProc(h);
    EXPECT_EQ(0u, host.LiveHandles());
    EXPECT_EQ(nullptr, procs.lockProc(h, 1));  // a disposed handle is no longer ours
}

TEST(LayerHost, ParametersCanBeFilledBeforeARun) {
    LayerHost host(NumberedLayer(4, 4, 3));
    const uint8_t bytes[] = {1, 2, 3};
    ASSERT_TRUE(host.SetParameters(bytes));
    ASSERT_TRUE(host.Record().parameters != nullptr);
    EXPECT_EQ((std::vector<uint8_t>{1, 2, 3}), *host.ParametersBytes());
}

// A filter that inverts red over the whole selection in two bands: the first through a synchronous
// advanceState inside Start, the second through Continue. `failAt` makes one selector fail.
int16 gFailAt = -1;
int gContinues = 0;
bool gFinished = false;

void InvertRed(FilterRecord& r) {
    auto* out = static_cast<uint8_t*>(r.outData);
    for (int y = 0; y < r.outRect.bottom - r.outRect.top; ++y) {
        for (int x = 0; x < r.outRect.right - r.outRect.left; ++x) {
            uint8_t& red = out[y * r.outRowBytes + x * r.outColumnBytes];
            red = static_cast<uint8_t>(255 - red);
        }
    }
}

void BandFilter(int16 selector, void* record, intptr_t*, int16* result) {
    auto& r = *static_cast<FilterRecord*>(record);
    if (selector == gFailAt) {
        *result = -30;
        return;
    }
    const Rect top{r.filterRect.top, r.filterRect.left, static_cast<int16>(r.filterRect.top + 2), r.filterRect.right};
    const Rect rest{top.bottom, r.filterRect.left, r.filterRect.bottom, r.filterRect.right};
    switch (selector) {
        case filterSelectorStart:
            Request(r, Rect{}, top, 2);
            if (r.advanceState() != noErr) {
                *result = -1;
                return;
            }
            InvertRed(r);
            Request(r, Rect{}, rest, 2);
            break;
        case filterSelectorContinue:
            ++gContinues;
            InvertRed(r);
            Request(r, Rect{}, Rect{}, 2);
            break;
        case filterSelectorFinish:
            gFinished = true;
            break;
        default:
            break;
    }
}

TEST(LayerHost, RunFilterDeliversEveryBandAndCallsFinish) {
    gFailAt = -1;
    gContinues = 0;
    gFinished = false;
    LayerHost host(NumberedLayer(6, 6, 3));
    ASSERT_TRUE(host.SetSelection(Rect{1, 1, 5, 5}));
    const FilterRunResult run = host.RunFilter(&BandFilter);
    EXPECT_EQ(noErr, run.result);
    EXPECT_EQ(1, gContinues);
    EXPECT_TRUE(gFinished);
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 6; ++x) {
            const bool selected = x >= 1 && x < 5 && y >= 1 && y < 5;
            ASSERT_EQ(selected ? 255 - x : x, host.GetLayer().At(x, y)[0]) << x << "," << y;
        }
    }
}

TEST(LayerHost, FailedRunLeavesTheLayerAsItWas) {
    for (const int16 failAt : {filterSelectorPrepare, filterSelectorContinue, filterSelectorFinish}) {
        gFailAt = failAt;
        gFinished = false;
        LayerHost host(NumberedLayer(6, 6, 3));
        const FilterRunResult run = host.RunFilter(&BandFilter);
        EXPECT_EQ(-30, run.result);
        EXPECT_EQ(failAt, run.selector);
        EXPECT_EQ(failAt == filterSelectorContinue, gFinished);
        const Layer fresh = NumberedLayer(6, 6, 3);
        EXPECT_EQ(0, std::memcmp(fresh.pixels.get(), host.GetLayer().pixels.get(), fresh.ByteCount()));
    }
    gFailAt = -1;
}

}  // namespace
}  // namespace tessera
