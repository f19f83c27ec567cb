// libFuzzer target: the settings store's file names and its memdot map. Any
// dot number gives a name only for 0..25, with no separator in it; a path is
// the folder and the name joined, or refused when it does not fit; a map of
// any bytes reads without harm, and what this run then writes reads back as
// the flags it kept, in a file of exactly 26 big-endian values.
#include "platform/path_limits.h"
#include "settings/settings_store.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void check(bool condition) {
    if (!condition) __builtin_trap();
}

std::string gFolder;  // a private folder, with its separator

std::vector<uint8_t> fileBytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        int c;
        while ((c = std::fgetc(file)) != EOF) bytes.push_back(uint8_t(c));
        std::fclose(file);
    }
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char base[] = "/tmp/twl-store-XXXXXX";
    if (!::mkdtemp(base)) std::abort();
    gFolder = std::string(base) + "/";
    std::atexit([] {
        for (const char* name : {kMemdotMapFileName, kMemdotMapLockFileName}) ::unlink((gFolder + name).c_str());
        ::rmdir(gFolder.c_str());
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 2048) return 0;
    FuzzedDataProvider in(data, size);

    // Names of memory dots.
    const int32_t dot = in.ConsumeIntegral<int32_t>();
    char name[kMaxPathBytes];
    const bool named = memoryDotFileName(dot, name);
    check(named == (dot >= 0 && dot <= kScratchMemoryDot));
    if (named) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "Twilightomator memory dot %d.z5a", dot);
        check(std::strcmp(name, expected) == 0);
    } else {
        check(name[0] == '\0');
    }

    // Paths in a folder of any length and bytes.
    SettingsStore store;
    const std::string folder = in.ConsumeRandomLengthString(kMaxPathBytes + 40);
    const std::string fileName = in.ConsumeRandomLengthString(300);
    if (folder.size() < sizeof store.folder) std::memcpy(store.folder, folder.c_str(), folder.size() + 1);
    char path[kMaxPathBytes];
    if (storeFilePath(store, fileName.c_str(), path)) {
        const std::string joined = std::string(store.folder) + fileName.c_str();
        check(!joined.empty() && std::string(path) == joined);
    } else {
        check(path[0] == '\0');
    }

    // The map: any bytes on disk, then this run's changes written over it.
    SettingsStore real;
    std::memcpy(real.folder, gFolder.c_str(), gFolder.size() + 1);
    const std::string mapPath = gFolder + kMemdotMapFileName;
    const std::vector<uint8_t> onDisk = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange(0, 120));
    if (std::FILE* file = std::fopen(mapPath.c_str(), "wb")) {
        if (!onDisk.empty()) std::fwrite(onDisk.data(), 1, onDisk.size(), file);
        std::fclose(file);
    }
    readMemdotMap(real);
    int32_t expected[kMemoryDotCount];
    for (int32_t d = 0; d < kMemoryDotCount; ++d) {
        if (in.ConsumeBool()) real.keptFlags[d] = in.ConsumeBool() ? 1 : 0;
        expected[d] = real.keptFlags[d];
    }
    check(writeMemdotMap(real) == 0);
    const std::vector<uint8_t> written = fileBytes(mapPath);
    check(written.size() == 4 * (1 + kMemoryDotCount));
    auto value = [&](size_t i) {
        return int32_t(uint32_t(written[4 * i]) << 24 | uint32_t(written[4 * i + 1]) << 16 |
                       uint32_t(written[4 * i + 2]) << 8 | written[4 * i + 3]);
    };
    check(value(0) == kMemdotMapVersion);
    for (int32_t d = 0; d < kMemoryDotCount; ++d) check(value(size_t(d) + 1) == expected[d]);
    SettingsStore again;
    std::memcpy(again.folder, gFolder.c_str(), gFolder.size() + 1);
    readMemdotMap(again);
    for (int32_t d = 0; d < kMemoryDotCount; ++d) check(again.keptFlags[d] == expected[d]);
    return 0;
}
