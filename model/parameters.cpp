// Defaults of the user settings and creation of a fresh parameter block.
#include "model/parameters.h"

#include <cmath>
#include <cstring>

namespace {
// The third component makes auxVectorA a unit vector; taken in single
// precision from the two single-precision values, as the stored presets expect.
float unitVectorZ(float x, float y) {
    return std::sqrt(1.0f - x * x - y * y);
}
}  // namespace

UserSettings defaultUserSettings() {
    UserSettings s{};
    s.glue = 1;
    s.vignetteColor = {0, 0, 0};
    s.auxColorA = {27632, 33553, 40133};
    s.sepiaColor = {32639, 25186, 17476};
    s.auxColorB = {58339, 51400, 37265};
    s.auxColorC = {57825, 58339, 61423};
    s.auxColorD = {65535, 65535, 65535};
    s.auxColorE = {28835, 24903, 13107};
    s.auxInt1 = 33;
    s.auxInt2 = 50;
    s.auxInt3 = 80;
    s.auxInt4 = 80;
    s.focus = 36;
    s.vignette = 57;
    s.auxInt5 = 0;
    s.auxInt6 = 30;
    s.auxInt7 = 4;
    s.auxInt8 = 50;
    s.dampen = 40;
    s.highQuality = 0;
    s.auxInt9 = 0;
    s.uniformSepia = 0;
    s.sepia = 0;
    s.colorBlur = 0;
    s.cbWidth = 40;
    s.auxInt10 = 25;
    s.auxInt11 = 50;
    s.saturation = 50;
    s.auxInt12 = 50;
    s.auxInt13 = 50;
    s.auxInt14 = 4;
    s.auxInt15 = 0;
    s.auxInt16 = 57;
    s.auxInt17 = 100;
    s.centerVignette = 0;
    s.clearArea = 42;
    s.shape = shapeRound;
    s.auxInt18 = 21;
    s.auxInt19 = 0;
    s.xCenter = 0.5f;
    s.yCenter = 0.5f;
    const float a = -0.68f;
    s.auxVectorA[0] = a;
    s.auxVectorA[1] = a;
    s.auxVectorA[2] = unitVectorZ(a, a);
    s.auxVectorB[0] = 0.0f;
    s.auxVectorB[1] = -1.0f;
    s.auxVectorB[2] = 0.0f;
    return s;
}

void resetToDefaults(UserSettings& settings) {
    const Color16 keptColorF = settings.auxColorF;
    settings = defaultUserSettings();
    settings.auxColorF = keptColorF;
}

void initialiseParameters(FilterParameters& parameters) {
    std::memset(&parameters, 0, sizeof parameters);
    parameters.showDialog = 0;
    parameters.hostPreviewProcs = 0;
    parameters.previewScale = 1;
    parameters.renderTarget = renderHostRows;
    parameters.settings.glue = 1;
    std::strncpy(parameters.settingsFileName, kDefaultSettingsFileName, kPathBytes - 1);
    resetToDefaults(parameters.settings);
}
