#pragma once
// Our declarations of the host's filter plug-in interface. They must match the host byte for byte:
// the record is packed to 4 bytes on every target (on x64 that puts pointers on 4-byte boundaries),
// and the asserts below pin every offset for x86 and x64.

#include <cstddef>
#include <cstdint>

namespace tessera {

using int16 = int16_t;
using int32 = int32_t;
using int64 = int64_t;
using uint16 = uint16_t;
using uint32 = uint32_t;
using Fixed = int32_t;
using Boolean = unsigned char;
using OSType = uint32_t;
using OSErr = int16_t;
using Ptr = char*;
using Handle = char**;

inline constexpr OSErr noErr = 0;
inline constexpr OSErr userCanceledErr = -128;
inline constexpr OSErr paramErr = -50;
inline constexpr OSErr memFullErr = -108;
inline constexpr OSErr nilHandleErr = -109;
inline constexpr OSErr filterBadParameters = -30100;
inline constexpr OSErr filterBadMode = -30101;

inline constexpr int16 filterSelectorAbout = 0;
inline constexpr int16 filterSelectorParameters = 1;
inline constexpr int16 filterSelectorPrepare = 2;
inline constexpr int16 filterSelectorStart = 3;
inline constexpr int16 filterSelectorContinue = 4;
inline constexpr int16 filterSelectorFinish = 5;

inline constexpr int16 plugInModeRGBColor = 3;
inline constexpr Fixed kFixedOne = 0x10000;

struct Point {
    int16 v;
    int16 h;
};

struct Rect {
    int16 top;
    int16 left;
    int16 bottom;
    int16 right;

    bool operator==(const Rect&) const = default;
};

struct PSRGBColor {
    uint16 red;
    uint16 green;
    uint16 blue;
};

using FilterColor = unsigned char[4];

struct PlugInMonitor {
    Fixed gamma;
    Fixed redX;
    Fixed redY;
    Fixed greenX;
    Fixed greenY;
    Fixed blueX;
    Fixed blueY;
    Fixed whiteX;
    Fixed whiteY;
    Fixed ambient;
};

// The window that should own our dialogs (0 when the host gives none).
struct PlatformData {
    intptr_t hwnd;
};

using TestAbortProc = Boolean (*)();
using ProgressProc = void (*)(int32 done, int32 total);
using HostProc = void (*)(int16 selector, intptr_t* data);
using ProcessEventProc = int16 (*)(void* event);
using DisplayPixelsProc =
    OSErr (*)(const void* source, const void* srcRect, int32 dstRow, int32 dstCol, void* platformContext);
using AdvanceStateProc = OSErr (*)();
using GetPropertyProc =
    OSErr (*)(OSType signature, OSType key, int32 index, intptr_t* simpleProperty, Handle* complexProperty);
using ColorServicesProc = OSErr (*)(void* info);

using NewPIHandleProc = Handle (*)(int32 size);
using DisposePIHandleProc = void (*)(Handle h);
using GetPIHandleSizeProc = int32 (*)(Handle h);
using SetPIHandleSizeProc = OSErr (*)(Handle h, int32 newSize);
using LockPIHandleProc = Ptr (*)(Handle h, Boolean moveHigh);
using UnlockPIHandleProc = void (*)(Handle h);
using RecoverSpaceProc = void (*)(int32 size);
using DisposeRegularHandlePIHandleProc = void (*)(Handle h);

struct HandleProcs {
    int16 handleProcsVersion;
    int16 numHandleProcs;
    NewPIHandleProc newProc;
    DisposePIHandleProc disposeProc;
    GetPIHandleSizeProc getSizeProc;
    SetPIHandleSizeProc setSizeProc;
    LockPIHandleProc lockProc;
    UnlockPIHandleProc unlockProc;
    RecoverSpaceProc recoverSpaceProc;
    DisposeRegularHandlePIHandleProc disposeRegularHandleProc;
};

// The number of handle procs a host must declare for each member to be present.
inline constexpr int16 kHandleProcsForNew = 1;
inline constexpr int16 kHandleProcsForDispose = 2;
inline constexpr int16 kHandleProcsForGetSize = 3;
inline constexpr int16 kHandleProcsForLock = 5;
inline constexpr int16 kHandleProcsForUnlock = 6;

struct AboutRecord {
    void* platformData;
    void* sSPBasic;
    void* plugInRef;
    char reserved[244];
};

#pragma pack(push, 4)
struct FilterRecord {
    int32 serialNumber;
    TestAbortProc abortProc;
    ProgressProc progressProc;
    Handle parameters;
    Point imageSize;
    int16 planes;
    Rect filterRect;
    PSRGBColor background;
    PSRGBColor foreground;
    int32 maxSpace;
    int32 bufferSpace;
    Rect inRect;
    int16 inLoPlane;
    int16 inHiPlane;
    Rect outRect;
    int16 outLoPlane;
    int16 outHiPlane;
    void* inData;
    int32 inRowBytes;
    void* outData;
    int32 outRowBytes;
    Boolean isFloating;
    Boolean haveMask;
    Boolean autoMask;
    Rect maskRect;
    void* maskData;
    int32 maskRowBytes;
    FilterColor backColor;
    FilterColor foreColor;
    OSType hostSig;
    HostProc hostProc;
    int16 imageMode;
    Fixed imageHRes;
    Fixed imageVRes;
    Point floatCoord;
    Point wholeSize;
    PlugInMonitor monitor;
    void* platformData;
    void* bufferProcs;
    void* resourceProcs;
    ProcessEventProc processEvent;
    DisplayPixelsProc displayPixels;
    HandleProcs* handleProcs;
    Boolean supportsDummyChannels;
    Boolean supportsAlternateLayouts;
    int16 wantLayout;
    int16 filterCase;
    int16 dummyPlaneValue;
    void* premiereHook;
    AdvanceStateProc advanceState;
    Boolean supportsAbsolute;
    Boolean wantsAbsolute;
    GetPropertyProc getPropertyObsolete;
    Boolean cannotUndo;
    Boolean supportsPadding;
    int16 inputPadding;
    int16 outputPadding;
    int16 maskPadding;
    char samplingSupport;
    char reservedByte;
    Fixed inputRate;
    Fixed maskRate;
    ColorServicesProc colorServices;
    int16 inLayerPlanes;
    int16 inTransparencyMask;
    int16 inLayerMasks;
    int16 inInvertedLayerMasks;
    int16 inNonLayerPlanes;
    int16 outLayerPlanes;
    int16 outTransparencyMask;
    int16 outLayerMasks;
    int16 outInvertedLayerMasks;
    int16 outNonLayerPlanes;
    int16 absLayerPlanes;
    int16 absTransparencyMask;
    int16 absLayerMasks;
    int16 absInvertedLayerMasks;
    int16 absNonLayerPlanes;
    int16 inPreDummyPlanes;
    int16 inPostDummyPlanes;
    int16 outPreDummyPlanes;
    int16 outPostDummyPlanes;
    int32 inColumnBytes;
    int32 inPlaneBytes;
    int32 outColumnBytes;
    int32 outPlaneBytes;
    void* imageServicesProcs;
    void* propertyProcs;
    int16 inTileHeight;
    int16 inTileWidth;
    Point inTileOrigin;
    int16 absTileHeight;
    int16 absTileWidth;
    Point absTileOrigin;
    int16 outTileHeight;
    int16 outTileWidth;
    Point outTileOrigin;
    int16 maskTileHeight;
    int16 maskTileWidth;
    Point maskTileOrigin;
    void* descriptorParameters;
    void* errorString;
    void* channelPortProcs;
    void* documentInfo;
    void* sSPBasic;
    void* plugInRef;
    int32 depth;
    Handle iCCprofileData;
    int32 iCCprofileSize;
    int32 canUseICCProfiles;
    int32 hasImageScrap;
    void* bigDocumentData;
    void* input3DScene;
    void* output3DScene;
    Boolean createNewLayer;
    Handle iCCWorkingProfileData;
    int32 iCCWorkingProfileSize;
    int64 bufferSpace64;
    int64 maxSpace64;
    Boolean allowOverrangeColors;
    char reserved[45];
};
#pragma pack(pop)

// The offset a field has on this target, of its x86 and x64 offsets.
constexpr size_t OffsetOnThisTarget(size_t x86, size_t x64) {
    return sizeof(void*) == 8 ? x64 : x86;
}

// Offsets (x86, x64) of every field, from the host's published layout.
#define TESSERA_FR_OFFSET(field, x86, x64) \
    static_assert(offsetof(FilterRecord, field) == OffsetOnThisTarget(x86, x64), #field)
TESSERA_FR_OFFSET(serialNumber, 0, 0);
TESSERA_FR_OFFSET(abortProc, 4, 4);
TESSERA_FR_OFFSET(progressProc, 8, 12);
TESSERA_FR_OFFSET(parameters, 12, 20);
TESSERA_FR_OFFSET(imageSize, 16, 28);
TESSERA_FR_OFFSET(planes, 20, 32);
TESSERA_FR_OFFSET(filterRect, 22, 34);
TESSERA_FR_OFFSET(background, 30, 42);
TESSERA_FR_OFFSET(foreground, 36, 48);
TESSERA_FR_OFFSET(maxSpace, 44, 56);
TESSERA_FR_OFFSET(bufferSpace, 48, 60);
TESSERA_FR_OFFSET(inRect, 52, 64);
TESSERA_FR_OFFSET(inLoPlane, 60, 72);
TESSERA_FR_OFFSET(inHiPlane, 62, 74);
TESSERA_FR_OFFSET(outRect, 64, 76);
TESSERA_FR_OFFSET(outLoPlane, 72, 84);
TESSERA_FR_OFFSET(outHiPlane, 74, 86);
TESSERA_FR_OFFSET(inData, 76, 88);
TESSERA_FR_OFFSET(inRowBytes, 80, 96);
TESSERA_FR_OFFSET(outData, 84, 100);
TESSERA_FR_OFFSET(outRowBytes, 88, 108);
TESSERA_FR_OFFSET(isFloating, 92, 112);
TESSERA_FR_OFFSET(haveMask, 93, 113);
TESSERA_FR_OFFSET(autoMask, 94, 114);
TESSERA_FR_OFFSET(maskRect, 96, 116);
TESSERA_FR_OFFSET(maskData, 104, 124);
TESSERA_FR_OFFSET(maskRowBytes, 108, 132);
TESSERA_FR_OFFSET(backColor, 112, 136);
TESSERA_FR_OFFSET(foreColor, 116, 140);
TESSERA_FR_OFFSET(hostSig, 120, 144);
TESSERA_FR_OFFSET(hostProc, 124, 148);
TESSERA_FR_OFFSET(imageMode, 128, 156);
TESSERA_FR_OFFSET(imageHRes, 132, 160);
TESSERA_FR_OFFSET(imageVRes, 136, 164);
TESSERA_FR_OFFSET(floatCoord, 140, 168);
TESSERA_FR_OFFSET(wholeSize, 144, 172);
TESSERA_FR_OFFSET(monitor, 148, 176);
TESSERA_FR_OFFSET(platformData, 188, 216);
TESSERA_FR_OFFSET(bufferProcs, 192, 224);
TESSERA_FR_OFFSET(resourceProcs, 196, 232);
TESSERA_FR_OFFSET(processEvent, 200, 240);
TESSERA_FR_OFFSET(displayPixels, 204, 248);
TESSERA_FR_OFFSET(handleProcs, 208, 256);
TESSERA_FR_OFFSET(supportsDummyChannels, 212, 264);
TESSERA_FR_OFFSET(supportsAlternateLayouts, 213, 265);
TESSERA_FR_OFFSET(wantLayout, 214, 266);
TESSERA_FR_OFFSET(filterCase, 216, 268);
TESSERA_FR_OFFSET(dummyPlaneValue, 218, 270);
TESSERA_FR_OFFSET(premiereHook, 220, 272);
TESSERA_FR_OFFSET(advanceState, 224, 280);
TESSERA_FR_OFFSET(supportsAbsolute, 228, 288);
TESSERA_FR_OFFSET(wantsAbsolute, 229, 289);
TESSERA_FR_OFFSET(getPropertyObsolete, 232, 292);
TESSERA_FR_OFFSET(cannotUndo, 236, 300);
TESSERA_FR_OFFSET(supportsPadding, 237, 301);
TESSERA_FR_OFFSET(inputPadding, 238, 302);
TESSERA_FR_OFFSET(outputPadding, 240, 304);
TESSERA_FR_OFFSET(maskPadding, 242, 306);
TESSERA_FR_OFFSET(samplingSupport, 244, 308);
TESSERA_FR_OFFSET(reservedByte, 245, 309);
TESSERA_FR_OFFSET(inputRate, 248, 312);
TESSERA_FR_OFFSET(maskRate, 252, 316);
TESSERA_FR_OFFSET(colorServices, 256, 320);
TESSERA_FR_OFFSET(inLayerPlanes, 260, 328);
TESSERA_FR_OFFSET(inTransparencyMask, 262, 330);
TESSERA_FR_OFFSET(inLayerMasks, 264, 332);
TESSERA_FR_OFFSET(inInvertedLayerMasks, 266, 334);
TESSERA_FR_OFFSET(inNonLayerPlanes, 268, 336);
TESSERA_FR_OFFSET(outLayerPlanes, 270, 338);
TESSERA_FR_OFFSET(outTransparencyMask, 272, 340);
TESSERA_FR_OFFSET(outLayerMasks, 274, 342);
TESSERA_FR_OFFSET(outInvertedLayerMasks, 276, 344);
TESSERA_FR_OFFSET(outNonLayerPlanes, 278, 346);
TESSERA_FR_OFFSET(absLayerPlanes, 280, 348);
TESSERA_FR_OFFSET(absTransparencyMask, 282, 350);
TESSERA_FR_OFFSET(absLayerMasks, 284, 352);
TESSERA_FR_OFFSET(absInvertedLayerMasks, 286, 354);
TESSERA_FR_OFFSET(absNonLayerPlanes, 288, 356);
TESSERA_FR_OFFSET(inPreDummyPlanes, 290, 358);
TESSERA_FR_OFFSET(inPostDummyPlanes, 292, 360);
TESSERA_FR_OFFSET(outPreDummyPlanes, 294, 362);
TESSERA_FR_OFFSET(outPostDummyPlanes, 296, 364);
TESSERA_FR_OFFSET(inColumnBytes, 300, 368);
TESSERA_FR_OFFSET(inPlaneBytes, 304, 372);
TESSERA_FR_OFFSET(outColumnBytes, 308, 376);
TESSERA_FR_OFFSET(outPlaneBytes, 312, 380);
TESSERA_FR_OFFSET(imageServicesProcs, 316, 384);
TESSERA_FR_OFFSET(propertyProcs, 320, 392);
TESSERA_FR_OFFSET(inTileHeight, 324, 400);
TESSERA_FR_OFFSET(inTileWidth, 326, 402);
TESSERA_FR_OFFSET(inTileOrigin, 328, 404);
TESSERA_FR_OFFSET(absTileHeight, 332, 408);
TESSERA_FR_OFFSET(absTileWidth, 334, 410);
TESSERA_FR_OFFSET(absTileOrigin, 336, 412);
TESSERA_FR_OFFSET(outTileHeight, 340, 416);
TESSERA_FR_OFFSET(outTileWidth, 342, 418);
TESSERA_FR_OFFSET(outTileOrigin, 344, 420);
TESSERA_FR_OFFSET(maskTileHeight, 348, 424);
TESSERA_FR_OFFSET(maskTileWidth, 350, 426);
TESSERA_FR_OFFSET(maskTileOrigin, 352, 428);
TESSERA_FR_OFFSET(descriptorParameters, 356, 432);
TESSERA_FR_OFFSET(errorString, 360, 440);
TESSERA_FR_OFFSET(channelPortProcs, 364, 448);
TESSERA_FR_OFFSET(documentInfo, 368, 456);
TESSERA_FR_OFFSET(sSPBasic, 372, 464);
TESSERA_FR_OFFSET(plugInRef, 376, 472);
TESSERA_FR_OFFSET(depth, 380, 480);
TESSERA_FR_OFFSET(iCCprofileData, 384, 484);
TESSERA_FR_OFFSET(iCCprofileSize, 388, 492);
TESSERA_FR_OFFSET(canUseICCProfiles, 392, 496);
TESSERA_FR_OFFSET(hasImageScrap, 396, 500);
TESSERA_FR_OFFSET(bigDocumentData, 400, 504);
TESSERA_FR_OFFSET(input3DScene, 404, 512);
TESSERA_FR_OFFSET(output3DScene, 408, 520);
TESSERA_FR_OFFSET(createNewLayer, 412, 528);
TESSERA_FR_OFFSET(iCCWorkingProfileData, 416, 532);
TESSERA_FR_OFFSET(iCCWorkingProfileSize, 420, 540);
TESSERA_FR_OFFSET(bufferSpace64, 424, 544);
TESSERA_FR_OFFSET(maxSpace64, 432, 552);
TESSERA_FR_OFFSET(allowOverrangeColors, 440, 560);
TESSERA_FR_OFFSET(reserved, 441, 561);
#undef TESSERA_FR_OFFSET
static_assert(sizeof(FilterRecord) == (sizeof(void*) == 8 ? 608 : 488));

static_assert(offsetof(HandleProcs, newProc) == (sizeof(void*) == 8 ? 8 : 4));
static_assert(offsetof(HandleProcs, disposeProc) == (sizeof(void*) == 8 ? 16 : 8));
static_assert(offsetof(HandleProcs, getSizeProc) == (sizeof(void*) == 8 ? 24 : 12));
static_assert(offsetof(HandleProcs, setSizeProc) == (sizeof(void*) == 8 ? 32 : 16));
static_assert(offsetof(HandleProcs, lockProc) == (sizeof(void*) == 8 ? 40 : 20));
static_assert(offsetof(HandleProcs, unlockProc) == (sizeof(void*) == 8 ? 48 : 24));
static_assert(offsetof(HandleProcs, recoverSpaceProc) == (sizeof(void*) == 8 ? 56 : 28));
static_assert(offsetof(HandleProcs, disposeRegularHandleProc) == (sizeof(void*) == 8 ? 64 : 32));
static_assert(sizeof(HandleProcs) == (sizeof(void*) == 8 ? 72 : 36));

static_assert(offsetof(AboutRecord, sSPBasic) == (sizeof(void*) == 8 ? 8 : 4));
static_assert(offsetof(AboutRecord, plugInRef) == (sizeof(void*) == 8 ? 16 : 8));
static_assert(sizeof(AboutRecord) == (sizeof(void*) == 8 ? 272 : 256));
static_assert(sizeof(PlatformData) == sizeof(void*));
static_assert(sizeof(Rect) == 8 && sizeof(Point) == 4 && sizeof(PSRGBColor) == 6 && sizeof(PlugInMonitor) == 40);

}  // namespace tessera
