// The hostile host's suites and callbacks. A call the plug-in should never
// make (a handle or reader the host never gave, a pixel map that points
// outside itself) stops the run with a trap, which the fuzzer reports.
#include "hostile_host.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

HostileHost gHost;

struct HandleBlock {
    Ptr data;  // first: a Handle is the address of this pointer
    int32_t size;
};

struct BufferBlock {
    void* data;
    int32_t size;
};

struct Reader {
    size_t next = 0;
    DescriptorKeyID* keys = nullptr;
};

constexpr uint8_t kUnsetByte = 0xA5;  // what fresh host memory holds

void check(bool condition) {
    if (!condition) __builtin_trap();
}

// ---- Handles ----
Handle newHandleProc(int32_t size) {
    HostileHost& h = gHost;
    ++h.handleCalls;
    if (size < 0 || h.handleCalls == h.failHandleAt) return nullptr;
    return hostileNewHandle(size);
}
void disposeHandleProc(Handle handle) { hostileDisposeHandle(handle); }
int32_t getSizeProc(Handle handle) {
    check(gHost.liveHandles.count(handle) != 0);
    return reinterpret_cast<HandleBlock*>(handle)->size;
}
OSErr setSizeProc(Handle handle, int32_t size) {
    check(gHost.liveHandles.count(handle) != 0);
    if (size < 0) return paramErr;
    auto* block = reinterpret_cast<HandleBlock*>(handle);
    auto* grown = static_cast<Ptr>(std::realloc(block->data, size_t(size) + 1));
    if (!grown) return memFullErr;
    if (size > block->size) std::memset(grown + block->size, kUnsetByte, size_t(size - block->size));
    block->data = grown;
    block->size = size;
    return noErr;
}
Ptr lockHandleProc(Handle handle, Boolean) {
    check(gHost.liveHandles.count(handle) != 0);
    return *handle;
}
void unlockHandleProc(Handle handle) { check(gHost.liveHandles.count(handle) != 0); }
void recoverSpaceProc(int32_t) {}

// ---- Buffers ----
OSErr allocateBufferProc(int32_t size, BufferID* id) {
    HostileHost& h = gHost;
    ++h.bufferCalls;
    check(id != nullptr);
    *id = nullptr;
    // A host with little memory: large blocks, and blocks past its budget,
    // are refused.
    if (size < 0 || size > (64 << 20) || h.liveBufferBytes + size > (256 << 20) || h.bufferCalls == h.failBufferAt)
        return memFullErr;
    h.liveBufferBytes += size;
    auto* block = new BufferBlock{std::malloc(size_t(size) + (size == 0 ? 1 : 0)), size};
    std::memset(block->data, kUnsetByte, size_t(size));
    h.liveBuffers.insert(block);
    *id = block;
    return noErr;
}
Ptr lockBufferProc(BufferID id, Boolean) {
    check(gHost.liveBuffers.count(id) != 0);
    if (gHost.bufferLockGivesNull) return nullptr;
    return static_cast<Ptr>(static_cast<BufferBlock*>(id)->data);
}
void unlockBufferProc(BufferID id) { check(gHost.liveBuffers.count(id) != 0); }
void freeBufferProc(BufferID id) {
    check(gHost.liveBuffers.erase(id) == 1);
    auto* block = static_cast<BufferBlock*>(id);
    gHost.liveBufferBytes -= block->size;
    std::free(block->data);
    delete block;
}
int32_t bufferSpaceProc() { return 64 << 20; }
int32_t reserveBufferProc(int32_t) { return 0; }
OSErr allocateBuffer64Proc(int64_t size, BufferID* id) {
    if (size > 0x7FFFFFFF) return memFullErr;
    return allocateBufferProc(int32_t(size), id);
}
int64_t bufferSpace64Proc() { return 64 << 20; }

// ---- Pixels ----
void replaceBlock(void*& block, size_t bytes, uint8_t fill) {
    std::free(block);
    // Exactly the bytes the host claims: a read past them is caught.
    block = std::malloc(bytes == 0 ? 1 : bytes);
    std::memset(block, fill, bytes == 0 ? 1 : bytes);
}

bool rectEmpty(const Rect& r) { return r.bottom <= r.top || r.right <= r.left; }

// How the host treats one request; most requests are served honestly.
enum Delivery : uint8_t { honest, smaller, shifted, emptied, noData, shortRows, otherPlanes, kDeliveries };

// Serves one rectangle with planes lo..hi; the host may change the
// rectangle, the planes, the row bytes or give nothing.
void serve(HostileHost& h, Rect& rect, int16_t& lo, int16_t& hi, int32_t samplesPerPixel, void*& block,
           void*& data, int32_t& rowBytes) {
    FuzzInput& in = *h.input;
    const uint8_t choice = in.byte();
    const Delivery delivery = choice < 200 ? honest : Delivery(choice % kDeliveries);
    switch (delivery) {
        case smaller:
            if (rect.right - rect.left > 1) rect.right = int16_t(rect.right - 1);
            else if (rect.bottom - rect.top > 1) rect.bottom = int16_t(rect.bottom - 1);
            break;
        case shifted: {
            const int16_t dx = int16_t(in.range(-3, 3)), dy = int16_t(in.range(-3, 3));
            rect = Rect{int16_t(rect.top + dy), int16_t(rect.left + dx), int16_t(rect.bottom + dy),
                        int16_t(rect.right + dx)};
            break;
        }
        case emptied: rect = Rect{rect.top, rect.left, rect.top, rect.left}; break;
        case otherPlanes:
            if (samplesPerPixel != 0) hi = int16_t(hi + in.range(-2, 2));
            break;
        default: break;
    }
    if (rectEmpty(rect) || delivery == noData) {
        data = nullptr;
        rowBytes = 0;
        return;
    }
    const int32_t planes = samplesPerPixel != 0 ? std::max(hi - lo + 1, 0) : 1;
    const int64_t width = rect.right - rect.left, height = rect.bottom - rect.top;
    int64_t bytes = width * planes * (samplesPerPixel != 0 ? h.sampleBytes : 1);
    if (delivery == shortRows) bytes = std::max<int64_t>(0, bytes - in.range(1, 8));
    // The host cannot hand over more than it has.
    if (bytes * height > (64 << 20)) {
        data = nullptr;
        rowBytes = 0;
        return;
    }
    replaceBlock(block, size_t(bytes * height), in.byte());
    data = block;
    rowBytes = int32_t(bytes);
}

OSErr advanceStateProc() {
    HostileHost& h = gHost;
    FilterRecord& r = *h.record;
    ++h.advanceCalls;
    if (h.refuseEveryAdvance || h.advanceCalls == h.failAdvanceAt) return h.advanceFailure;
    // The record packs pointers at 4-byte offsets: served through locals.
    void* data = nullptr;
    serve(h, r.inRect, r.inLoPlane, r.inHiPlane, 1, h.inBlock, data, r.inRowBytes);
    r.inData = data;
    serve(h, r.outRect, r.outLoPlane, r.outHiPlane, 1, h.outBlock, data, r.outRowBytes);
    r.outData = data;
    int16_t lo = 0, hi = 0;
    if (r.haveMask) {
        serve(h, r.maskRect, lo, hi, 0, h.maskBlock, data, r.maskRowBytes);
        r.maskData = data;
    } else {
        r.maskData = nullptr;
        r.maskRowBytes = 0;
    }
    return noErr;
}

Boolean abortProc() {
    HostileHost& h = gHost;
    ++h.abortPolls;
    return h.abortPolls == h.abortAtPoll ? 1 : 0;
}

void progressProc(int32_t, int32_t) {}

// Reads every sample of the rectangle asked for, so that a map smaller than
// it claims is caught.
OSErr displayPixelsProc(const PSPixelMap* source, const VRect* rect, int32_t, int32_t, void*) {
    check(source && rect && source->baseAddr);
    if (rect->bottom <= rect->top || rect->right <= rect->left) return gHost.displayAnswer;
    check(rect->top >= source->bounds.top && rect->left >= source->bounds.left &&
          rect->bottom <= source->bounds.bottom && rect->right <= source->bounds.right);
    const int16_t depth = source->version >= 3 && source->depth ? source->depth : 8;
    const int32_t bytes = depth == 16 ? 2 : depth == 32 ? 4 : 1;
    const bool grey = source->imageMode == plugInModeGrayScale || source->imageMode == plugInModeGray16 ||
                      source->imageMode == plugInModeGray32;
    const auto* base = static_cast<const uint8_t*>(source->baseAddr);
    volatile uint32_t sum = 0;
    for (int32_t y = rect->top; y < rect->bottom; ++y) {
        for (int32_t x = rect->left; x < rect->right; ++x) {
            const uint8_t* pixel = base + ptrdiff_t(y - source->bounds.top) * source->rowBytes +
                                   ptrdiff_t(x - source->bounds.left) * source->colBytes;
            for (int32_t plane = 0; plane < (grey ? 1 : 3); ++plane) {
                for (int32_t b = 0; b < bytes; ++b) sum = sum + pixel[ptrdiff_t(plane) * source->planeBytes + b];
            }
        }
    }
    return gHost.displayAnswer;
}

OSErr colorServicesProc(ColorServicesInfo* info) {
    check(info != nullptr);
    FuzzInput& in = *gHost.input;
    for (int16_t& c : info->colorComponents) c = in.int16();
    return in.rarely(128) ? in.int16() : OSErr(noErr);
}

// ---- Descriptors ----
Reader& liveReader(PIReadDescriptor reader) {
    check(gHost.liveReaders.count(reader) != 0);
    return *static_cast<Reader*>(reader);
}
const HostileItem& currentItem(PIReadDescriptor reader) {
    Reader& r = liveReader(reader);
    // A value is asked for only after its key.
    check(r.next > 0 && r.next <= gHost.items.size());
    return gHost.items[r.next - 1];
}

PIReadDescriptor openReader(PIDescriptorHandle, DescriptorKeyIDArray keys) {
    if (!gHost.readerOpens) return nullptr;
    // The key array must end with a zero key.
    if (keys) {
        size_t n = 0;
        while (keys[n] != 0) ++n;
    }
    auto* reader = new Reader{0, keys};
    gHost.liveReaders.insert(reader);
    return reader;
}
OSErr closeReader(PIReadDescriptor reader) {
    liveReader(reader);
    gHost.liveReaders.erase(reader);
    delete static_cast<Reader*>(reader);
    return gHost.readerCloseAnswer;
}
Boolean getKey(PIReadDescriptor reader, DescriptorKeyID* key, DescriptorTypeID* type, int32_t* flags) {
    Reader& r = liveReader(reader);
    check(key && type && flags);
    if (r.next >= gHost.items.size()) return 0;
    const HostileItem& item = gHost.items[r.next++];
    *key = item.key;
    *type = item.type;
    *flags = item.flags;
    // As real hosts do: the key returned is marked in the plug-in's array.
    if (r.keys) {
        for (size_t n = 0; r.keys[n] != 0; ++n) {
            if (r.keys[n] == item.key) {
                r.keys[n] = fourCC("null");
                break;
            }
        }
    }
    return 1;
}
OSErr getInteger(PIReadDescriptor reader, int32_t* value) {
    const HostileItem& item = currentItem(reader);
    check(value != nullptr);
    *value = item.integer;
    return item.answer;
}
OSErr getFloat(PIReadDescriptor reader, double* value) {
    const HostileItem& item = currentItem(reader);
    check(value != nullptr);
    *value = item.real;
    return item.answer;
}
OSErr getUnitFloat(PIReadDescriptor reader, DescriptorUnitID* unit, double* value) {
    const HostileItem& item = currentItem(reader);
    check(unit && value);
    *unit = item.enumerated;
    *value = item.real;
    return item.answer;
}
OSErr getBoolean(PIReadDescriptor reader, Boolean* value) {
    const HostileItem& item = currentItem(reader);
    check(value != nullptr);
    *value = Boolean(item.integer);
    return item.answer;
}
OSErr getEnumerated(PIReadDescriptor reader, DescriptorEnumID* value) {
    const HostileItem& item = currentItem(reader);
    check(value != nullptr);
    *value = item.enumerated;
    return item.answer;
}
OSErr getNothingHandle(PIReadDescriptor reader, Handle* value) {
    currentItem(reader);
    if (value) *value = nullptr;
    return -1715;
}
OSErr getClass(PIReadDescriptor reader, DescriptorClassID* value) {
    const HostileItem& item = currentItem(reader);
    if (value) *value = item.enumerated;
    return item.answer;
}
OSErr getReference(PIReadDescriptor reader, void*) {
    currentItem(reader);
    return -1715;
}
OSErr getObject(PIReadDescriptor reader, DescriptorClassID*, PIDescriptorHandle* value) {
    currentItem(reader);
    if (value) *value = nullptr;
    return -1715;
}
OSErr getCount(PIReadDescriptor reader, uint32_t* value) {
    const HostileItem& item = currentItem(reader);
    if (value) *value = uint32_t(item.integer);
    return item.answer;
}
OSErr getString(PIReadDescriptor reader, Str255* value) {
    currentItem(reader);
    if (value) (*value)[0] = 0;
    return -1715;
}
OSErr getPinnedInteger(PIReadDescriptor reader, int32_t, int32_t, int32_t* value) { return getInteger(reader, value); }
OSErr getPinnedFloat(PIReadDescriptor reader, const double*, const double*, double* value) {
    return getFloat(reader, value);
}
OSErr getPinnedUnitFloat(PIReadDescriptor reader, const double*, const double*, DescriptorUnitID* unit,
                         double* value) {
    return getUnitFloat(reader, unit, value);
}

void checkWriter(PIWriteDescriptor writer) { check(gHost.liveWriters.count(writer) != 0); }
PIWriteDescriptor openWriter() {
    if (!gHost.writerOpens) return nullptr;
    void* writer = new int(0);
    gHost.liveWriters.insert(writer);
    return writer;
}
OSErr closeWriter(PIWriteDescriptor writer, PIDescriptorHandle* descriptor) {
    checkWriter(writer);
    gHost.liveWriters.erase(writer);
    delete static_cast<int*>(writer);
    check(descriptor != nullptr);
    *descriptor = hostileNewHandle(16);
    return gHost.writerCloseAnswer;
}
OSErr putInteger(PIWriteDescriptor w, DescriptorKeyID, int32_t) { checkWriter(w); return noErr; }
OSErr putFloat(PIWriteDescriptor w, DescriptorKeyID, const double* v) { checkWriter(w); check(v != nullptr); return noErr; }
OSErr putUnitFloat(PIWriteDescriptor w, DescriptorKeyID, DescriptorUnitID, const double* v) {
    checkWriter(w);
    check(v != nullptr);
    return noErr;
}
OSErr putBoolean(PIWriteDescriptor w, DescriptorKeyID, Boolean) { checkWriter(w); return noErr; }
OSErr putHandle(PIWriteDescriptor w, DescriptorKeyID, Handle) { checkWriter(w); return noErr; }
OSErr putEnumerated(PIWriteDescriptor w, DescriptorKeyID, DescriptorTypeID, DescriptorEnumID) { checkWriter(w); return noErr; }
OSErr putClass(PIWriteDescriptor w, DescriptorKeyID, DescriptorTypeID) { checkWriter(w); return noErr; }
OSErr putReference(PIWriteDescriptor w, DescriptorKeyID, const void*) { checkWriter(w); return noErr; }
OSErr putObject(PIWriteDescriptor w, DescriptorKeyID, DescriptorTypeID, PIDescriptorHandle) { checkWriter(w); return noErr; }
OSErr putCount(PIWriteDescriptor w, DescriptorKeyID, uint32_t) { checkWriter(w); return noErr; }
OSErr putString(PIWriteDescriptor w, DescriptorKeyID, const unsigned char*) { checkWriter(w); return noErr; }

// Each procedure is missing with a small chance.
template <typename Proc>
Proc maybe(FuzzInput& in, Proc proc) {
    return in.rarely(8) ? nullptr : proc;
}

int16_t usuallyThis(FuzzInput& in, int16_t value) {
    return in.rarely(16) ? in.int16() : value;
}

constexpr DescriptorKeyID kKeys[] = {
    fourCC("0001"), fourCC("0002"), fourCC("0003"), fourCC("0004"), fourCC("0005"), fourCC("0006"),
    fourCC("0007"), fourCC("0008"), fourCC("0009"), fourCC("0010"), fourCC("0011"), fourCC("0012"),
    fourCC("0013"), fourCC("0014"), fourCC("GLUE"), fourCC("0016"), fourCC("0017"), fourCC("MLky"),
    fourCC("0019"), fourCC("0020"), fourCC("0021")};
constexpr DescriptorTypeID kTypes[] = {fourCC("long"), fourCC("bool"), fourCC("doub"), fourCC("enum"),
                                       fourCC("TEXT"), fourCC("null"), fourCC("UntF"), fourCC("Objc")};

void makeDescriptorSuite(HostileHost& h, FuzzInput& in) {
    ReadDescriptorProcs& r = h.readProcs;
    r.readDescriptorProcsVersion = usuallyThis(in, kCurrentReadDescriptorProcsVersion);
    r.numReadDescriptorProcs = usuallyThis(in, 18);
    r.openReadDescriptorProc = maybe(in, openReader);
    r.closeReadDescriptorProc = maybe(in, closeReader);
    r.getKeyProc = maybe(in, getKey);
    r.getIntegerProc = maybe(in, getInteger);
    r.getFloatProc = maybe(in, getFloat);
    r.getUnitFloatProc = getUnitFloat;
    r.getBooleanProc = maybe(in, getBoolean);
    r.getTextProc = getNothingHandle;
    r.getAliasProc = getNothingHandle;
    r.getEnumeratedProc = maybe(in, getEnumerated);
    r.getClassProc = getClass;
    r.getSimpleReferenceProc = getReference;
    r.getObjectProc = getObject;
    r.getCountProc = getCount;
    r.getStringProc = getString;
    r.getPinnedIntegerProc = getPinnedInteger;
    r.getPinnedFloatProc = getPinnedFloat;
    r.getPinnedUnitFloatProc = getPinnedUnitFloat;

    WriteDescriptorProcs& w = h.writeProcs;
    w.writeDescriptorProcsVersion = usuallyThis(in, kCurrentWriteDescriptorProcsVersion);
    w.numWriteDescriptorProcs = usuallyThis(in, 16);
    w.openWriteDescriptorProc = maybe(in, openWriter);
    w.closeWriteDescriptorProc = maybe(in, closeWriter);
    w.putIntegerProc = maybe(in, putInteger);
    w.putFloatProc = maybe(in, putFloat);
    w.putUnitFloatProc = putUnitFloat;
    w.putBooleanProc = maybe(in, putBoolean);
    w.putTextProc = putHandle;
    w.putAliasProc = putHandle;
    w.putEnumeratedProc = maybe(in, putEnumerated);
    w.putClassProc = putClass;
    w.putSimpleReferenceProc = putReference;
    w.putObjectProc = putObject;
    w.putCountProc = putCount;
    w.putStringProc = putString;
    w.putScopedClassProc = putClass;
    w.putScopedObjectProc = putObject;

    if (std::getenv("TWL_HOSTILE_TRACE")) std::fprintf(stderr, "play mode at byte %zu\n", in.position());
    PIDescriptorParameters& p = h.descriptorParameters;
    p.descriptorParametersVersion = usuallyThis(in, kCurrentDescriptorParametersVersion);
    p.playInfo = int16_t(in.range(0, 3));
    p.recordInfo = int16_t(in.range(0, 3));
    p.descriptor = in.flag() ? hostileNewHandle(16) : nullptr;
    p.readDescriptorProcs = in.rarely(16) ? nullptr : &r;
    p.writeDescriptorProcs = in.rarely(16) ? nullptr : &w;
    h.readerOpens = !in.rarely(16);
    h.writerOpens = !in.rarely(16);
    h.readerCloseAnswer = in.rarely(64) ? in.pick<OSErr>({-1715, -128, -108, -50, 1}) : OSErr(noErr);
    h.writerCloseAnswer = in.rarely(32) ? OSErr(-108) : OSErr(noErr);

    const int count = in.range(0, 30);
    for (int i = 0; i < count; ++i) {
        HostileItem item{};
        item.key = in.rarely(64) ? in.uint32() : in.pick(kKeys);
        item.type = in.rarely(64) ? in.uint32() : in.pick(kTypes);
        item.flags = in.int32();
        item.integer = in.int32();
        item.real = in.real();
        item.enumerated = in.rarely(64) ? in.uint32() : fourCC("GL01") + uint32_t(in.range(0, 70));
        item.answer = in.rarely(24) ? in.int16() : OSErr(noErr);
        h.items.push_back(item);
    }
}

// The samples the host truly hands over: what its mode says, now and then
// what its depth field says or something else.
int32_t deliveredSampleBytes(FuzzInput& in, int16_t mode, int32_t depth) {
    const uint8_t choice = in.byte();
    if (choice >= 248) return in.pick({1, 2, 4});
    if (choice >= 240) return depth == 16 ? 2 : depth == 32 ? 4 : 1;
    if (mode >= plugInModeGray16 && mode <= plugInModeDuotone16) return 2;
    if (mode == plugInModeRGB96 || mode == plugInModeGray32) return 4;
    return 1;
}

}  // namespace

HostileHost& hostileHost() { return gHost; }

Handle hostileNewHandle(int32_t size) {
    auto* block = new HandleBlock{static_cast<Ptr>(std::malloc(size_t(size) + 1)), size};
    std::memset(block->data, kUnsetByte, size_t(size) + 1);
    Handle handle = &block->data;
    gHost.liveHandles.insert(handle);
    return handle;
}

void hostileDisposeHandle(Handle handle) {
    if (!handle) return;
    check(gHost.liveHandles.erase(handle) == 1);
    auto* block = reinterpret_cast<HandleBlock*>(handle);
    std::free(block->data);
    delete block;
}

void makeHostileHost(HostileHost& h, FuzzInput& in) {
    h.input = &in;
    h.olderRecord = in.flag();
    const size_t recordBytes = h.olderRecord ? 556 : sizeof(FilterRecord);
    h.record = static_cast<FilterRecord*>(std::calloc(1, recordBytes));
    // Older hosts leave their reserved bytes as they are.
    if (h.olderRecord) std::memset(reinterpret_cast<uint8_t*>(h.record) + 500, 0xEE, recordBytes - 500);
    FilterRecord& r = *h.record;

    // The image: mostly the shapes real hosts hand over, sometimes anything.
    static constexpr int16_t kModes[] = {plugInModeRGBColor, plugInModeGrayScale, plugInModeRGB48,
                                         plugInModeGray16,   plugInModeRGB96,     plugInModeGray32};
    const bool honestImage = !in.rarely(56);
    r.imageMode = honestImage ? in.pick(kModes) : int16_t(in.range(-1, 20));
    const bool grey = r.imageMode == plugInModeGrayScale || r.imageMode == plugInModeGray16 ||
                      r.imageMode == plugInModeGray32;
    const int32_t modeDepth = (r.imageMode >= plugInModeGray16 && r.imageMode <= plugInModeDuotone16) ? 16
                              : (r.imageMode == plugInModeRGB96 || r.imageMode == plugInModeGray32) ? 32
                                                                                                    : 8;
    r.depth = honestImage ? (in.flag() ? 0 : modeDepth) : in.pick({0, 1, 8, 16, 32, 64, -8});
    if (honestImage && modeDepth != 8) r.depth = modeDepth;
    h.sampleBytes = deliveredSampleBytes(in, r.imageMode, r.depth);
    r.filterCase = honestImage ? int16_t(in.range(1, 5)) : int16_t(in.range(-2, 9));
    const bool transparency = r.filterCase == 4 || r.filterCase == 5;
    const int16_t colours = grey ? 1 : 3;
    r.planes = honestImage ? int16_t(colours + (transparency ? 1 : 0)) : int16_t(in.range(-1, 8));
    if (transparency) {
        r.inLayerPlanes = r.outLayerPlanes = r.absLayerPlanes = honestImage ? colours : int16_t(in.range(-2, 9));
        r.inTransparencyMask = r.outTransparencyMask = 1;
    } else {
        r.inNonLayerPlanes = r.outNonLayerPlanes = colours;
        r.inLayerPlanes = r.outLayerPlanes = honestImage ? 0 : int16_t(in.range(-2, 9));
    }

    // Sizes: small for speed, now and then empty, negative or huge.
    int16_t width, height, left = 0, top = 0;
    if (!in.rarely(36)) {
        width = int16_t(in.range(1, 48));
        height = int16_t(in.range(1, 48));
        if (in.flag()) {
            left = int16_t(in.range(0, 600));
            top = int16_t(in.range(0, 600));
        }
    } else {
        width = int16_t(in.range(-30000, 30000));
        height = int16_t(in.range(-30000, 30000));
        // Up to 30000 on a side, but at most about a million pixels: the
        // plug-in sets up its pyramid before it asks for the first pixels,
        // and for four million that took seconds an input in this build.
        const int32_t most = (1 << 20) / std::max<int32_t>(std::abs(int32_t(width)), 1);
        height = int16_t(std::clamp<int32_t>(height, -most, most));
        left = int16_t(in.range(-30000, 30000));
        top = int16_t(in.range(-30000, 30000));
    }
    r.filterRect = Rect{top, left, int16_t(std::clamp<int32_t>(top + height, -32768, 32767)),
                        int16_t(std::clamp<int32_t>(left + width, -32768, 32767))};
    r.imageSize = Point{int16_t(std::max<int32_t>(r.filterRect.bottom, 0)), int16_t(std::max<int32_t>(r.filterRect.right, 0))};
    r.wholeSize = r.imageSize;
    r.haveMask = in.flag() ? 1 : 0;
    r.isFloating = in.rarely(16);
    r.samplingSupport = char(in.rarely(64) ? in.range(-1, 3) : hostSupportsIntegralSampling);
    r.hostSig = in.pick({kPhotoshopSignature, fourCC("PSP8"), fourCC("PSP9"), fourCC("GIMP"), 0u});
    r.serialNumber = in.int32();
    r.maxSpace = in.int32();
    r.imageHRes = r.imageVRes = 72 << 16;
    r.background = PSRGBColor{uint16_t(in.int16()), 0, 65535};
    r.platformData = &h.platformData;

    // Callbacks, each missing now and then.
    r.advanceState = in.rarely(12) ? nullptr : advanceStateProc;
    r.abortProc = maybe(in, abortProc);
    r.progressProc = maybe(in, progressProc);
    r.displayPixels = in.rarely(24) ? nullptr : displayPixelsProc;
    r.colorServices = in.flag() ? colorServicesProc : nullptr;
    h.failAdvanceAt = in.rarely(64) ? in.range(1, 40) : 0;
    h.advanceFailure = in.pick<OSErr>({-128, -108, -50, 1, -30100, 17});
    // A large image is refused at every request, as by a host short of
    // memory: the search stays fast, and the sizes still reach every check
    // made before the first pixels. Refusing only the first request let the
    // next run of the session filter four million pixels, about a minute an
    // input in the instrumented build.
    const int64_t area = int64_t(r.filterRect.right - r.filterRect.left) * (r.filterRect.bottom - r.filterRect.top);
    if (area > 128 * 128) {
        h.refuseEveryAdvance = true;
        h.advanceFailure = memFullErr;
    }
    h.abortAtPoll = in.rarely(32) ? in.range(1, 8) : 0;
    h.displayAnswer = in.rarely(32) ? OSErr(-50) : OSErr(noErr);

    // Suites: present and complete, or old, short, partly missing or absent.
    HandleProcs& hp = h.handleProcs;
    hp.handleProcsVersion = usuallyThis(in, kCurrentHandleProcsVersion);
    hp.numHandleProcs = usuallyThis(in, 8);
    hp.newProc = maybe(in, newHandleProc);
    hp.disposeProc = maybe(in, disposeHandleProc);
    hp.getSizeProc = maybe(in, getSizeProc);
    hp.setSizeProc = maybe(in, setSizeProc);
    hp.lockProc = maybe(in, lockHandleProc);
    hp.unlockProc = maybe(in, unlockHandleProc);
    hp.recoverSpaceProc = recoverSpaceProc;
    hp.disposeRegularHandleProc = disposeHandleProc;
    r.handleProcs = in.rarely(16) ? nullptr : &hp;
    h.failHandleAt = in.rarely(24) ? in.range(1, 6) : 0;

    BufferProcs& bp = h.bufferProcs;
    bp.bufferProcsVersion = usuallyThis(in, kCurrentBufferProcsVersion);
    bp.numBufferProcs = usuallyThis(in, in.flag() ? 5 : 8);
    bp.allocateProc = maybe(in, allocateBufferProc);
    bp.lockProc = maybe(in, lockBufferProc);
    bp.unlockProc = maybe(in, unlockBufferProc);
    bp.freeProc = maybe(in, freeBufferProc);
    bp.spaceProc = maybe(in, bufferSpaceProc);
    bp.reserveProc = reserveBufferProc;
    bp.allocateProc64 = allocateBuffer64Proc;
    bp.spaceProc64 = bufferSpace64Proc;
    r.bufferProcs = in.rarely(16) ? nullptr : &bp;
    h.failBufferAt = in.rarely(24) ? in.range(1, 40) : 0;
    h.bufferLockGivesNull = in.rarely(8);

    makeDescriptorSuite(h, in);
    r.descriptorParameters = in.rarely(48) ? nullptr : &h.descriptorParameters;
}

void endHostileHost(HostileHost& h) {
    std::free(h.inBlock);
    std::free(h.outBlock);
    std::free(h.maskBlock);
    std::free(h.record);
    h.inBlock = h.outBlock = h.maskBlock = nullptr;
    h.record = nullptr;
}
