// The host's side of the filter plug-in interface: records, suites, callbacks
// and constants under the public SDK's names, laid out as 64-bit Windows hosts
// lay them out. The same header serves the Linux module and our own host.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

typedef unsigned char Boolean;
typedef uint32_t OSType;
typedef uint32_t ResType;
typedef uint32_t DescriptorKeyID;
typedef uint32_t DescriptorTypeID;
typedef uint32_t DescriptorEnumTypeID;
typedef uint32_t DescriptorEnumID;
typedef uint32_t DescriptorClassID;
typedef uint32_t DescriptorUnitID;
typedef int32_t Fixed;
typedef int16_t OSErr;
typedef char* Ptr;
typedef Ptr* Handle;
typedef void* BufferID;
typedef Handle PIDescriptorHandle;
typedef void* PIReadDescriptor;
typedef void* PIWriteDescriptor;
// The zero-terminated keys a reader is opened with. Not const: the host
// overwrites each key that getKeyProc returns with 'null' in this array.
typedef DescriptorKeyID* DescriptorKeyIDArray;
typedef unsigned char Str255[256];

// Four-character codes as the SDK writes them: 'kind' == fourCC("kind").
constexpr uint32_t fourCC(const char (&code)[5]) {
    return (uint32_t(uint8_t(code[0])) << 24) | (uint32_t(uint8_t(code[1])) << 16) |
           (uint32_t(uint8_t(code[2])) << 8) | uint32_t(uint8_t(code[3]));
}

struct Point { int16_t v, h; };
struct Rect { int16_t top, left, bottom, right; };
struct VPoint { int32_t v, h; };
struct VRect { int32_t top, left, bottom, right; };
struct PSRGBColor { uint16_t red, green, blue; };
typedef uint8_t FilterColor[4];
struct PlatformData { intptr_t hwnd; };
struct PlugInMonitor {
    Fixed gamma, redX, redY, greenX, greenY, blueX, blueY, whiteX, whiteY, ambient;
};

// ---- Callbacks (one calling convention on x64) ----
typedef Boolean (*TestAbortProc)(void);
typedef void (*ProgressProc)(int32_t done, int32_t total);
typedef OSErr (*AdvanceStateProc)(void);
typedef void* HostProc;
typedef void* ProcessEventProc;
typedef void* GetPropertyProc;

struct PSPixelMask;
struct PSPixelOverlay;

// Natural alignment: 88 bytes on 64-bit.
struct PSPixelMap {
    int32_t version;
    VRect bounds;
    int32_t imageMode;
    int32_t rowBytes;
    int32_t colBytes;
    int32_t planeBytes;
    void* baseAddr;
    void* mat;
    PSPixelMask* masks;
    int32_t maskPhaseRow;
    int32_t maskPhaseCol;
    PSPixelOverlay* pixelOverlays;
    uint32_t colorManagementOptions;
    int16_t depth;
};
typedef OSErr (*DisplayPixelsProc)(const PSPixelMap* source, const VRect* srcRect, int32_t dstRow,
                                   int32_t dstCol, void* platformContext);

struct ColorServicesInfo {
    int32_t infoSize;
    int16_t selector;
    int16_t sourceSpace;
    int16_t resultSpace;
    Boolean resultGamutInfoValid;
    Boolean resultInGamut;
    void* reservedSourceSpaceInfo;
    void* reservedResultSpaceInfo;
    int16_t colorComponents[4];
    void* reserved;
    union {
        Str255* pickerPrompt;
        Point* globalSamplePoint;
        int32_t specialColorID;
    } selectorParameter;
};
typedef OSErr (*ColorServicesProc)(ColorServicesInfo* info);

// ---- Handle suite ----
typedef Handle (*NewPIHandleProc)(int32_t size);
typedef void (*DisposePIHandleProc)(Handle h);
typedef int32_t (*GetPIHandleSizeProc)(Handle h);
typedef OSErr (*SetPIHandleSizeProc)(Handle h, int32_t newSize);
typedef Ptr (*LockPIHandleProc)(Handle h, Boolean moveHigh);
typedef void (*UnlockPIHandleProc)(Handle h);
typedef void (*RecoverSpaceProc)(int32_t size);
typedef void (*DisposeRegularHandlePIHandleProc)(Handle h);

struct HandleProcs {
    int16_t handleProcsVersion;
    int16_t numHandleProcs;
    NewPIHandleProc newProc;
    DisposePIHandleProc disposeProc;
    GetPIHandleSizeProc getSizeProc;
    SetPIHandleSizeProc setSizeProc;
    LockPIHandleProc lockProc;
    UnlockPIHandleProc unlockProc;
    RecoverSpaceProc recoverSpaceProc;
    DisposeRegularHandlePIHandleProc disposeRegularHandleProc;
};

// ---- Buffer suite ----
typedef OSErr (*AllocateBufferProc)(int32_t size, BufferID* bufferID);
typedef Ptr (*LockBufferProc)(BufferID bufferID, Boolean moveHigh);
typedef void (*UnlockBufferProc)(BufferID bufferID);
typedef void (*FreeBufferProc)(BufferID bufferID);
typedef int32_t (*BufferSpaceProc)(void);
typedef int32_t (*ReserveBufferSpaceProc)(int32_t size);
typedef OSErr (*AllocateBuffer64Proc)(int64_t size, BufferID* bufferID);
typedef int64_t (*BufferSpace64Proc)(void);

struct BufferProcs {
    int16_t bufferProcsVersion;
    int16_t numBufferProcs;
    AllocateBufferProc allocateProc;
    LockBufferProc lockProc;
    UnlockBufferProc unlockProc;
    FreeBufferProc freeProc;
    BufferSpaceProc spaceProc;
    ReserveBufferSpaceProc reserveProc;
    AllocateBuffer64Proc allocateProc64;
    BufferSpace64Proc spaceProc64;
};

// ---- Descriptor suite ----
typedef PIReadDescriptor (*OpenReadDescriptorProc)(PIDescriptorHandle, DescriptorKeyIDArray);
typedef OSErr (*CloseReadDescriptorProc)(PIReadDescriptor);
typedef Boolean (*GetKeyProc)(PIReadDescriptor, DescriptorKeyID* key, DescriptorTypeID* type,
                              int32_t* flags);
typedef OSErr (*GetIntegerProc)(PIReadDescriptor, int32_t*);
typedef OSErr (*GetFloatProc)(PIReadDescriptor, double*);
typedef OSErr (*GetUnitFloatProc)(PIReadDescriptor, DescriptorUnitID*, double*);
typedef OSErr (*GetBooleanProc)(PIReadDescriptor, Boolean*);
typedef OSErr (*GetTextProc)(PIReadDescriptor, Handle*);
typedef OSErr (*GetAliasProc)(PIReadDescriptor, Handle*);
typedef OSErr (*GetEnumeratedProc)(PIReadDescriptor, DescriptorEnumID*);
typedef OSErr (*GetClassProc)(PIReadDescriptor, DescriptorClassID*);
typedef OSErr (*GetSimpleReferenceProc)(PIReadDescriptor, void*);
typedef OSErr (*GetObjectProc)(PIReadDescriptor, DescriptorClassID*, PIDescriptorHandle*);
typedef OSErr (*GetCountProc)(PIReadDescriptor, uint32_t*);
typedef OSErr (*GetStringProc)(PIReadDescriptor, Str255*);
typedef OSErr (*GetPinnedIntegerProc)(PIReadDescriptor, int32_t min, int32_t max, int32_t*);
typedef OSErr (*GetPinnedFloatProc)(PIReadDescriptor, const double* min, const double* max, double*);
typedef OSErr (*GetPinnedUnitFloatProc)(PIReadDescriptor, const double* min, const double* max,
                                        DescriptorUnitID*, double*);

struct ReadDescriptorProcs {
    int16_t readDescriptorProcsVersion;
    int16_t numReadDescriptorProcs;
    OpenReadDescriptorProc openReadDescriptorProc;
    CloseReadDescriptorProc closeReadDescriptorProc;
    GetKeyProc getKeyProc;
    GetIntegerProc getIntegerProc;
    GetFloatProc getFloatProc;
    GetUnitFloatProc getUnitFloatProc;
    GetBooleanProc getBooleanProc;
    GetTextProc getTextProc;
    GetAliasProc getAliasProc;
    GetEnumeratedProc getEnumeratedProc;
    GetClassProc getClassProc;
    GetSimpleReferenceProc getSimpleReferenceProc;
    GetObjectProc getObjectProc;
    GetCountProc getCountProc;
    GetStringProc getStringProc;
    GetPinnedIntegerProc getPinnedIntegerProc;
    GetPinnedFloatProc getPinnedFloatProc;
    GetPinnedUnitFloatProc getPinnedUnitFloatProc;
};

typedef PIWriteDescriptor (*OpenWriteDescriptorProc)(void);
typedef OSErr (*CloseWriteDescriptorProc)(PIWriteDescriptor, PIDescriptorHandle*);
typedef OSErr (*PutIntegerProc)(PIWriteDescriptor, DescriptorKeyID, int32_t);
typedef OSErr (*PutFloatProc)(PIWriteDescriptor, DescriptorKeyID, const double*);
typedef OSErr (*PutUnitFloatProc)(PIWriteDescriptor, DescriptorKeyID, DescriptorUnitID, const double*);
typedef OSErr (*PutBooleanProc)(PIWriteDescriptor, DescriptorKeyID, Boolean);
typedef OSErr (*PutTextProc)(PIWriteDescriptor, DescriptorKeyID, Handle);
typedef OSErr (*PutAliasProc)(PIWriteDescriptor, DescriptorKeyID, Handle);
typedef OSErr (*PutEnumeratedProc)(PIWriteDescriptor, DescriptorKeyID, DescriptorTypeID, DescriptorEnumID);
typedef OSErr (*PutClassProc)(PIWriteDescriptor, DescriptorKeyID, DescriptorTypeID);
typedef OSErr (*PutSimpleReferenceProc)(PIWriteDescriptor, DescriptorKeyID, const void*);
typedef OSErr (*PutObjectProc)(PIWriteDescriptor, DescriptorKeyID, DescriptorTypeID, PIDescriptorHandle);
typedef OSErr (*PutCountProc)(PIWriteDescriptor, DescriptorKeyID, uint32_t);
typedef OSErr (*PutStringProc)(PIWriteDescriptor, DescriptorKeyID, const unsigned char*);
typedef OSErr (*PutScopedClassProc)(PIWriteDescriptor, DescriptorKeyID, DescriptorTypeID);
typedef OSErr (*PutScopedObjectProc)(PIWriteDescriptor, DescriptorKeyID, DescriptorTypeID, PIDescriptorHandle);

struct WriteDescriptorProcs {
    int16_t writeDescriptorProcsVersion;
    int16_t numWriteDescriptorProcs;
    OpenWriteDescriptorProc openWriteDescriptorProc;
    CloseWriteDescriptorProc closeWriteDescriptorProc;
    PutIntegerProc putIntegerProc;
    PutFloatProc putFloatProc;
    PutUnitFloatProc putUnitFloatProc;
    PutBooleanProc putBooleanProc;
    PutTextProc putTextProc;
    PutAliasProc putAliasProc;
    PutEnumeratedProc putEnumeratedProc;
    PutClassProc putClassProc;
    PutSimpleReferenceProc putSimpleReferenceProc;
    PutObjectProc putObjectProc;
    PutCountProc putCountProc;
    PutStringProc putStringProc;
    PutScopedClassProc putScopedClassProc;
    PutScopedObjectProc putScopedObjectProc;
};

struct PIDescriptorParameters {
    int16_t descriptorParametersVersion;
    int16_t playInfo;
    int16_t recordInfo;
    PIDescriptorHandle descriptor;
    WriteDescriptorProcs* writeDescriptorProcs;
    ReadDescriptorProcs* readDescriptorProcs;
};

struct ResourceProcs;
struct ImageServicesProcs;
struct PropertyProcs;
struct ChannelPortProcs;
struct ReadImageDocumentDesc;
struct SPBasicSuite;
struct BigDocumentStruct;

#pragma pack(push, 4)
struct FilterRecord {
    int32_t serialNumber;
    TestAbortProc abortProc;
    ProgressProc progressProc;
    Handle parameters;
    Point imageSize;
    int16_t planes;
    Rect filterRect;
    PSRGBColor background;
    PSRGBColor foreground;
    int32_t maxSpace;
    int32_t bufferSpace;
    Rect inRect;
    int16_t inLoPlane;
    int16_t inHiPlane;
    Rect outRect;
    int16_t outLoPlane;
    int16_t outHiPlane;
    void* inData;
    int32_t inRowBytes;
    void* outData;
    int32_t outRowBytes;
    Boolean isFloating;
    Boolean haveMask;
    Boolean autoMask;
    Rect maskRect;
    void* maskData;
    int32_t maskRowBytes;
    FilterColor backColor;
    FilterColor foreColor;
    OSType hostSig;
    HostProc hostProc;
    int16_t imageMode;
    Fixed imageHRes;
    Fixed imageVRes;
    Point floatCoord;
    Point wholeSize;
    PlugInMonitor monitor;
    void* platformData;
    BufferProcs* bufferProcs;
    ResourceProcs* resourceProcs;
    ProcessEventProc processEvent;
    DisplayPixelsProc displayPixels;
    HandleProcs* handleProcs;
    Boolean supportsDummyChannels;
    Boolean supportsAlternateLayouts;
    int16_t wantLayout;
    int16_t filterCase;
    int16_t dummyPlaneValue;
    void* premiereHook;
    AdvanceStateProc advanceState;
    Boolean supportsAbsolute;
    Boolean wantsAbsolute;
    GetPropertyProc getPropertyObsolete;
    Boolean cannotUndo;
    Boolean supportsPadding;
    int16_t inputPadding;
    int16_t outputPadding;
    int16_t maskPadding;
    char samplingSupport;
    char reservedByte;
    Fixed inputRate;
    Fixed maskRate;
    ColorServicesProc colorServices;
    int16_t inLayerPlanes, inTransparencyMask, inLayerMasks, inInvertedLayerMasks, inNonLayerPlanes;
    int16_t outLayerPlanes, outTransparencyMask, outLayerMasks, outInvertedLayerMasks, outNonLayerPlanes;
    int16_t absLayerPlanes, absTransparencyMask, absLayerMasks, absInvertedLayerMasks, absNonLayerPlanes;
    int16_t inPreDummyPlanes, inPostDummyPlanes, outPreDummyPlanes, outPostDummyPlanes;
    int32_t inColumnBytes, inPlaneBytes, outColumnBytes, outPlaneBytes;
    ImageServicesProcs* imageServicesProcs;
    PropertyProcs* propertyProcs;
    int16_t inTileHeight, inTileWidth;
    Point inTileOrigin;
    int16_t absTileHeight, absTileWidth;
    Point absTileOrigin;
    int16_t outTileHeight, outTileWidth;
    Point outTileOrigin;
    int16_t maskTileHeight, maskTileWidth;
    Point maskTileOrigin;
    PIDescriptorParameters* descriptorParameters;
    Str255* errorString;
    ChannelPortProcs* channelPortProcs;
    ReadImageDocumentDesc* documentInfo;
    SPBasicSuite* sSPBasic;
    void* plugInRef;
    int32_t depth;
    Handle iCCprofileData;
    int32_t iCCprofileSize;
    int32_t canUseICCProfiles;
    int32_t hasImageScrap;
    BigDocumentStruct* bigDocumentData;
    PIDescriptorHandle input3DScene;
    PIDescriptorHandle output3DScene;
    Boolean createNewLayer;
    Handle iCCWorkingProfileData;
    int32_t iCCWorkingProfileSize;
    int64_t bufferSpace64;
    int64_t maxSpace64;
    char reserved[48];
};
#pragma pack(pop)

// Selector 0 receives this record instead of a FilterRecord.
struct AboutRecord {
    void* platformData;
    SPBasicSuite* sSPBasic;
    void* plugInRef;
    char reserved[244];
};

// The one exported entry point.
typedef void (*PluginMainProc)(int16_t selector, void* record, intptr_t* data, int16_t* result);

}  // extern "C"

// ---- Constants ----
enum : int16_t {
    filterSelectorAbout = 0,
    filterSelectorParameters = 1,
    filterSelectorPrepare = 2,
    filterSelectorStart = 3,
    filterSelectorContinue = 4,
    filterSelectorFinish = 5,
};

enum : int16_t {
    noErr = 0,
    paramErr = -50,
    memFullErr = -108,
    nilHandleErr = -109,
    userCanceledErr = -128,
    errMissingParameter = -1715,  // descriptor: a key the reader did not ask for
    filterBadParameters = -30100,
    filterBadMode = -30101,
    errPlugInHostInsufficient = -30900,
};

enum : int16_t {
    filterCaseUnsupported = -1,
    filterCaseFlatImageNoSelection = 1,
    filterCaseFlatImageWithSelection = 2,
    filterCaseFloatingSelection = 3,
    filterCaseEditableTransparencyNoSelection = 4,
    filterCaseEditableTransparencyWithSelection = 5,
    filterCaseProtectedTransparencyNoSelection = 6,
    filterCaseProtectedTransparencyWithSelection = 7,
};

enum : uint8_t {
    filterDataHandlingCantFilter = 0,
    filterDataHandlingNone = 1,
    filterDataHandlingBlackMat = 2,
    filterDataHandlingGrayMat = 3,
    filterDataHandlingWhiteMat = 4,
    filterDataHandlingDefringe = 5,
    filterDataHandlingBlackZap = 6,
    filterDataHandlingGrayZap = 7,
    filterDataHandlingWhiteZap = 8,
    filterDataHandlingFillMask = 9,
    filterDataHandlingBackgroundZap = 10,
    filterDataHandlingForegroundZap = 11,
};

enum : uint8_t {
    PIFilterDontCopyToDestinationBit = 0,
    PIFilterWorksWithBlankDataBit = 1,
    PIFilterFiltersLayerMaskBit = 2,
    PIFilterWritesOutsideSelectionBit = 3,
};

enum : int16_t {
    plugInModeBitmap = 0,
    plugInModeGrayScale = 1,
    plugInModeIndexedColor = 2,
    plugInModeRGBColor = 3,
    plugInModeCMYKColor = 4,
    plugInModeHSLColor = 5,
    plugInModeHSBColor = 6,
    plugInModeMultichannel = 7,
    plugInModeDuotone = 8,
    plugInModeLabColor = 9,
    plugInModeGray16 = 10,
    plugInModeRGB48 = 11,
    plugInModeLab48 = 12,
    plugInModeCMYK64 = 13,
    plugInModeDeepMultichannel = 14,
    plugInModeDuotone16 = 15,
    plugInModeRGB96 = 16,
    plugInModeGray32 = 17,
};

enum : int16_t {
    plugInWantsEdgeReplication = -1,
    plugInDoesNotWantPadding = -2,
    plugInWantsErrorOnBoundsException = -3,
};

enum : char {
    hostDoesNotSupportSampling = 0,
    hostSupportsIntegralSampling = 1,
    hostSupportsFractionalSampling = 2,
};

enum : int16_t {
    plugInDialogDontDisplay = 0,
    plugInDialogDisplay = 1,
    plugInDialogSilent = 2,
};

enum : int16_t {
    plugInDialogOptional = 0,
    plugInDialogRequired = 1,
    plugInDialogNone = 2,
};

enum : int16_t {
    plugIncolorServicesChooseColor = 0,
    plugIncolorServicesConvertColor = 1,
    plugIncolorServicesSamplePoint = 2,
    plugIncolorServicesGetSpecialColor = 3,
};

enum : int16_t {
    plugIncolorServicesRGBSpace = 0,
    plugIncolorServicesHSBSpace = 1,
    plugIncolorServicesCMYKSpace = 2,
    plugIncolorServicesLabSpace = 3,
    plugIncolorServicesGraySpace = 4,
    plugIncolorServicesHSLSpace = 5,
    plugIncolorServicesXYZSpace = 6,
    plugIncolorServicesChosenSpace = -1,
};

constexpr DescriptorTypeID typeInteger = fourCC("long");
constexpr DescriptorTypeID typeBoolean = fourCC("bool");
constexpr DescriptorTypeID typeFloat = fourCC("doub");
constexpr DescriptorTypeID typeEnumerated = fourCC("enum");
constexpr DescriptorTypeID typeText = fourCC("TEXT");
constexpr DescriptorTypeID typeAlias = fourCC("alis");
constexpr DescriptorTypeID typeType = fourCC("type");
constexpr DescriptorTypeID typeObjectSpecifier = fourCC("obj ");
constexpr DescriptorTypeID typeObject = fourCC("Objc");
constexpr DescriptorTypeID typeUnitFloat = fourCC("UntF");
constexpr DescriptorTypeID typeNull = fourCC("null");
constexpr DescriptorTypeID typeImageReference = fourCC("#ImR");

constexpr int32_t flagEnumerated = 0x2000;
constexpr int32_t flagList = 0x4000;
constexpr int32_t flagOptional = 0x8000;

constexpr OSType kPhotoshopSignature = fourCC("8BIM");
constexpr OSType kFilterKind = fourCC("8BFM");

constexpr int16_t kCurrentHandleProcsVersion = 1;
constexpr int16_t kCurrentBufferProcsVersion = 2;
constexpr int16_t kCurrentDescriptorParametersVersion = 0;
constexpr int16_t kCurrentReadDescriptorProcsVersion = 0;
constexpr int16_t kCurrentWriteDescriptorProcsVersion = 0;

// The 64-bit Windows layout that real hosts expect. We pack the record the
// same way everywhere, so the offsets hold on every 64-bit build.
#if defined(_WIN64) || (defined(__x86_64__) || defined(__aarch64__))
#define TWL_ASSERT_OFFSET(record, field, offset) \
    static_assert(offsetof(record, field) == (offset), #record "." #field " is misplaced")
TWL_ASSERT_OFFSET(FilterRecord, abortProc, 4);
TWL_ASSERT_OFFSET(FilterRecord, progressProc, 12);
TWL_ASSERT_OFFSET(FilterRecord, parameters, 20);
TWL_ASSERT_OFFSET(FilterRecord, imageSize, 28);
TWL_ASSERT_OFFSET(FilterRecord, planes, 32);
TWL_ASSERT_OFFSET(FilterRecord, filterRect, 34);
TWL_ASSERT_OFFSET(FilterRecord, background, 42);
TWL_ASSERT_OFFSET(FilterRecord, foreground, 48);
TWL_ASSERT_OFFSET(FilterRecord, maxSpace, 56);
TWL_ASSERT_OFFSET(FilterRecord, bufferSpace, 60);
TWL_ASSERT_OFFSET(FilterRecord, inRect, 64);
TWL_ASSERT_OFFSET(FilterRecord, inLoPlane, 72);
TWL_ASSERT_OFFSET(FilterRecord, inHiPlane, 74);
TWL_ASSERT_OFFSET(FilterRecord, outRect, 76);
TWL_ASSERT_OFFSET(FilterRecord, outLoPlane, 84);
TWL_ASSERT_OFFSET(FilterRecord, outHiPlane, 86);
TWL_ASSERT_OFFSET(FilterRecord, inData, 88);
TWL_ASSERT_OFFSET(FilterRecord, inRowBytes, 96);
TWL_ASSERT_OFFSET(FilterRecord, outData, 100);
TWL_ASSERT_OFFSET(FilterRecord, outRowBytes, 108);
TWL_ASSERT_OFFSET(FilterRecord, isFloating, 112);
TWL_ASSERT_OFFSET(FilterRecord, haveMask, 113);
TWL_ASSERT_OFFSET(FilterRecord, autoMask, 114);
TWL_ASSERT_OFFSET(FilterRecord, maskRect, 116);
TWL_ASSERT_OFFSET(FilterRecord, maskData, 124);
TWL_ASSERT_OFFSET(FilterRecord, maskRowBytes, 132);
TWL_ASSERT_OFFSET(FilterRecord, backColor, 136);
TWL_ASSERT_OFFSET(FilterRecord, foreColor, 140);
TWL_ASSERT_OFFSET(FilterRecord, hostSig, 144);
TWL_ASSERT_OFFSET(FilterRecord, hostProc, 148);
TWL_ASSERT_OFFSET(FilterRecord, imageMode, 156);
TWL_ASSERT_OFFSET(FilterRecord, imageHRes, 160);
TWL_ASSERT_OFFSET(FilterRecord, imageVRes, 164);
TWL_ASSERT_OFFSET(FilterRecord, floatCoord, 168);
TWL_ASSERT_OFFSET(FilterRecord, wholeSize, 172);
TWL_ASSERT_OFFSET(FilterRecord, monitor, 176);
TWL_ASSERT_OFFSET(FilterRecord, platformData, 216);
TWL_ASSERT_OFFSET(FilterRecord, bufferProcs, 224);
TWL_ASSERT_OFFSET(FilterRecord, resourceProcs, 232);
TWL_ASSERT_OFFSET(FilterRecord, processEvent, 240);
TWL_ASSERT_OFFSET(FilterRecord, displayPixels, 248);
TWL_ASSERT_OFFSET(FilterRecord, handleProcs, 256);
TWL_ASSERT_OFFSET(FilterRecord, supportsDummyChannels, 264);
TWL_ASSERT_OFFSET(FilterRecord, supportsAlternateLayouts, 265);
TWL_ASSERT_OFFSET(FilterRecord, wantLayout, 266);
TWL_ASSERT_OFFSET(FilterRecord, filterCase, 268);
TWL_ASSERT_OFFSET(FilterRecord, dummyPlaneValue, 270);
TWL_ASSERT_OFFSET(FilterRecord, premiereHook, 272);
TWL_ASSERT_OFFSET(FilterRecord, advanceState, 280);
TWL_ASSERT_OFFSET(FilterRecord, supportsAbsolute, 288);
TWL_ASSERT_OFFSET(FilterRecord, wantsAbsolute, 289);
TWL_ASSERT_OFFSET(FilterRecord, getPropertyObsolete, 292);
TWL_ASSERT_OFFSET(FilterRecord, cannotUndo, 300);
TWL_ASSERT_OFFSET(FilterRecord, supportsPadding, 301);
TWL_ASSERT_OFFSET(FilterRecord, inputPadding, 302);
TWL_ASSERT_OFFSET(FilterRecord, outputPadding, 304);
TWL_ASSERT_OFFSET(FilterRecord, maskPadding, 306);
TWL_ASSERT_OFFSET(FilterRecord, samplingSupport, 308);
TWL_ASSERT_OFFSET(FilterRecord, reservedByte, 309);
TWL_ASSERT_OFFSET(FilterRecord, inputRate, 312);
TWL_ASSERT_OFFSET(FilterRecord, maskRate, 316);
TWL_ASSERT_OFFSET(FilterRecord, colorServices, 320);
TWL_ASSERT_OFFSET(FilterRecord, inLayerPlanes, 328);
TWL_ASSERT_OFFSET(FilterRecord, inNonLayerPlanes, 336);
TWL_ASSERT_OFFSET(FilterRecord, outLayerPlanes, 338);
TWL_ASSERT_OFFSET(FilterRecord, outNonLayerPlanes, 346);
TWL_ASSERT_OFFSET(FilterRecord, absLayerPlanes, 348);
TWL_ASSERT_OFFSET(FilterRecord, absNonLayerPlanes, 356);
TWL_ASSERT_OFFSET(FilterRecord, inPreDummyPlanes, 358);
TWL_ASSERT_OFFSET(FilterRecord, outPostDummyPlanes, 364);
TWL_ASSERT_OFFSET(FilterRecord, inColumnBytes, 368);
TWL_ASSERT_OFFSET(FilterRecord, outPlaneBytes, 380);
TWL_ASSERT_OFFSET(FilterRecord, imageServicesProcs, 384);
TWL_ASSERT_OFFSET(FilterRecord, propertyProcs, 392);
TWL_ASSERT_OFFSET(FilterRecord, inTileHeight, 400);
TWL_ASSERT_OFFSET(FilterRecord, maskTileOrigin, 428);
TWL_ASSERT_OFFSET(FilterRecord, descriptorParameters, 432);
TWL_ASSERT_OFFSET(FilterRecord, errorString, 440);
TWL_ASSERT_OFFSET(FilterRecord, channelPortProcs, 448);
TWL_ASSERT_OFFSET(FilterRecord, documentInfo, 456);
TWL_ASSERT_OFFSET(FilterRecord, sSPBasic, 464);
TWL_ASSERT_OFFSET(FilterRecord, plugInRef, 472);
TWL_ASSERT_OFFSET(FilterRecord, depth, 480);
TWL_ASSERT_OFFSET(FilterRecord, iCCprofileData, 484);
TWL_ASSERT_OFFSET(FilterRecord, iCCprofileSize, 492);
TWL_ASSERT_OFFSET(FilterRecord, canUseICCProfiles, 496);
TWL_ASSERT_OFFSET(FilterRecord, hasImageScrap, 500);
TWL_ASSERT_OFFSET(FilterRecord, bigDocumentData, 504);
TWL_ASSERT_OFFSET(FilterRecord, input3DScene, 512);
TWL_ASSERT_OFFSET(FilterRecord, output3DScene, 520);
TWL_ASSERT_OFFSET(FilterRecord, createNewLayer, 528);
TWL_ASSERT_OFFSET(FilterRecord, iCCWorkingProfileData, 532);
TWL_ASSERT_OFFSET(FilterRecord, iCCWorkingProfileSize, 540);
TWL_ASSERT_OFFSET(FilterRecord, bufferSpace64, 544);
TWL_ASSERT_OFFSET(FilterRecord, maxSpace64, 552);
TWL_ASSERT_OFFSET(FilterRecord, reserved, 560);
static_assert(sizeof(FilterRecord) == 608, "FilterRecord must be 608 bytes");

TWL_ASSERT_OFFSET(PSPixelMap, bounds, 4);
TWL_ASSERT_OFFSET(PSPixelMap, imageMode, 20);
TWL_ASSERT_OFFSET(PSPixelMap, rowBytes, 24);
TWL_ASSERT_OFFSET(PSPixelMap, colBytes, 28);
TWL_ASSERT_OFFSET(PSPixelMap, planeBytes, 32);
TWL_ASSERT_OFFSET(PSPixelMap, baseAddr, 40);
TWL_ASSERT_OFFSET(PSPixelMap, mat, 48);
TWL_ASSERT_OFFSET(PSPixelMap, masks, 56);
TWL_ASSERT_OFFSET(PSPixelMap, maskPhaseRow, 64);
TWL_ASSERT_OFFSET(PSPixelMap, maskPhaseCol, 68);
TWL_ASSERT_OFFSET(PSPixelMap, pixelOverlays, 72);
TWL_ASSERT_OFFSET(PSPixelMap, colorManagementOptions, 80);
TWL_ASSERT_OFFSET(PSPixelMap, depth, 84);
static_assert(sizeof(PSPixelMap) == 88, "PSPixelMap must be 88 bytes");

TWL_ASSERT_OFFSET(ColorServicesInfo, selector, 4);
TWL_ASSERT_OFFSET(ColorServicesInfo, sourceSpace, 6);
TWL_ASSERT_OFFSET(ColorServicesInfo, resultSpace, 8);
TWL_ASSERT_OFFSET(ColorServicesInfo, resultGamutInfoValid, 10);
TWL_ASSERT_OFFSET(ColorServicesInfo, resultInGamut, 11);
TWL_ASSERT_OFFSET(ColorServicesInfo, reservedSourceSpaceInfo, 16);
TWL_ASSERT_OFFSET(ColorServicesInfo, reservedResultSpaceInfo, 24);
TWL_ASSERT_OFFSET(ColorServicesInfo, colorComponents, 32);
TWL_ASSERT_OFFSET(ColorServicesInfo, reserved, 40);
TWL_ASSERT_OFFSET(ColorServicesInfo, selectorParameter, 48);
static_assert(sizeof(ColorServicesInfo) == 56, "ColorServicesInfo must be 56 bytes");

TWL_ASSERT_OFFSET(HandleProcs, newProc, 8);
TWL_ASSERT_OFFSET(BufferProcs, allocateProc, 8);
TWL_ASSERT_OFFSET(PIDescriptorParameters, descriptor, 8);
TWL_ASSERT_OFFSET(PIDescriptorParameters, writeDescriptorProcs, 16);
TWL_ASSERT_OFFSET(PIDescriptorParameters, readDescriptorProcs, 24);
static_assert(sizeof(PIDescriptorParameters) == 32, "PIDescriptorParameters must be 32 bytes");
TWL_ASSERT_OFFSET(ReadDescriptorProcs, openReadDescriptorProc, 8);
TWL_ASSERT_OFFSET(WriteDescriptorProcs, openWriteDescriptorProc, 8);
#undef TWL_ASSERT_OFFSET
#endif
