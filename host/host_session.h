// One filter run's host side: the FilterRecord filled as a real host fills
// it, and the callbacks that serve pixels, progress, abort, display and
// colours. Only one session is active at a time (the callbacks carry no
// context, so they find the active session through a module-wide pointer).
#pragma once

#include "host/buffer_suite.h"
#include "host/document.h"
#include "host/handle_suite.h"
#include "interface/host_interface.h"
#include "platform/guarded_block.h"

#include <csignal>
#include <cstdint>
#include <functional>
#include <vector>

// How the host serves a run. Ours hands out whole document rows where it
// can, writes the full 608-byte record and shows opaque pictures as flat
// images. Like the real hosts (tests only): the 556-byte record of older
// headers with an inaccessible page right after it, opaque pictures as a
// layer with a transparency plane and a transparent destination to start
// from, exactly the rectangles asked for in packed rows, the host's own
// advanceState before every Continue and once before Finish, the
// five-procedure buffer suite, and (in the descriptor suite) each key it
// returns marked 'null' in the plug-in's key array.
enum class HostBehaviour { ours, likeRealHosts };

// The record size of hosts built on older headers: fields up to offset 500,
// then reserved bytes.
constexpr size_t kOlderHostRecordBytes = 556;

struct HostConfig {
    HostBehaviour behaviour = HostBehaviour::ours;
    HandleSuiteConfig handles;
    BufferSuiteConfig buffers;
    bool withHandleSuite = true;
    bool withBufferSuite = true;
    bool withAdvanceState = true;
    bool withDisplayPixels = true;
    char samplingSupport = hostSupportsIntegralSampling;
    OSType hostSignature = kPhotoshopSignature;
    int32_t maxSpace = 1 << 30;
    // The descriptor parameters the host offers (null: no scripting).
    PIDescriptorParameters* descriptorParameters = nullptr;
    // Abort: the host reports an abort on this poll (1-based; 0 never).
    int32_t abortOnPoll = 0;
    // Abort when this flag becomes non-zero (the command line's Ctrl-C).
    volatile std::sig_atomic_t* abortFlag = nullptr;
    // Progress reports go here as well as into the session's log.
    std::function<void(int32_t done, int32_t total)> onProgress;
};

// One call of the progress procedure, as the session logged it.
struct ProgressCall {
    int32_t done, total;
};

struct AdvanceRequest {
    Rect inRect, outRect, maskRect;
    int16_t inLoPlane, inHiPlane, outLoPlane, outHiPlane;
    Fixed inputRate, maskRate;
};

struct DisplayCall {
    VRect sourceRect;
    int32_t dstRow, dstCol;
};

class HostSession {
public:
    HostSession(Document& document, const HostConfig& config);
    ~HostSession();
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    FilterRecord& record() { return *record_; }
    bool likeRealHosts() const { return config_.behaviour == HostBehaviour::likeRealHosts; }
    Document& document() { return document_; }

    // Writes the output rectangle of the last request back into the
    // document (through the selection), as a host does after each Continue.
    void flushOutput();
    // During Continue the host writes each delivered output back; during
    // Start the plug-in's requests are previews and nothing is written.
    void setWritingBack(bool enabled) { writingBack_ = enabled; }

    const std::vector<ProgressCall>& progress() const { return progress_; }
    const std::vector<AdvanceRequest>& requests() const { return requests_; }
    const std::vector<DisplayCall>& displayCalls() const { return displayCalls_; }
    int32_t abortPolls() const { return abortPolls_; }
    // What displayPixels drew, as RGBA bytes of the document's size (empty
    // until the first call).
    const std::vector<uint8_t>& displaySurface() const { return displaySurface_; }

    // Callback bodies (called through the module-wide active session).
    OSErr advanceState();
    Boolean testAbort();
    void reportProgress(int32_t done, int32_t total);
    // Draws into the window's platform context when the plug-in passes one
    // (an HDC on Windows, a DisplayContext on Linux), else into the
    // session's display surface.
    OSErr displayPixels(const PSPixelMap* source, const VRect* sourceRect, int32_t dstRow, int32_t dstCol,
                        void* platformContext = nullptr);

private:
    void serveInput();
    void serveMask();
    void serveOutput();
    size_t copyFromDocument(const Rect& rect, int32_t rate, int16_t lo, int16_t hi,
                            std::vector<uint8_t>& buffer) const;
    // Planes per pixel as the plug-in sees them: the document's, and one
    // opaque transparency plane when an opaque picture is shown as a layer.
    int32_t presentedPlanes() const;
    // What the plug-in reads and what the selection mixes with: the document
    // itself, or (like the real hosts) a copy of it as it was at the start.
    const Document& sourceDocument() const { return likeRealHosts() ? source_ : document_; }

    Document& document_;
    HostConfig config_;
    FilterRecord ownRecord_{};
    GuardedBlock olderHostRecord_;
    FilterRecord* record_ = &ownRecord_;
    Document source_;
    bool opaqueAsLayer_ = false;
    HandleProcs handleProcs_{};
    BufferProcs bufferProcs_{};
    PlatformData platformData_{};
    std::vector<uint8_t> inBuffer_, outBuffer_, maskBuffer_;
    std::vector<uint8_t> displaySurface_;
    bool outputPending_ = false;
    bool writingBack_ = false;
    Rect pendingOutRect_{};
    int16_t pendingOutLo_ = 0, pendingOutHi_ = 0;
    int32_t pendingOutRowBytes_ = 0;
    std::vector<ProgressCall> progress_;
    std::vector<AdvanceRequest> requests_;
    std::vector<DisplayCall> displayCalls_;
    int32_t abortPolls_ = 0;
    HostSession* previous_ = nullptr;
};
