// Loading a filter plug-in module and checking that it can filter a document.
#pragma once

#include "host/property_list.h"
#include "interface/export_entry.h"
#include "interface/host_interface.h"

#include <cstdint>
#include <string>
#include <vector>

class PluginModule {
public:
    PluginModule() = default;
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    // Opens the module, reads its property list and finds its entry point.
    bool load(const std::string& path, std::string& error);
    // Whether the module may filter an image of this mode (enable
    // expression, else the mode bits); false with a message when not.
    bool accepts(int16_t imageMode, std::string& error) const;

    const PropertyList& properties() const { return properties_; }
    // The raw bytes of a resource, empty when the module has none.
    std::vector<uint8_t> resource(uint32_t type, int16_t id) const;
    void call(int16_t selector, void* record, intptr_t* data, int16_t* result) const {
        entry_(selector, record, data, result);
    }
    const std::string& path() const { return path_; }
    // Tells the module how to use the machine (see setPluginSpeed); false
    // when the module has no such setting.
    bool applySpeed(int32_t jobs, int32_t simdLevel) const;
    // Another entry the module exports beside its entry point; nullptr when it
    // has none of that name.
    void* entry(const char* name) const;
    // The export entry beside PluginMain (interface/export_entry.h); null
    // when the module has none.
    TwilightomatorExportProc exportEntry() const {
        return reinterpret_cast<TwilightomatorExportProc>(entry(kExportEntryName));
    }

private:
    typedef void (*SpeedSetter)(int32_t jobs, int32_t simdLevel);
    void* library_ = nullptr;
    PluginMainProc entry_ = nullptr;
    SpeedSetter speed_ = nullptr;
    PropertyList properties_;
    std::string path_;
};

// How the modules loaded from now on use the machine: `jobs` at once (0: the
// machine's cores, 1: one thread) and the highest vector level (0 scalar,
// 1 SSE2, 2 AVX2, 3 AVX-512). Modules without the setting ignore it.
void setPluginSpeed(int32_t jobs, int32_t simdLevel);

// Where a program of ours finds the plug-in by default: beside itself
// (twilightomator.so on Linux, Twilightomator.8bf on Windows), else, when
// installed, in the folder the modules were installed into.
std::string defaultPluginPath();
