// The icon square over the layer: where it is requested, what the host then delivers, and the colour
// count taken row by row. Run against the in-process host with the real record layout.

#include "host/layer_square.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "host/plugin_call.h"
#include "hostapp/layer_host.h"
#include "support/fake_alerts.h"
#include "support/layers.h"
#include "support/rect_compare.h"

namespace tessera {
namespace {

// Every pixel red = x, green = y, blue = 7; transparency 200 when the layer has it.
Layer GradientLayer(int width, int height, int planes) {
    return test::LayerOfPixels(width, height, planes, [](int x, int y) {
        return test::Rgba{static_cast<uint8_t>(x), static_cast<uint8_t>(y), 7, 200};
    });
}

TEST(LayerSquare, RectIsEmptyUnlessBothExtentsArePositive) {
    EXPECT_TRUE(RectIsEmpty(Rect{0, 0, 0, 0}));
    EXPECT_TRUE(RectIsEmpty(Rect{0, 0, 5, 0}));
    EXPECT_TRUE(RectIsEmpty(Rect{5, 0, 4, 9}));
    EXPECT_FALSE(RectIsEmpty(Rect{-3, -3, -2, -2}));
}

struct KeepInsideCase {
    Rect rect;
    Rect bounds;
    Rect expected;
};

TEST(LayerSquare, KeepRectInside) {
    const KeepInsideCase cases[] = {
        {{0, -4, 10, 6}, {0, 0, 100, 100}, {0, 0, 10, 10}},          // dragged off the left edge
        {{95, 93, 105, 103}, {0, 0, 100, 100}, {90, 90, 100, 100}},  // off the bottom right
        {{20, 30, 36, 46}, {0, 0, 100, 100}, {20, 30, 36, 46}},      // already inside
        {{-8, -8, 8, 8}, {0, 0, 10, 12}, {-6, -4, 10, 12}},          // larger, up left: far ends meet
        {{4, 4, 20, 20}, {0, 0, 10, 30}, {0, 4, 16, 20}},            // taller, starting lower: to the top
        {{-20, 0, -4, 16}, {0, 0, 10, 30}, {-6, 0, 10, 16}},         // taller, above: bottom meets bounds
        {{0, -5, 10, 20}, {0, 0, 10, 10}, {0, -5, 10, 20}},          // wider on both sides: stays
    };
    for (const KeepInsideCase& c : cases) {
        Rect r = c.rect;
        KeepRectInside(r, c.bounds);
        EXPECT_EQ(c.expected, r) << "from " << c.rect;
    }
}

struct PlanesCase {
    const char* what;
    int planes;
    bool floating;
    std::function<void(FilterRecord&)> host;  // how the host fills the counts, beyond the layer's own
    int16 inHi;
    int16 outHi;
    Boolean wantsAbsolute;
};

TEST(LayerSquare, SetRequestPlanesReadsTransparencyAsTheFourthByte) {
    const auto none = [](FilterRecord&) {};
    const PlanesCase cases[] = {
        {"opaque layer", 3, false, none, 2, 2, 1},
        {"layer with transparency", 4, false, none, 3, 3, 1},
        {"floating selection", 4, true, none, 3, 3, 0},
        {"extra absolute planes", 4, false, [](FilterRecord& r) { r.absLayerMasks = 1; }, 4, 3, 1},
        // The output is the layer's own planes: a layer mask and the planes after it are never written.
        {"extra output planes", 4, false,
         [](FilterRecord& r) {
             r.outLayerMasks = 1;
             r.outNonLayerPlanes = 2;
         },
         3, 3, 1},
        // Absolute counts that cannot be right are not believed: the input layout is asked for instead.
        {"no absolute layer planes", 4, false, [](FilterRecord& r) { r.absLayerPlanes = 0; }, 3, 3, 0},
        {"absolute counts short of the input's", 4, false, [](FilterRecord& r) { r.absTransparencyMask = 0; }, 3, 3, 0},
        {"a negative absolute count", 4, false, [](FilterRecord& r) { r.absNonLayerPlanes = -2; }, 3, 3, 0},
        // Never fewer than red, green and blue.
        {"one plane and no counts", 4, false,
         [](FilterRecord& r) {
             r.planes = 1;
             r.inLayerPlanes = r.inTransparencyMask = r.outLayerPlanes = r.outTransparencyMask = 0;
         },
         2, 2, 1},
        {"counts that add up to less than a colour", 4, false,
         [](FilterRecord& r) {
             r.inLayerPlanes = r.absLayerPlanes = 1;
             r.outLayerPlanes = 1;
         },
         2, 2, 1},
    };
    for (const PlanesCase& c : cases) {
        LayerHost host(GradientLayer(4, 4, c.planes), LayerHostOptions{.isFloating = c.floating});
        FilterRecord& r = host.Record();
        c.host(r);
        r.inLoPlane = r.outLoPlane = 9;
        SetRequestPlanes(r);
        EXPECT_EQ(0, r.inLoPlane) << c.what;
        EXPECT_EQ(0, r.outLoPlane) << c.what;
        EXPECT_EQ(c.inHi, r.inHiPlane) << c.what;
        EXPECT_EQ(c.outHi, r.outHiPlane) << c.what;
        EXPECT_EQ(c.wantsAbsolute, r.wantsAbsolute) << c.what;
    }
}

TEST(LayerSquare, CenterPutsTheSquareInTheMiddleOfTheSelection) {
    LayerHost host(GradientLayer(60, 40, 4), LayerHostOptions{.haveMask = true});
    FilterRecord& r = host.Record();
    ASSERT_TRUE(host.SetSelection(Rect{0, 0, 20, 33}));
    test::FakeAlerts alerts;
    PluginCall call(&r, alerts);
    LayerSquares squares;
    CenterLayerSquare(call, squares, 0, 16, 16);
    const Rect expected{2, 8, 18, 24};
    EXPECT_EQ(expected, call.layer.square);
    EXPECT_EQ(expected, r.inRect);
    EXPECT_TRUE(RectIsEmpty(r.outRect));  // looking at the square writes nothing
    EXPECT_EQ(expected, r.maskRect);
    EXPECT_EQ(expected, squares.positions[0]);
    EXPECT_EQ(kFixedOne, r.inputRate);
    EXPECT_EQ(kFixedOne, r.maskRate);
    EXPECT_EQ(0, r.inputPadding);
    EXPECT_EQ(0, r.outputPadding);
    EXPECT_EQ(0, r.maskPadding);
    EXPECT_EQ(0, host.AdvanceStateCalls());  // centring delivers nothing
}

TEST(LayerSquare, EachSizeKeepsItsOwnPosition) {
    LayerHost host(GradientLayer(100, 100, 3));
    FilterRecord& r = host.Record();
    test::FakeAlerts alerts;
    PluginCall call(&r, alerts);
    LayerSquares squares;
    CenterLayerSquare(call, squares, 0, 16, 16);
    MoveLayerSquare(call, squares, 0, -5, 3);
    const Rect moved{37, 45, 53, 61};
    EXPECT_EQ(moved, r.inRect);
    CenterLayerSquare(call, squares, 2, 32, 32);
    EXPECT_EQ((Rect{34, 34, 66, 66}), r.inRect);
    CenterLayerSquare(call, squares, 0, 16, 16);
    EXPECT_EQ(moved, r.inRect);
    // An index the grid does not have shares the first size's place.
    CenterLayerSquare(call, squares, 7, 16, 16);
    EXPECT_EQ(moved, r.inRect);
}

TEST(LayerSquare, MovesStopAtTheEndsOfThe16BitRange) {
    LayerHost host(GradientLayer(10, 10, 3));
    test::FakeAlerts alerts;
    PluginCall call(&host.Record(), alerts);
    LayerSquares squares;
    RequestSquare(call, Rect{32700, 32700, 32716, 32716});
    MoveLayerSquare(call, squares, 1, 100, 40);
    EXPECT_EQ((Rect{32751, 32740, 32767, 32756}), call.layer.square);
    EXPECT_EQ(call.layer.square, squares.positions[1]);
    EXPECT_TRUE(RectIsEmpty(host.Record().inRect));  // nothing of it lies in the image
    RequestSquare(call, Rect{-32760, -32760, -32744, -32744});
    MoveLayerSquare(call, squares, 1, -100, -1);
    EXPECT_EQ((Rect{-32768, -32761, -32752, -32745}), call.layer.square);
}

TEST(LayerSquare, CenterStopsAtTheEndOfThe16BitRange) {
    LayerHost host(GradientLayer(10, 10, 3));
    FilterRecord& r = host.Record();
    r.filterRect = Rect{32760, 32760, 32767, 32767};  // as a careless host might pass it
    test::FakeAlerts alerts;
    PluginCall call(&r, alerts);
    LayerSquares squares;
    CenterLayerSquare(call, squares, 3, 48, 48);
    EXPECT_EQ((Rect{32719, 32719, 32767, 32767}), call.layer.square);
}

TEST(LayerSquare, FetchDeliversTheSquareWithZerosOutsideTheImage) {
    // Without a layer mask, and under one that half reveals the layer (with a plane after it, read past):
    // the transparency seen is the layer's times the mask, 200 x 130 / 255 = 101.96 rounded.
    const struct {
        std::vector<uint8_t> layerMask;
        bool planeAfterMask;
        int transparency;
    } cases[] = {{{}, false, 200}, {std::vector<uint8_t>(12 * 10, 130), true, 102}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.transparency);
        // A selection smaller than the icon near the image's corner: the square reaches past the image.
        LayerHost host(GradientLayer(12, 10, 4),
                       LayerHostOptions{.rowPadding = 1, .layerMask = c.layerMask, .planeAfterMask = c.planeAfterMask});
        FilterRecord& r = host.Record();
        ASSERT_TRUE(host.SetSelection(Rect{0, 0, 10, 12}));
        test::FakeAlerts alerts;
        PluginCall call(&r, alerts);
        LayerSquares squares;
        CenterLayerSquare(call, squares, 0, 16, 16);
        // The host is asked only for the part inside the image; the zeros of the rest are ours.
        EXPECT_EQ((Rect{0, 0, 10, 12}), r.inRect);
        ASSERT_TRUE(FetchLayerSquare(call));
        EXPECT_EQ(noErr, call.result);
        const std::optional<LayerImage> image = CurrentLayerImage(call, 16);
        ASSERT_TRUE(image);
        EXPECT_EQ(4, image->pixelStep);
        EXPECT_EQ((Rect{-3, -2, 13, 14}), call.layer.square);
        EXPECT_FALSE(CurrentLayerImage(call, 24));  // a square of another size is not this one
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                const int ix = x - 2;
                const int iy = y - 3;
                const bool inside = ix >= 0 && ix < 12 && iy >= 0 && iy < 10;
                const uint8_t* p = image->At(x, y);
                ASSERT_EQ(inside ? ix : 0, p[0]);
                ASSERT_EQ(inside ? iy : 0, p[1]);
                ASSERT_EQ(inside ? c.transparency : 0, p[3]);
            }
        }
        EXPECT_TRUE(alerts.Shown().empty());
    }
}

TEST(LayerSquare, ADeliveryCountsOnlyWhenItHoldsTheRequest) {
    uint8_t pixels[16 * 70] = {};
    const Rect asked{0, 0, 16, 16};
    struct Case {
        const char* what;
        std::function<void(FilterRecord&)> host;
        int32 step;  // the pixel step read; 0: nothing usable
    };
    // A layer with a layer mask read by the absolute counts: five planes a pixel.
    const auto masked = [](FilterRecord& r) {
        r.wantsAbsolute = 1;
        r.inLayerPlanes = r.absLayerPlanes = 3;
        r.inTransparencyMask = r.absTransparencyMask = r.absLayerMasks = 1;
        r.inHiPlane = 4;
        r.inRowBytes = 80;
    };
    const Case cases[] = {
        {"as asked", [](FilterRecord&) {}, 4},
        {"a layer mask after the transparency", masked, 5},
        {"a layer mask counted but not delivered",
         [&](FilterRecord& r) {
             masked(r);
             r.inHiPlane = 3;
         },
         0},
        {"no pixel step from the host", [](FilterRecord& r) { r.inColumnBytes = 0; }, 4},
        {"a pixel step unlike the planes asked for", [](FilterRecord& r) { r.inColumnBytes = 3; }, 4},
        {"padded rows", [](FilterRecord& r) { r.inRowBytes = 70; }, 4},
        {"three planes",
         [](FilterRecord& r) {
             r.inHiPlane = 2;
             r.inRowBytes = 48;
         },
         3},
        {"no buffer", [](FilterRecord& r) { r.inData = nullptr; }, 0},
        {"rows too short", [](FilterRecord& r) { r.inRowBytes = 63; }, 0},
        {"a negative row step", [](FilterRecord& r) { r.inRowBytes = -64; }, 0},
        {"the rectangle cut by the host", [](FilterRecord& r) { r.inRect.bottom = 12; }, 0},
        {"no planes",
         [](FilterRecord& r) {
             r.inLoPlane = 3;
             r.inHiPlane = 2;
         },
         0},
    };
    for (const Case& c : cases) {
        FilterRecord r{};
        r.inRect = asked;
        r.inHiPlane = 3;
        r.inRowBytes = 64;
        r.inColumnBytes = 4;
        r.inData = pixels;
        c.host(r);
        const std::optional<DeliveredBuffer> delivered = DeliveredInput(r, asked);
        EXPECT_EQ(c.step != 0, delivered.has_value()) << c.what;
        if (delivered) {
            EXPECT_EQ(c.step, delivered->pixelStep) << c.what;
            EXPECT_EQ(r.inRowBytes, delivered->rowStep) << c.what;
        }
    }
}

TEST(LayerSquare, FailedFetchTellsTheUserAndKeepsTheRequest) {
    LayerHost host(GradientLayer(40, 40, 3));
    FilterRecord& r = host.Record();
    test::FakeAlerts alerts;
    PluginCall call(&r, alerts);
    LayerSquares squares;
    CenterLayerSquare(call, squares, 0, 16, 16);
    host.SetAdvanceStateError(memFullErr);
    EXPECT_FALSE(FetchLayerSquare(call));
    EXPECT_EQ(memFullErr, call.result);
    ASSERT_EQ(1u, alerts.Shown().size());
    const Alert& alert = alerts.Shown()[0];
    EXPECT_EQ("Advance state failed!", alert.text);
    EXPECT_EQ(AlertCaption::Module, alert.caption);
    EXPECT_EQ(AlertIcon::Warning, alert.icon);
    EXPECT_EQ(AlertButtons::Ok, alert.buttons);
    EXPECT_FALSE(CurrentLayerImage(call, 16));

    host.SetAdvanceStateError(noErr);
    EXPECT_TRUE(FetchLayerSquare(call));
    EXPECT_EQ(noErr, call.result);
    EXPECT_TRUE(CurrentLayerImage(call, 16));
}

TEST(LayerSquare, FillHistogramCountsEachPixelAndSaturates) {
    Layer layer = *MakeLayer(4, 1, 3);
    const uint8_t pixels[4][3] = {{255, 128, 4}, {255, 255, 255}, {255, 255, 255}, {3, 3, 3}};
    for (int x = 0; x < 4; ++x) {
        std::copy(pixels[x], pixels[x] + 3, layer.At(x, 0));
    }
    LayerHost host(std::move(layer));
    FilterRecord& r = host.Record();
    r.inRect = Rect{0, 0, 1, 4};
    r.inHiPlane = 2;
    r.inputPadding = 0;
    ASSERT_EQ(noErr, r.advanceState());
    auto histogram = std::make_unique<ColorHistogram>();
    ClearHistogram(histogram->data(), histogram->size());
    (*histogram)[kHistogramEntries - 1] = 65534;
    EXPECT_TRUE(FillHistogram(r, histogram->data()));
    EXPECT_EQ(1, (*histogram)[6207]);
    EXPECT_EQ(65535, (*histogram)[262143]);  // 65534 + 2 stops at 65535
    EXPECT_EQ(1, (*histogram)[0]);
    FillHistogram(r, histogram->data());
    EXPECT_EQ(65535, (*histogram)[262143]);
    EXPECT_EQ(2, (*histogram)[6207]);

    // Nothing delivered, or rows too short for the rectangle: nothing to count.
    r.inRowBytes = 11;
    EXPECT_FALSE(FillHistogram(r, histogram->data()));
    r.inData = nullptr;
    EXPECT_FALSE(FillHistogram(r, histogram->data()));
    EXPECT_EQ(2, (*histogram)[6207]);
}

TEST(LayerSquare, ScanCountsTheSquareRowByRowAndFetchesItAgainInsideTheSelection) {
    for (const int planes : {3, 4}) {
        LayerHost host(GradientLayer(100, 50, planes), LayerHostOptions{.rowPadding = 2});
        FilterRecord& r = host.Record();
        test::FakeAlerts alerts;
        PluginCall call(&r, alerts);
        LayerSquares squares;
        CenterLayerSquare(call, squares, 0, 16, 16);
        MoveLayerSquare(call, squares, 0, 0, -46);  // 4 columns past the left edge
        const Rect dragged{17, -4, 33, 12};
        ASSERT_EQ(dragged, call.layer.square);
        auto histogram = std::make_unique<ColorHistogram>();
        ClearHistogram(histogram->data(), histogram->size());

        ScanLayerHistogram(call, histogram->data());

        EXPECT_EQ(17, host.AdvanceStateCalls());  // one per row, then the square again
        // The dragged square is counted as it was: 4 columns of padding zeros in every row.
        auto expected = std::make_unique<ColorHistogram>();
        expected->fill(0);
        (*expected)[0] = 4 * 16;
        for (int y = 17; y < 33; ++y) {
            for (int x = 0; x < 12; ++x) {
                ++(*expected)[HistogramIndex(static_cast<uint8_t>(x), static_cast<uint8_t>(y), 7)];
            }
        }
        EXPECT_TRUE(*expected == *histogram);
        const Rect inside{17, 0, 33, 16};
        EXPECT_EQ(inside, r.inRect);
        EXPECT_TRUE(RectIsEmpty(r.outRect));
        EXPECT_EQ(dragged, squares.positions[0]);  // the view keeps the square where the user put it
        EXPECT_EQ(planes - 1, r.inHiPlane);
        const std::optional<LayerImage> image = CurrentLayerImage(call, 16);
        ASSERT_TRUE(image);
        EXPECT_EQ(planes, image->pixelStep);
        EXPECT_EQ(17, image->At(0, 0)[1]);
        EXPECT_EQ(15, image->At(15, 15)[0]);
    }
}

TEST(LayerSquare, ScanOfAnEmptySquareFetchesNothing) {
    LayerHost host(GradientLayer(10, 10, 3));
    test::FakeAlerts alerts;
    PluginCall call(&host.Record(), alerts);
    auto histogram = std::make_unique<ColorHistogram>();
    ClearHistogram(histogram->data(), histogram->size());
    ScanLayerHistogram(call, histogram->data());
    EXPECT_EQ(0, host.AdvanceStateCalls());
}

}  // namespace
}  // namespace tessera
