// One of two hosts sharing a settings store: run it twice at once on the same
// $TMPDIR (store_stress SECONDS SEED). For SECONDS it stores memory dots,
// undo files, the cached settings and memdot map changes, and reads back
// what either host wrote. Every file it reads must be whole: one writer's
// settings (each written set holds one number k in seven fields), never a
// mix of two nor a short file, and no file may be set aside as damaged.
// Exits 1 with the reason at the first fault.
#include "model/parameters.h"
#include "platform/memory_service.h"
#include "settings/settings_store.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

namespace {

int fail(const char* what, int32_t detail) {
    std::fprintf(stderr, "store_stress: %s (%d)\n", what, detail);
    return 1;
}

void setAll(UserSettings& s, int32_t k) {
    s.focus = s.vignette = s.dampen = s.sepia = s.colorBlur = s.cbWidth = s.clearArea = k;
}

// The seven fields of one writer's set agree.
bool whole(const UserSettings& s) {
    const int32_t k = s.focus;
    return s.vignette == k && s.dampen == k && s.sepia == k && s.colorBlur == k && s.cbWidth == k && s.clearArea == k;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: store_stress SECONDS SEED\n");
        return 2;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(argv[1]));
    std::mt19937 random(uint32_t(std::atoi(argv[2])));
    SettingsStore store;
    if (!initialiseSettingsStore(store)) return fail("no store folder", 0);
    auto parameters = std::make_unique<FilterParameters>();
    initialiseParameters(*parameters);
    setAll(parameters->settings, 0);
    auto picture = std::make_unique<PresetPicture>();
    picture->width = picture->height = kPresetPictureSide;
    const MemoryService memory = systemMemoryService();
    long operations = 0;

    while (std::chrono::steady_clock::now() < end) {
        ++operations;
        const int32_t k = int32_t(random() % 101);
        const int32_t dot = int32_t(random() % 4);  // few dots, so that the hosts meet
        std::memset(picture->rgba, k, sizeof picture->rgba);
        const PresetPicture* withPicture = random() % 2 ? picture.get() : nullptr;
        int16_t result = 0;
        switch (random() % 7) {
            case 0:
                setAll(parameters->settings, k);
                result = storeMemoryDot(store, dot, *parameters, withPicture, memory);
                if (result != 0) return fail("a memory dot was not stored", result);
                break;
            case 1:
                setAll(parameters->settings, k);
                result = saveCachedSettings(store, *parameters, withPicture, memory);
                if (result != 0) return fail("the cached settings were not saved", result);
                break;
            case 2:
                setAll(parameters->settings, k);
                takeSnapshot(store, true, *parameters, withPicture, memory);
                break;
            case 3:
                result = loadMemoryDot(store, dot, *parameters, picture.get(), memory);
                if (result == kStoreFileDamaged) return fail("a memory dot was read torn", dot);
                if (!whole(parameters->settings)) return fail("a memory dot mixed two writers", dot);
                break;
            case 4:
                result = loadCachedSettings(store, *parameters, picture.get(), memory);
                if (result == kStoreFileDamaged) return fail("the cached settings were read torn", 0);
                if (!whole(parameters->settings)) return fail("the cached settings mixed two writers", 0);
                break;
            case 5:
                store.keptFlags[dot] = int32_t(random() % 2);
                result = writeMemdotMap(store);
                if (result != 0) return fail("the memdot map was not written", result);
                break;
            default:
                readMemdotMap(store);
                for (int32_t flag : store.keptFlags)
                    if (flag != 0 && flag != 1) return fail("the memdot map was read torn", flag);
                break;
        }
    }
    for (const auto& entry : std::filesystem::directory_iterator(store.folder)) {
        if (entry.path().filename().string().find("(damaged") != std::string::npos)
            return fail("a store file was set aside as damaged", 0);
    }
    std::printf("store_stress: %ld operations\n", operations);
    return 0;
}
