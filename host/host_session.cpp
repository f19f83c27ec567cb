// The host side of a filter run: FilterRecord set-up and the callbacks.
#include "host/host_session.h"

#include "host/platform_context.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
HostSession* gActive = nullptr;

bool greyMode(int32_t mode) {
    return mode == plugInModeGrayScale || mode == plugInModeGray16 || mode == plugInModeGray32;
}

// One sample of a pixel map as 8 bits: 16-bit samples are on the host's
// 0..32768 scale, floats on 0..1.
uint8_t eightBitSample(const uint8_t* sample, int16_t depth) {
    if (depth == 16) {
        uint16_t v;
        std::memcpy(&v, sample, 2);
        return uint8_t(std::min<int32_t>(255, int32_t(v) * 255 / 32768));
    }
    if (depth == 32) {
        float v;
        std::memcpy(&v, sample, 4);
        return uint8_t(std::clamp(v, 0.0f, 1.0f) * 255.0f);
    }
    return *sample;
}

// Hands the pixel map's rectangle to the window's platform context as RGB rows.
bool drawIntoContext(const PSPixelMap& source, const VRect& rect, int32_t dstRow, int32_t dstCol, int16_t depth,
                     void* context) {
    const int32_t width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return true;
    const bool grey = greyMode(source.imageMode);
    std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3);
    const auto* base = static_cast<const uint8_t*>(source.baseAddr);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* pixel = base + ptrdiff_t(rect.top + y - source.bounds.top) * source.rowBytes +
                                   ptrdiff_t(rect.left + x - source.bounds.left) * source.colBytes;
            uint8_t* out = rgb.data() + (size_t(y) * size_t(width) + size_t(x)) * 3;
            for (int c = 0; c < 3; ++c) out[c] = eightBitSample(pixel + ptrdiff_t(grey ? 0 : c) * source.planeBytes, depth);
        }
    }
    return drawIntoPlatformContext(context, dstCol, dstRow, width, height, rgb.data(), width * 3);
}

OSErr advanceStateCallback() { return gActive ? gActive->advanceState() : OSErr(paramErr); }
Boolean abortCallback() { return gActive ? gActive->testAbort() : 0; }
void progressCallback(int32_t done, int32_t total) {
    if (gActive) gActive->reportProgress(done, total);
}
OSErr displayPixelsCallback(const PSPixelMap* source, const VRect* sourceRect, int32_t dstRow,
                            int32_t dstCol, void* platformContext) {
    return gActive ? gActive->displayPixels(source, sourceRect, dstRow, dstCol, platformContext) : OSErr(paramErr);
}

int32_t clampInt(int32_t value, int32_t low, int32_t high) { return std::min(std::max(value, low), high); }

int32_t rateOf(Fixed rate) { return std::max<int32_t>(1, rate >> 16); }

// A fully opaque transparency sample on the host's scale.
void writeOpaque(uint8_t* sample, SampleDepth depth) {
    if (depth == SampleDepth::eight) {
        *sample = 255;
    } else if (depth == SampleDepth::sixteen) {
        const uint16_t full = 32768;
        std::memcpy(sample, &full, 2);
    } else {
        const float full = 1.0f;
        std::memcpy(sample, &full, 4);
    }
}
}  // namespace

HostSession::HostSession(Document& document, const HostConfig& config) : document_(document), config_(config) {
    previous_ = gActive;
    gActive = this;

    const bool realHosts = likeRealHosts();
    if (realHosts) {
        // The record of older headers, with nothing readable after it; a
        // host that cannot have the pages serves the full record instead.
        olderHostRecord_ = allocateGuardedBlock(kOlderHostRecordBytes);
        if (olderHostRecord_.data) record_ = static_cast<FilterRecord*>(olderHostRecord_.data);
        source_ = document;
        opaqueAsLayer_ = !document.hasAlpha;
    }
    FilterRecord& r = *record_;
    r.serialNumber = 0;
    r.abortProc = abortCallback;
    r.progressProc = progressCallback;
    r.parameters = nullptr;
    r.imageSize = Point{int16_t(document.height), int16_t(document.width)};
    r.wholeSize = r.imageSize;
    r.planes = int16_t(presentedPlanes());
    // With a selection the filter works on its bounds only, as in an editor.
    const FilterBounds bounds = filterBounds(document);
    r.filterRect = Rect{int16_t(bounds.top), int16_t(bounds.left), int16_t(bounds.bottom), int16_t(bounds.right)};
    r.background = PSRGBColor{65535, 65535, 65535};
    r.foreground = PSRGBColor{0, 0, 0};
    r.backColor[0] = r.backColor[1] = r.backColor[2] = 255;
    r.maxSpace = config.maxSpace;
    // Older hosts have no fields past offset 500.
    if (record_ == &ownRecord_) r.maxSpace64 = config.maxSpace;
    r.bufferSpace = 0;
    r.isFloating = 0;
    r.haveMask = document.hasSelection() ? 1 : 0;
    r.autoMask = 0;
    r.hostSig = config.hostSignature;
    r.imageMode = document.imageMode();
    r.imageHRes = r.imageVRes = 72 << 16;
    r.monitor.gamma = Fixed(2.2 * 65536);
    r.platformData = &platformData_;
    if (config.withBufferSuite) {
        BufferSuiteConfig buffers = config.buffers;
        // Real hosts offer the five procedures of the suite's version 2.
        if (realHosts) buffers.procedureCount = 5;
        fillBufferProcs(bufferProcs_, buffers);
        r.bufferProcs = &bufferProcs_;
    }
    if (config.withHandleSuite) {
        fillHandleProcs(handleProcs_, config.handles);
        r.handleProcs = &handleProcs_;
    }
    r.displayPixels = config.withDisplayPixels ? displayPixelsCallback : nullptr;
    r.advanceState = config.withAdvanceState ? advanceStateCallback : nullptr;
    // No colour picker of its own: the plug-in shows the toolkit's chooser.
    r.colorServices = nullptr;
    r.supportsPadding = 1;
    r.samplingSupport = config.samplingSupport;
    r.inputRate = r.maskRate = 1 << 16;

    const bool alpha = document.hasAlpha || opaqueAsLayer_;
    const bool selection = document.hasSelection();
    r.filterCase = alpha ? (selection ? filterCaseEditableTransparencyWithSelection
                                      : filterCaseEditableTransparencyNoSelection)
                         : (selection ? filterCaseFlatImageWithSelection : filterCaseFlatImageNoSelection);
    const int16_t colour = int16_t(document.colorChannels);
    if (alpha) {
        r.inLayerPlanes = r.outLayerPlanes = r.absLayerPlanes = colour;
        r.inTransparencyMask = r.outTransparencyMask = r.absTransparencyMask = 1;
    } else {
        r.inNonLayerPlanes = r.outNonLayerPlanes = r.absNonLayerPlanes = colour;
    }
    r.depth = int32_t(document.depth);
    r.descriptorParameters = config.descriptorParameters;
    if (!document.iccProfile.empty()) {
        r.iCCprofileData = hostNewHandle(int32_t(document.iccProfile.size()));
        if (r.iCCprofileData) {
            std::memcpy(*r.iCCprofileData, document.iccProfile.data(), document.iccProfile.size());
            r.iCCprofileSize = int32_t(document.iccProfile.size());
        }
    }
    r.canUseICCProfiles = 1;
}

HostSession::~HostSession() {
    if (record_->iCCprofileData) hostDisposeHandle(record_->iCCprofileData);
    freeGuardedBlock(olderHostRecord_);
    gActive = previous_;
}

int32_t HostSession::presentedPlanes() const { return document_.planes() + (opaqueAsLayer_ ? 1 : 0); }

OSErr HostSession::advanceState() {
    if (writingBack_) flushOutput();
    outputPending_ = false;
    const FilterRecord& r = *record_;
    requests_.push_back(AdvanceRequest{r.inRect, r.outRect, r.maskRect, r.inLoPlane, r.inHiPlane,
                                       r.outLoPlane, r.outHiPlane, r.inputRate, r.maskRate});
    const int16_t planes = int16_t(presentedPlanes());
    auto planesBad = [planes](const Rect& rect, int16_t lo, int16_t hi) {
        const bool empty = rect.bottom <= rect.top || rect.right <= rect.left;
        return !empty && (lo < 0 || hi < lo || hi >= planes);
    };
    if (planesBad(r.inRect, r.inLoPlane, r.inHiPlane) || planesBad(r.outRect, r.outLoPlane, r.outHiPlane))
        return paramErr;
    serveInput();
    serveMask();
    serveOutput();
    return noErr;
}

// Copies planes lo..hi of `rect` (in coordinates sampled every `rate`
// pixels) of the source into `buffer`, pixel after pixel, in packed rows;
// positions outside the image repeat its edge, and a presented transparency
// plane that the document lacks is opaque. Returns the row bytes.
size_t HostSession::copyFromDocument(const Rect& rect, int32_t rate, int16_t lo, int16_t hi,
                                     std::vector<uint8_t>& buffer) const {
    const Document& source = sourceDocument();
    const int32_t width = rect.right - rect.left, height = rect.bottom - rect.top;
    const int32_t planes = hi - lo + 1;
    const size_t sample = size_t(sampleBytes(source.depth));
    const size_t pixelBytes = size_t(planes) * sample;
    const size_t rowBytes = size_t(width) * pixelBytes;
    // Planes lo..stored - 1 are in the document; the rest is the opaque plane.
    const int32_t stored = std::min<int32_t>(hi + 1, source.planes());
    const size_t storedBytes = size_t(std::max(stored - lo, 0)) * sample;
    // Every byte is written below: no clearing first.
    buffer.resize(rowBytes * size_t(height));
    const bool wholeRows = rate == 1 && planes == source.planes() && lo == 0 && rect.left >= 0 &&
                           rect.right <= source.width;
    for (int32_t i = 0; i < height; ++i) {
        const int32_t y = clampInt((rect.top + i) * rate, 0, source.height - 1);
        uint8_t* row = buffer.data() + size_t(i) * rowBytes;
        if (wholeRows) {
            std::memcpy(row, source.pixel(rect.left, y), rowBytes);
            continue;
        }
        for (int32_t j = 0; j < width; ++j) {
            const int32_t x = clampInt((rect.left + j) * rate, 0, source.width - 1);
            uint8_t* out = row + size_t(j) * pixelBytes;
            if (storedBytes > 0) std::memcpy(out, source.pixel(x, y) + size_t(lo) * sample, storedBytes);
            for (size_t at = storedBytes; at < pixelBytes; at += sample) writeOpaque(out + at, source.depth);
        }
    }
    return rowBytes;
}

void HostSession::serveInput() {
    FilterRecord& r = *record_;
    const int32_t width = r.inRect.right - r.inRect.left;
    const int32_t height = r.inRect.bottom - r.inRect.top;
    if (width <= 0 || height <= 0) {
        r.inData = nullptr;
        r.inRowBytes = 0;
        return;
    }
    // Whole rows of every plane at full scale are handed over where they lie
    // in the document (the filter only reads them, and the rows it writes
    // reach the document at the next request, after it is done with them).
    // Real hosts copy exactly the rectangle asked for.
    if (!likeRealHosts() && rateOf(r.inputRate) == 1 && r.inLoPlane == 0 && r.inHiPlane == document_.planes() - 1 &&
        r.inRect.left == 0 && r.inRect.right == document_.width && r.inRect.top >= 0 &&
        r.inRect.bottom <= document_.height) {
        r.inData = document_.pixel(0, r.inRect.top);
        r.inRowBytes = int32_t(document_.rowBytes());
        return;
    }
    const size_t rowBytes = copyFromDocument(r.inRect, rateOf(r.inputRate), r.inLoPlane, r.inHiPlane, inBuffer_);
    r.inData = inBuffer_.data();
    r.inRowBytes = int32_t(rowBytes);
}

void HostSession::serveMask() {
    FilterRecord& r = *record_;
    const int32_t width = r.maskRect.right - r.maskRect.left;
    const int32_t height = r.maskRect.bottom - r.maskRect.top;
    if (!document_.hasSelection() || width <= 0 || height <= 0) {
        r.maskData = nullptr;
        r.maskRowBytes = 0;
        return;
    }
    const int32_t rate = rateOf(r.maskRate);
    maskBuffer_.assign(size_t(width) * size_t(height), 0);
    for (int32_t i = 0; i < height; ++i) {
        const int32_t y = clampInt((r.maskRect.top + i) * rate, 0, document_.height - 1);
        for (int32_t j = 0; j < width; ++j) {
            const int32_t x = clampInt((r.maskRect.left + j) * rate, 0, document_.width - 1);
            maskBuffer_[size_t(i) * width + j] = document_.selection[size_t(y) * document_.width + x];
        }
    }
    r.maskData = maskBuffer_.data();
    r.maskRowBytes = width;
}

void HostSession::serveOutput() {
    FilterRecord& r = *record_;
    const int32_t width = r.outRect.right - r.outRect.left;
    const int32_t height = r.outRect.bottom - r.outRect.top;
    if (width <= 0 || height <= 0) {
        r.outData = nullptr;
        r.outRowBytes = 0;
        return;
    }
    const size_t rowBytes = copyFromDocument(r.outRect, 1, r.outLoPlane, r.outHiPlane, outBuffer_);
    // An opaque picture shown as a layer is filtered onto a transparent one.
    if (opaqueAsLayer_) std::fill(outBuffer_.begin(), outBuffer_.end(), uint8_t(0));
    r.outData = outBuffer_.data();
    r.outRowBytes = int32_t(rowBytes);
    outputPending_ = true;
    pendingOutRect_ = r.outRect;
    pendingOutLo_ = r.outLoPlane;
    pendingOutHi_ = r.outHiPlane;
    pendingOutRowBytes_ = r.outRowBytes;
}

void HostSession::flushOutput() {
    if (!outputPending_) return;
    outputPending_ = false;
    const Rect& rect = pendingOutRect_;
    const int32_t planes = pendingOutHi_ - pendingOutLo_ + 1;
    // A presented transparency plane that the document lacks is not kept.
    const int32_t stored = std::min<int32_t>(pendingOutHi_ + 1, document_.planes()) - pendingOutLo_;
    const int bytes = sampleBytes(document_.depth);
    const Document& source = sourceDocument();
    for (int32_t y = std::max<int32_t>(rect.top, 0); y < std::min<int32_t>(rect.bottom, document_.height); ++y) {
        const uint8_t* row = outBuffer_.data() + size_t(y - rect.top) * size_t(pendingOutRowBytes_);
        if (!document_.hasSelection() && planes == document_.planes() && pendingOutLo_ == 0 && rect.left >= 0 &&
            rect.right <= document_.width) {
            std::memcpy(document_.pixel(rect.left, y), row, size_t(rect.right - rect.left) * planes * bytes);
            continue;
        }
        for (int32_t x = std::max<int32_t>(rect.left, 0); x < std::min<int32_t>(rect.right, document_.width); ++x) {
            const uint8_t* filtered = row + size_t(x - rect.left) * planes * bytes;
            uint8_t* kept = document_.pixel(x, y) + size_t(pendingOutLo_) * bytes;
            const uint8_t* original = source.pixel(x, y) + size_t(pendingOutLo_) * bytes;
            // The editor applies the filter through the selection: partly
            // selected pixels mix the filtered and the original value.
            const int32_t weight =
                document_.hasSelection() ? document_.selection[size_t(y) * document_.width + x] : 255;
            for (int32_t p = 0; p < stored; ++p) {
                if (weight == 255) {
                    std::memcpy(kept + p * bytes, filtered + p * bytes, size_t(bytes));
                    continue;
                }
                if (document_.depth == SampleDepth::eight) {
                    const int32_t a = original[p], b = filtered[p];
                    kept[p] = uint8_t((a * (255 - weight) + b * weight + 127) / 255);
                } else if (document_.depth == SampleDepth::sixteen) {
                    uint16_t a, b;
                    std::memcpy(&a, original + p * 2, 2);
                    std::memcpy(&b, filtered + p * 2, 2);
                    const uint16_t mixed = uint16_t((int32_t(a) * (255 - weight) + int32_t(b) * weight + 127) / 255);
                    std::memcpy(kept + p * 2, &mixed, 2);
                } else {
                    float a, b;
                    std::memcpy(&a, original + p * 4, 4);
                    std::memcpy(&b, filtered + p * 4, 4);
                    const float mixed = a + (b - a) * (float(weight) / 255.0f);
                    std::memcpy(kept + p * 4, &mixed, 4);
                }
            }
        }
    }
}

Boolean HostSession::testAbort() {
    ++abortPolls_;
    if (config_.abortFlag && *config_.abortFlag) return 1;
    return (config_.abortOnPoll > 0 && abortPolls_ >= config_.abortOnPoll) ? 1 : 0;
}

void HostSession::reportProgress(int32_t done, int32_t total) {
    progress_.push_back(ProgressCall{done, total});
    if (config_.onProgress) config_.onProgress(done, total);
}

OSErr HostSession::displayPixels(const PSPixelMap* source, const VRect* sourceRect, int32_t dstRow, int32_t dstCol,
                                 void* platformContext) {
    if (!source || !sourceRect || !source->baseAddr) return paramErr;
    displayCalls_.push_back(DisplayCall{*sourceRect, dstRow, dstCol});
    const int16_t depth = source->version >= 3 && source->depth ? source->depth : 8;
    if (platformContext) {
        return drawIntoContext(*source, *sourceRect, dstRow, dstCol, depth, platformContext) ? OSErr(noErr) : OSErr(paramErr);
    }
    // Made on first use: a command-line run never displays anything.
    if (displaySurface_.empty()) displaySurface_.assign(size_t(document_.width) * size_t(document_.height) * 4, 0);
    const bool grey = source->imageMode == plugInModeGrayScale || source->imageMode == plugInModeGray16 ||
                      source->imageMode == plugInModeGray32;
    const auto* base = static_cast<const uint8_t*>(source->baseAddr);
    for (int32_t y = sourceRect->top; y < sourceRect->bottom; ++y) {
        for (int32_t x = sourceRect->left; x < sourceRect->right; ++x) {
            const int32_t sy = dstRow + (y - sourceRect->top), sx = dstCol + (x - sourceRect->left);
            if (sx < 0 || sy < 0 || sx >= document_.width || sy >= document_.height) continue;
            const uint8_t* pixel = base + ptrdiff_t(y - source->bounds.top) * source->rowBytes +
                                   ptrdiff_t(x - source->bounds.left) * source->colBytes;
            uint8_t* out = displaySurface_.data() + (size_t(sy) * document_.width + sx) * 4;
            for (int c = 0; c < 3; ++c) {
                const uint8_t* sample = pixel + ptrdiff_t(grey ? 0 : c) * source->planeBytes;
                uint8_t value;
                if (depth == 16) {
                    uint16_t v;
                    std::memcpy(&v, sample, 2);
                    value = uint8_t(std::min<int32_t>(255, int32_t(v) * 255 / 32768));
                } else if (depth == 32) {
                    float v;
                    std::memcpy(&v, sample, 4);
                    value = uint8_t(std::clamp(v, 0.0f, 1.0f) * 255.0f);
                } else {
                    value = *sample;
                }
                out[c] = value;
            }
            out[3] = 255;
        }
    }
    return noErr;
}
