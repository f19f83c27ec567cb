// The choose-colour call of the host's colour services.
#include "plugin/host_colour_picker.h"

#include <algorithm>
#include <cstring>

namespace {

// A picker component back as a 16-bit channel. A host that hands back a
// value outside 0..255 would otherwise overflow the channel (or wrap a
// negative one to near white), so the value is kept in range first.
uint16_t channelOf(int16_t component) { return uint16_t(std::clamp<int32_t>(component, 0, 255) * 256); }

}  // namespace

bool chooseColourWithHost(ColorServicesProc colorServices, const char* prompt, Color16& colour) {
    if (!colorServices) return false;

    // The prompt as a length-prefixed string; longer prompts are cut at 255.
    Str255 pickerPrompt{};
    const size_t length = prompt ? std::min<size_t>(std::strlen(prompt), 255) : 0;
    pickerPrompt[0] = static_cast<unsigned char>(length);
    if (length) std::memcpy(pickerPrompt + 1, prompt, length);

    ColorServicesInfo info{};
    info.infoSize = sizeof(ColorServicesInfo);
    info.selector = plugIncolorServicesChooseColor;
    info.sourceSpace = plugIncolorServicesRGBSpace;
    info.resultSpace = plugIncolorServicesRGBSpace;
    info.colorComponents[0] = int16_t(colour.red >> 8);
    info.colorComponents[1] = int16_t(colour.green >> 8);
    info.colorComponents[2] = int16_t(colour.blue >> 8);
    info.selectorParameter.pickerPrompt = &pickerPrompt;

    colorServices(&info);  // a cancelled picker leaves the components as they were
    colour = Color16{channelOf(info.colorComponents[0]), channelOf(info.colorComponents[1]),
                     channelOf(info.colorComponents[2])};
    return true;
}
