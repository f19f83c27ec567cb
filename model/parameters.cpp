// Defaults of the user settings and creation of a fresh parameter block.
#include "model/parameters.h"

#include "model/settings_table.h"

#include <cmath>
#include <cstring>

namespace {
// The third component makes auxVectorA a unit vector; taken in single
// precision from the two single-precision values, as the stored presets expect.
float unitVectorZ(float x, float y) {
    return std::sqrt(1.0f - x * x - y * y);
}
}  // namespace

// The scripted settings take their defaults from the settings table; the
// carried aux fields have theirs here.
UserSettings defaultUserSettings() {
    UserSettings s{};
    s.auxColorA = {27632, 33553, 40133};
    s.auxColorB = {58339, 51400, 37265};
    s.auxColorC = {57825, 58339, 61423};
    s.auxColorD = {65535, 65535, 65535};
    s.auxColorE = {28835, 24903, 13107};
    s.auxInt1 = 33;
    s.auxInt2 = 50;
    s.auxInt3 = 80;
    s.auxInt4 = 80;
    s.auxInt5 = 0;
    s.auxInt6 = 30;
    s.auxInt7 = 4;
    s.auxInt8 = 50;
    s.auxInt9 = 0;
    s.auxInt10 = 25;
    s.auxInt11 = 50;
    s.auxInt12 = 50;
    s.auxInt13 = 50;
    s.auxInt14 = 4;
    s.auxInt15 = 0;
    s.auxInt16 = 57;
    s.auxInt17 = 100;
    s.auxInt18 = 21;
    s.auxInt19 = 0;
    const float a = -0.68f;
    s.auxVectorA[0] = a;
    s.auxVectorA[1] = a;
    s.auxVectorA[2] = unitVectorZ(a, a);
    s.auxVectorB[0] = 0.0f;
    s.auxVectorB[1] = -1.0f;
    s.auxVectorB[2] = 0.0f;
    applyScriptedDefaults(s);
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
    std::strncpy(parameters.settingsFileName, kDefaultSettingsFileName, kPathBytes - 1);
    resetToDefaults(parameters.settings);
}
