// The host side of a filter run: FilterRecord set-up and the callbacks.
#include "host/host_session.h"

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

// Hands the pixel map's rectangle to the window's surface as RGB rows.
void drawIntoContext(const PSPixelMap& source, const VRect& rect, int32_t dstRow, int32_t dstCol, int16_t depth,
                     DisplayContext& context) {
    const int32_t width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return;
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
    context.drawRgb(context.surface, dstCol, dstRow, width, height, rgb.data(), width * 3);
}

OSErr advanceStateCallback() { return gActive ? gActive->advanceState() : OSErr(paramErr); }
Boolean abortCallback() { return gActive ? gActive->testAbort() : 0; }
void progressCallback(int32_t done, int32_t total) {
    if (gActive) gActive->reportProgress(done, total);
}
OSErr displayPixelsCallback(const PSPixelMap* source, const VRect* sourceRect, int32_t dstRow,
                            int32_t dstCol, void* platformContext) {
    return gActive ? gActive->displayPixels(source, sourceRect, dstRow, dstCol,
                                            static_cast<DisplayContext*>(platformContext))
                   : OSErr(paramErr);
}

int32_t clampInt(int32_t value, int32_t low, int32_t high) { return std::min(std::max(value, low), high); }

int32_t rateOf(Fixed rate) { return std::max<int32_t>(1, rate >> 16); }
}  // namespace

HostSession::HostSession(Document& document, const HostConfig& config) : document_(document), config_(config) {
    previous_ = gActive;
    gActive = this;

    FilterRecord& r = record_;
    r.serialNumber = 0;
    r.abortProc = abortCallback;
    r.progressProc = progressCallback;
    r.parameters = nullptr;
    r.imageSize = Point{int16_t(document.height), int16_t(document.width)};
    r.wholeSize = r.imageSize;
    r.planes = int16_t(document.planes());
    // With a selection the filter works on its bounds only, as in an editor.
    const FilterBounds bounds = filterBounds(document);
    r.filterRect = Rect{int16_t(bounds.top), int16_t(bounds.left), int16_t(bounds.bottom), int16_t(bounds.right)};
    r.background = PSRGBColor{65535, 65535, 65535};
    r.foreground = PSRGBColor{0, 0, 0};
    r.backColor[0] = r.backColor[1] = r.backColor[2] = 255;
    r.maxSpace = config.maxSpace;
    r.maxSpace64 = config.maxSpace;
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
        fillBufferProcs(bufferProcs_, config.buffers);
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

    const bool alpha = document.hasAlpha;
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
    if (record_.iCCprofileData) hostDisposeHandle(record_.iCCprofileData);
    gActive = previous_;
}

OSErr HostSession::advanceState() {
    if (writingBack_) flushOutput();
    outputPending_ = false;
    const FilterRecord& r = record_;
    requests_.push_back(AdvanceRequest{r.inRect, r.outRect, r.maskRect, r.inLoPlane, r.inHiPlane,
                                       r.outLoPlane, r.outHiPlane, r.inputRate, r.maskRate});
    const int16_t planes = int16_t(document_.planes());
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
// pixels) into `buffer`, pixel after pixel; positions outside the image
// repeat its edge. Returns the row bytes.
size_t HostSession::copyFromDocument(const Rect& rect, int32_t rate, int16_t lo, int16_t hi,
                                     std::vector<uint8_t>& buffer) const {
    const int32_t width = rect.right - rect.left, height = rect.bottom - rect.top;
    const int32_t planes = hi - lo + 1;
    const size_t pixelBytes = size_t(planes) * size_t(sampleBytes(document_.depth));
    const size_t rowBytes = size_t(width) * pixelBytes;
    // Every byte is written below: no clearing first.
    buffer.resize(rowBytes * size_t(height));
    const bool wholeRows = rate == 1 && planes == document_.planes() && lo == 0 && rect.left >= 0 &&
                           rect.right <= document_.width;
    for (int32_t i = 0; i < height; ++i) {
        const int32_t y = clampInt((rect.top + i) * rate, 0, document_.height - 1);
        uint8_t* row = buffer.data() + size_t(i) * rowBytes;
        if (wholeRows) {
            std::memcpy(row, document_.pixel(rect.left, y), rowBytes);
            continue;
        }
        for (int32_t j = 0; j < width; ++j) {
            const int32_t x = clampInt((rect.left + j) * rate, 0, document_.width - 1);
            std::memcpy(row + size_t(j) * pixelBytes, document_.pixel(x, y) + size_t(lo) * (pixelBytes / planes),
                        pixelBytes);
        }
    }
    return rowBytes;
}

void HostSession::serveInput() {
    FilterRecord& r = record_;
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
    if (rateOf(r.inputRate) == 1 && r.inLoPlane == 0 && r.inHiPlane == document_.planes() - 1 && r.inRect.left == 0 &&
        r.inRect.right == document_.width && r.inRect.top >= 0 && r.inRect.bottom <= document_.height) {
        r.inData = document_.pixel(0, r.inRect.top);
        r.inRowBytes = int32_t(document_.rowBytes());
        return;
    }
    const size_t rowBytes = copyFromDocument(r.inRect, rateOf(r.inputRate), r.inLoPlane, r.inHiPlane, inBuffer_);
    r.inData = inBuffer_.data();
    r.inRowBytes = int32_t(rowBytes);
}

void HostSession::serveMask() {
    FilterRecord& r = record_;
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
    FilterRecord& r = record_;
    const int32_t width = r.outRect.right - r.outRect.left;
    const int32_t height = r.outRect.bottom - r.outRect.top;
    if (width <= 0 || height <= 0) {
        r.outData = nullptr;
        r.outRowBytes = 0;
        return;
    }
    const size_t rowBytes = copyFromDocument(r.outRect, 1, r.outLoPlane, r.outHiPlane, outBuffer_);
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
    const int bytes = sampleBytes(document_.depth);
    const bool mixing = document_.hasSelection();
    for (int32_t y = std::max<int32_t>(rect.top, 0); y < std::min<int32_t>(rect.bottom, document_.height); ++y) {
        const uint8_t* row = outBuffer_.data() + size_t(y - rect.top) * size_t(pendingOutRowBytes_);
        if (!mixing && planes == document_.planes() && pendingOutLo_ == 0 && rect.left >= 0 &&
            rect.right <= document_.width) {
            std::memcpy(document_.pixel(rect.left, y), row, size_t(rect.right - rect.left) * planes * bytes);
            continue;
        }
        for (int32_t x = std::max<int32_t>(rect.left, 0); x < std::min<int32_t>(rect.right, document_.width); ++x) {
            const uint8_t* filtered = row + size_t(x - rect.left) * planes * bytes;
            uint8_t* stored = document_.pixel(x, y) + size_t(pendingOutLo_) * bytes;
            // The editor applies the filter through the selection: partly
            // selected pixels mix the filtered and the original value.
            const int32_t weight = mixing ? document_.selection[size_t(y) * document_.width + x] : 255;
            for (int32_t p = 0; p < planes; ++p) {
                if (weight == 255) {
                    std::memcpy(stored + p * bytes, filtered + p * bytes, size_t(bytes));
                    continue;
                }
                if (document_.depth == SampleDepth::eight) {
                    const int32_t a = stored[p], b = filtered[p];
                    stored[p] = uint8_t((a * (255 - weight) + b * weight + 127) / 255);
                } else if (document_.depth == SampleDepth::sixteen) {
                    uint16_t a, b;
                    std::memcpy(&a, stored + p * 2, 2);
                    std::memcpy(&b, filtered + p * 2, 2);
                    const uint16_t mixed = uint16_t((int32_t(a) * (255 - weight) + int32_t(b) * weight + 127) / 255);
                    std::memcpy(stored + p * 2, &mixed, 2);
                } else {
                    float a, b;
                    std::memcpy(&a, stored + p * 4, 4);
                    std::memcpy(&b, filtered + p * 4, 4);
                    const float mixed = a + (b - a) * (float(weight) / 255.0f);
                    std::memcpy(stored + p * 4, &mixed, 4);
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
    progress_.push_back(ProgressReport{done, total});
    if (config_.onProgress) config_.onProgress(done, total);
}

OSErr HostSession::displayPixels(const PSPixelMap* source, const VRect* sourceRect, int32_t dstRow, int32_t dstCol,
                                 DisplayContext* context) {
    if (!source || !sourceRect || !source->baseAddr) return paramErr;
    displayCalls_.push_back(DisplayCall{*sourceRect, dstRow, dstCol});
    const int16_t depth = source->version >= 3 && source->depth ? source->depth : 8;
    if (context && context->drawRgb) {
        drawIntoContext(*source, *sourceRect, dstRow, dstCol, depth, *context);
        return noErr;
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
