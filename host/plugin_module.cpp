// Plug-in loading: the module, its property list and its entry point.
#include "host/plugin_module.h"

#include "platform/module_library.h"
#include "platform/utf8_path.h"

#include <filesystem>

namespace {
int32_t gSpeedJobs = 0;
int32_t gSpeedSimd = 3;
}  // namespace

void setPluginSpeed(int32_t jobs, int32_t simdLevel) {
    gSpeedJobs = jobs;
    gSpeedSimd = simdLevel;
}

PluginModule::~PluginModule() {
    closeModuleLibrary(library_);
}

std::vector<uint8_t> PluginModule::resource(uint32_t type, int16_t id) const {
    std::vector<uint8_t> bytes;
    moduleResource(library_, type, id, bytes);
    return bytes;
}

void* PluginModule::entry(const char* name) const {
    return moduleEntry(library_, name);
}

bool PluginModule::load(const std::string& path, std::string& error) {
    path_ = path;
    std::error_code missing;
    if (!std::filesystem::exists(systemPath(path), missing)) {
        error = "plug-in module " + path + " does not exist";
        return false;
    }
    std::string reason;
    library_ = openModuleLibrary(path, reason);
    if (!library_) {
        error = "cannot load plug-in module " + path + ": " + reason;
        return false;
    }
    const std::vector<uint8_t> bytes = resource(fourCC("PiPL"), 16000);
    if (bytes.empty()) {
        error = path + " has no property list";
        return false;
    }
    if (!parsePropertyList(bytes, properties_, error)) {
        error = path + ": " + error;
        return false;
    }
    if (properties_.kind != kFilterKind) {
        error = path + " is not a filter (its kind is not '8BFM')";
        return false;
    }
    if (properties_.entryPoint.empty()) {
        error = path + " names no 64-bit entry point";
        return false;
    }
    entry_ = reinterpret_cast<PluginMainProc>(moduleEntry(library_, properties_.entryPoint.c_str()));
    if (!entry_) {
        error = path + " lacks its entry point " + properties_.entryPoint;
        return false;
    }
    speed_ = reinterpret_cast<SpeedSetter>(moduleEntry(library_, "TwilightomatorSetSpeed"));
    applySpeed(gSpeedJobs, gSpeedSimd);
    return true;
}

bool PluginModule::applySpeed(int32_t jobs, int32_t simdLevel) const {
    if (!speed_) return false;
    speed_(jobs, simdLevel);
    return true;
}

bool PluginModule::accepts(int16_t imageMode, std::string& error) const {
    bool enabled = false;
    if (!properties_.enableExpression.empty()) {
        if (!evaluateEnableExpression(properties_.enableExpression, imageMode, enabled, error)) {
            error = "cannot read the plug-in's enable condition: " + error;
            return false;
        }
    } else {
        enabled = modeBitSet(properties_, imageMode);
    }
    if (!enabled) {
        error = properties_.name + " does not filter images in " + imageModeName(imageMode);
        return false;
    }
    return true;
}

bool PluginModule::filters(int16_t imageMode, std::string& error) const {
    if (imageMode == plugInModeRGB96 || imageMode == plugInModeGray32) return true;
    return accepts(imageMode, error);
}

namespace {
#ifdef _WIN32
constexpr char kPluginFileName[] = "Twilightomator.8bf";
#else
constexpr char kPluginFileName[] = "twilightomator.so";
#endif
}  // namespace

std::string defaultPluginPath() {
    const std::string self = runningProgramPath();
    const std::string beside =
        self.empty() ? kPluginFileName : utf8PathText(filesystemPath(self).parent_path() / kPluginFileName);
#ifdef TWL_INSTALLED_MODULE_DIR
    // An installed program keeps the modules in the library folder instead.
    std::error_code ignored;
    if (!std::filesystem::exists(systemPath(beside), ignored)) {
        const std::string installed = utf8PathText(filesystemPath(TWL_INSTALLED_MODULE_DIR) / kPluginFileName);
        if (std::filesystem::exists(systemPath(installed), ignored)) return installed;
    }
#endif
    return beside;
}
