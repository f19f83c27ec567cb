// The parameter block: the filter's user settings, the render and preview
// state and the folders. The host keeps it between runs in
// FilterRecord.parameters; every subsystem reads it in place.
#pragma once

#include <cstddef>
#include <cstdint>

struct Color16 {
    uint16_t red, green, blue;
};

// The group that presets, snapshots, memory dots and descriptors carry.
// Field order follows the settings table of the product; the aux fields are
// carried (reset, stored, loaded, partly randomised) but no effect reads them.
struct UserSettings {
    int32_t glue;
    Color16 vignetteColor;
    Color16 auxColorA;
    Color16 sepiaColor;
    Color16 auxColorB;
    Color16 auxColorC;
    Color16 auxColorD;
    Color16 auxColorE;
    Color16 auxColorF;  // no default: Reset leaves it as it is
    int32_t auxInt1, auxInt2, auxInt3, auxInt4;
    int32_t focus;
    int32_t vignette;
    int32_t auxInt5, auxInt6, auxInt7, auxInt8;
    int32_t dampen;
    int32_t highQuality;
    int32_t auxInt9;
    int32_t uniformSepia;
    int32_t sepia;
    int32_t colorBlur;
    int32_t cbWidth;
    int32_t auxInt10, auxInt11;
    int32_t saturation;
    int32_t auxInt12, auxInt13, auxInt14, auxInt15, auxInt16, auxInt17;
    int32_t centerVignette;
    int32_t clearArea;
    int32_t shape;  // 1 round, 2 wide, 3 tall
    int32_t auxInt18, auxInt19;
    float xCenter, yCenter;
    float auxVectorA[3];
    float auxVectorB[3];
};

enum ClearAreaShape : int32_t { shapeRound = 1, shapeWide = 2, shapeTall = 3 };
enum RenderTarget : int32_t { renderHostRows = 0, renderPreview = 1, renderInternalImage = 2 };

constexpr size_t kPathBytes = 260;

struct FilterParameters {
    UserSettings settings;

    // Render and preview state: set by the frame, the dialog and the pass.
    int32_t showDialog;
    uint8_t hostPreviewProcs;
    int32_t previewScale;
    int32_t renderTarget;
    int32_t previewOffsetX, previewOffsetY;
    int32_t viewCenterH, viewCenterV;
    int32_t exportMode;
    int32_t psdChoiceA, psdChoiceB;  // the two integers before the PSD size choice
    int32_t psdSizeMode, psdWidth, psdHeight;
    uint8_t sourceCached;

    // Folders and names: zero-terminated 8-bit strings.
    char settingsFolder[kPathBytes];
    char exportFolder[kPathBytes];
    char sourceFolder[kPathBytes];
    char settingsFileName[kPathBytes];
};

// Puts every user setting to its default, in one step; touches no other group.
// auxColorF is left as it is.
void resetToDefaults(UserSettings& settings);

// The defaults as a record (auxColorF 0); what a fresh parameter block holds.
UserSettings defaultUserSettings();

// What a fresh block holds after creation: zero fill, render fields, file
// name and the defaults.
void initialiseParameters(FilterParameters& parameters);

inline constexpr const char* kDefaultSettingsFileName = "Twilightomator settings.z5a";
inline constexpr const char* kResetSettingsFileName = "plain settings.z5a";
inline constexpr const char* kRandomSettingsFileName = "random settings.z5a";
