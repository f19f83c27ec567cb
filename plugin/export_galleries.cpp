// Writing the presets page and the memory-dots page.
#include "plugin/export_galleries.h"

#include "effect/tiled_image.h"
#include "codec/exif_block.h"
#include "export/gallery_frames.h"
#include "export/html_page.h"
#include "export/html_text.h"
#include "codec/iptc_block.h"
#include "codec/jpeg_tiled_image.h"
#include "codec/jpeg_writer.h"
#include "export/user_file.h"
#include "platform/folder_entries.h"
#include "platform/folder_listing.h"
#include "platform/path_limits.h"
#include "plugin/export_document.h"
#include "plugin/export_progress.h"
#include "plugin/filter_pass.h"
#include "plugin/work_area.h"
#include "settings/preset_file.h"
#include "settings/settings_store.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr int32_t kPresetColumns = 5;
constexpr int32_t kMemoryDotColumns = 4;
constexpr int32_t kPresetCellSide = 88;
constexpr int32_t kMemoryDotPictureSide = 300;
constexpr int32_t kGalleryJpegQuality = 80;

void putMessage(char* message, size_t bytes, const std::string& text) {
    if (message && bytes > 0) std::snprintf(message, bytes, "%s", text.c_str());
}

bool containsWithoutCase(const std::string& text, const char* part) {
    const size_t n = std::strlen(part);
    for (size_t i = 0; i + n <= text.size(); ++i) {
        size_t k = 0;
        while (k < n && std::tolower(static_cast<unsigned char>(text[i + k])) ==
                            std::tolower(static_cast<unsigned char>(part[k])))
            ++k;
        if (k == n) return true;
    }
    return false;
}

// The web_images folder beside the page, with fresh frame images.
bool prepareWebImages(const char* htmlPath, std::string& folder, std::string& error) {
    const std::string page = htmlPath ? htmlPath : "";
    size_t end = page.size();
    while (end > 0 && !isPathSeparator(page[end - 1])) --end;
    folder = page.substr(0, end) + kWebImagesFolder + kPathSeparator;
    if (!createFolder(folder.c_str())) {
        error = "cannot create the folder " + folder;
        return false;
    }
    for (const GalleryFrame& frame : kGalleryFrames)
        if (!writeUserFile((folder + frame.fileName).c_str(), frame.bytes, frame.size, error)) return false;
    return true;
}

// Pictures that could not be written keep their cells (the page links to the
// missing files); the page is still written, and the user is told.
struct MissingPictures {
    int32_t count = 0;
    std::string firstError;
    void add(const std::string& error) {
        if (count++ == 0) firstError = error;
    }
};

// A gallery picture encoded in memory, its file still to be written. The
// encoded bytes go back to the host on every way out, a refused
// allocation's (thrown) too.
struct EncodedPicture {
    MemoryService memory{};
    MemoryBlock block{};
    size_t bytes = 0;
    std::string path;
    bool written = false;
    std::string error;  // why the file could not be written

    EncodedPicture() = default;
    EncodedPicture(const EncodedPicture&) = delete;
    EncodedPicture& operator=(const EncodedPicture&) = delete;
    ~EncodedPicture() { reset(); }
    void reset() {
        if (block.data) memory.release(memory.context, &block);
        block = MemoryBlock{};
        bytes = 0;
        path.clear();
        written = false;
        error.clear();
    }
};

// A gallery picture: JPEG at quality 80 with the product's EXIF and IPTC
// blocks and the host's ICC profile when it offers one. False (and the
// picture counted as missing) when it cannot be encoded.
bool encodeGalleryJpeg(const FilterRecord* record, const Pyramid& image, const std::string& path,
                       EncodedPicture& picture, MissingPictures& missing) {
    MetadataBlock exif, iptc;
    JpegEncodeOptions options;
    options.quality = kGalleryJpegQuality;
    if (buildExifBlock(exif, true, MetadataPass::write) > 0) options.exif = &exif;
    if (buildIptcBlock(iptc, true, MetadataPass::write) > 0) options.iptc = &iptc;
    if (record->iCCprofileData && record->iCCprofileSize > 0 && record->canUseICCProfiles) {
        options.iccProfile = reinterpret_cast<const uint8_t*>(*record->iCCprofileData);
        options.iccProfileBytes = size_t(record->iCCprofileSize);
    }
    picture.reset();
    picture.memory = pluginMemoryService(record);
    picture.path = path;
    const JpegRowSource source = tiledImageRowSource(image);
    if (encodeJpegToMemory(&source, options, &picture.memory, picture.block, picture.bytes) != kJpegEncoded) {
        missing.add("cannot encode " + path);
        return false;
    }
    return true;
}

void writeEncodedPicture(EncodedPicture& picture) {
    picture.written = writeUserFile(picture.path.c_str(), picture.block.data, picture.bytes, picture.error);
}

// The writing as a job, so that it can run beside the next render.
void writePictureJob(const Job& job) { writeEncodedPicture(*static_cast<EncodedPicture*>(job.owner)); }

// After the writing: a failure is counted, the encoded bytes released.
void settlePicture(EncodedPicture& picture, MissingPictures& missing) {
    if (!picture.written) missing.add(picture.error);
    picture.reset();
}

void writeGalleryJpeg(const FilterRecord* record, const Pyramid& image, const std::string& path,
                      MissingPictures& missing) {
    EncodedPicture picture;
    if (!encodeGalleryJpeg(record, image, path, picture, missing)) return;
    writeEncodedPicture(picture);
    settlePicture(picture, missing);
}

// The page's file is opened (its temporary file made beside it) before
// anything else is written, so that a page that cannot be saved is found
// before web_images is made or a picture rendered.
bool openPage(const char* htmlPath, UserFile& file, std::string& error) {
    const std::string page = htmlPath ? htmlPath : "";
    if (fileNameOf(page) == kWebImagesFolder) {
        error = "the page cannot be named " + std::string(kWebImagesFolder) +
                ": its pictures go into a folder of that name beside it";
        return false;
    }
    if (file.open(page.c_str())) return true;
    error = file.error();
    return false;
}

// Saves the page unless the user stopped the job meanwhile.
OSErr savePage(const HtmlPage& page, UserFile& file, ExportProgress& progress, const MissingPictures& missing,
               char* message, size_t messageBytes) {
    if (progress.stopRequested()) return userCanceledErr;
    file.write(page.text.data(), page.text.size());
    if (!file.commit()) {
        putMessage(message, messageBytes, file.error());
        return kExportWriteFailed;
    }
    if (missing.count > 0) {
        putMessage(message, messageBytes,
                   "the page was written, but " + std::to_string(missing.count) +
                       (missing.count == 1 ? " picture" : " pictures") + " could not be: " + missing.firstError);
        return kExportWriteFailed;
    }
    return noErr;
}

}  // namespace

void memoryDotPictureSize(int32_t width, int32_t height, int32_t& pictureWidth, int32_t& pictureHeight) {
    const int32_t longer = std::max(width, height);
    if (longer <= kMemoryDotPictureSide) {
        pictureWidth = std::max(width, 1);
        pictureHeight = std::max(height, 1);
        return;
    }
    pictureWidth = std::max<int32_t>(1, int32_t(int64_t(width) * kMemoryDotPictureSide / longer));
    pictureHeight = std::max<int32_t>(1, int32_t(int64_t(height) * kMemoryDotPictureSide / longer));
}

OSErr writePresetsPage(PluginGlobals& globals, const char* sourceFolder, const char* htmlPath, JobProgress& shown,
                       char* message, size_t messageBytes) {
    putMessage(message, messageBytes, "");
    const FilterRecord* record = globals.record;
    std::vector<FolderEntry> entries;
    if (!sourceFolder || !listFolderEntries(sourceFolder, entries)) {
        putMessage(message, messageBytes, std::string("cannot read the folder ") + (sourceFolder ? sourceFolder : ""));
        return kExportWriteFailed;
    }
    std::string webImages, error;
    UserFile pageFile;
    if (!openPage(htmlPath, pageFile, error) || !prepareWebImages(htmlPath, webImages, error)) {
        putMessage(message, messageBytes, error);
        return kExportWriteFailed;
    }
    std::string folder = sourceFolder;
    if (!folder.empty() && !isPathSeparator(folder.back())) folder += kPathSeparator;

    HtmlPage page;
    startHtmlPage(page, GalleryKind::presets, kPresetColumns, folder.c_str());
    ExportProgress progress(shown);
    const MemoryService memory = pluginMemoryService(record);
    auto picture = std::make_unique<PresetPicture>();
    MissingPictures missing;
    int64_t visited = 0;
    for (const FolderEntry& entry : entries) {
        if (!progress.report(visited++, int64_t(entries.size()))) return userCanceledErr;
        // Folders, FIFOs and devices are no presets; opening a FIFO would wait.
        if (!entry.isRegularFile || !containsWithoutCase(entry.name, ".z5a")) continue;
        const std::string path = folder + entry.name;
        if (page.column == 1) openHtmlRow(page);
        // Each preset shows its own stored picture; one without a picture
        // gets no JPEG (its cell links to a missing file).
        picture->width = picture->height = 0;
        UserSettings ignored = defaultUserSettings();
        PresetReadInfo info;
        readPreset(path.c_str(), PresetReadMode::thumbnailOnly, ignored, picture.get(), memory, &info);
        const std::string pictureName = writePictureCell(page, path, kPresetCellSide, kPresetCellSide);
        // The picture goes out at the stored picture's own size, whatever the
        // 128 x 128 preset picture it was read into (a texture of an old
        // preset keeps its own side).
        const int32_t width = info.pictureFound ? info.storedWidth : picture->width;
        const int32_t height = info.pictureFound ? info.storedHeight : picture->height;
        Pyramid image;
        if (presetPictureAtSize(*picture, width, height, image, memory))
            writeGalleryJpeg(record, image, webImages + pictureName, missing);
    }
    progress.report(1, 1);
    finishHtmlPage(page);
    return savePage(page, pageFile, progress, missing, message, messageBytes);
}

OSErr writeMemoryDotsPage(PluginGlobals& globals, const char* htmlPath, JobProgress& shown, char* message,
                          size_t messageBytes, const bool* occupied) {
    putMessage(message, messageBytes, "");
    const FilterRecord* record = globals.record;
    FilterParameters& parameters = *parametersOf(record);
    const SettingsStore& store = globals.workArea->store;
    if (!occupied && store.mapUnreadable) {
        // Which dots are kept is unknown: a page without them would look
        // like the user had none.
        char map[kMaxPathBytes];
        storeFilePath(store, kMemdotMapFileName, map);
        putMessage(message, messageBytes, std::string("cannot read the map of the memory dots ") + map);
        return kExportWriteFailed;
    }
    std::string webImages, error;
    UserFile pageFile;
    if (!openPage(htmlPath, pageFile, error) || !prepareWebImages(htmlPath, webImages, error)) {
        putMessage(message, messageBytes, error);
        return kExportWriteFailed;
    }
    int32_t width = 0, height = 0;
    memoryDotPictureSize(record->filterRect.right - record->filterRect.left,
                         record->filterRect.bottom - record->filterRect.top, width, height);

    HtmlPage page;
    startHtmlPage(page, GalleryKind::memoryDots, kMemoryDotColumns, nullptr);
    ExportProgress progress(shown);
    const MemoryService memory = pluginMemoryService(record);
    // The dot's settings stand in for the current ones while it renders.
    const UserSettings current = parameters.settings;
    char currentName[kPathBytes];
    std::memcpy(currentName, parameters.settingsFileName, kPathBytes);
    OSErr result = noErr;
    MissingPictures missing;
    // A dot's picture is encoded at once and its file written beside the
    // next dot's render (the writing waits on the disk, the render on the
    // processors); the files and the page are the same.
    JobWorkers& workers = globals.workArea->workers;
    EncodedPicture pending;
    bool writing = false;
    // Whatever way the loop is left, the writing beside it ends first.
    struct AsideEnds {
        JobWorkers& workers;
        ~AsideEnds() {
            try {
                workers.finishAside();
            } catch (...) {
                // Left by a throw already on its way: that one is reported.
            }
        }
    } asideEnds{workers};
    for (int32_t dot = 1; dot <= kMemoryDotCount && result == noErr; ++dot) {
        if (!progress.report(dot - 1, kMemoryDotCount)) {
            result = userCanceledErr;
            break;
        }
        if (occupied ? !occupied[dot - 1] : store.keptFlags[dot - 1] != 1) continue;
        const std::string name = "dot " + std::to_string(dot);
        if (loadMemoryDot(store, dot - 1, parameters, nullptr, memory) != 0) {
            // A kept dot whose settings cannot be read keeps its cell, as a
            // picture that cannot be written does, and the user is told.
            parameters.settings = current;
            char dotFile[kMaxPathBytes], dotPath[kMaxPathBytes];
            memoryDotFileName(dot - 1, dotFile);
            storeFilePath(store, dotFile, dotPath);
            missing.add("cannot read the settings of " + name + " from " + dotPath);
            writePictureCell(page, name, width, height);
            continue;
        }
        if (writing) {
            Job write;
            write.kind = kJobImageRect;
            write.owner = &pending;
            write.routine = writePictureJob;
            workers.runAside(write);
        }
        const OSErr rendered = renderIntoInternalImage(globals, width, height);
        if (writing) {
            workers.finishAside();
            settlePicture(pending, missing);
            writing = false;
        }
        if (rendered == noErr)
            writing = encodeGalleryJpeg(record, globals.images->internal, webImages + name + ".jpg", pending, missing);
        else if (rendered != userCanceledErr)
            missing.add("cannot render " + name);
        globals.images->internal.release();
        parameters.settings = current;
        std::memcpy(parameters.settingsFileName, currentName, kPathBytes);
        if (rendered == userCanceledErr) {
            result = userCanceledErr;
            break;
        }
        writePictureCell(page, name, width, height);
    }
    if (writing) {  // the last picture: no render left to go beside
        writeEncodedPicture(pending);
        settlePicture(pending, missing);
    }
    parameters.settings = current;
    std::memcpy(parameters.settingsFileName, currentName, kPathBytes);
    if (result != noErr) return result;
    progress.report(1, 1);
    finishHtmlPage(page);
    return savePage(page, pageFile, progress, missing, message, messageBytes);
}
