// libFuzzer target: the host's image file readers (PNG through libdeflate
// or libpng, TIFF through libdeflate or libtiff, JPEG through libjpeg) as a
// user's file reaches them, by path. Built once per format (TWL_FUZZ_FORMAT
// 1 PNG, 2 TIFF, 3 JPEG); each build keeps only inputs that start as its
// format does, so that every run searches one reader.
#include "fuzz_support.h"
#include "host/image_files.h"
#include "host/image_formats.h"

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <string>

namespace {
const std::string& inputPath() {
    static const std::string path = [] {
        const char* folder = std::getenv("TMPDIR");
        return std::string(folder && *folder ? folder : "/tmp") + "/twl-fuzz-image-" + std::to_string(::getpid());
    }();
    return path;
}

constexpr ImageFileFormat kFormat = TWL_FUZZ_FORMAT == 1   ? ImageFileFormat::png
                                    : TWL_FUZZ_FORMAT == 2 ? ImageFileFormat::tiff
                                                           : ImageFileFormat::jpeg;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Small files can hold large valid images (a blank fax page of 16000 x
    // 12000 pixels is a few hundred bytes); their pixel loops say nothing
    // new and would only stall the search.
    setDocumentMemoryLimit(uint64_t(8) << 20);
    // One thread: the readers' strip and stripe paths run the same code on it.
    setImageFileThreads(1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxImageInput || formatFromMagic(data, size) != kFormat) return 0;
    std::FILE* file = std::fopen(inputPath().c_str(), "wb");
    if (!file) return 0;
    const bool whole = std::fwrite(data, 1, size, file) == size;
    std::fclose(file);
    if (!whole) return 0;
    Document document;
    ImageFileInfo info;
    std::string error;
    if (readImageFile(inputPath(), document, info, error)) {
        // A document read must be whole and of a shape the host takes.
        if (document.width < 1 || document.height < 1 ||
            document.samples.size() != size_t(document.height) * document.rowBytes() ||
            (document.colorChannels != 1 && document.colorChannels != 3))
            __builtin_trap();
    } else if (error.empty()) {
        __builtin_trap();  // every refusal says why
    }
    std::remove(inputPath().c_str());
    return 0;
}
