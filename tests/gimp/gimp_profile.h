// What the GIMP tests share: finding GIMP, a private GIMP profile folder with
// the built plug-in installed into it, and deterministic input images.
#pragma once

#include "host/document.h"

#include <string>

// The path of a GIMP program ("gimp-console-2.10", "gimp-2.10"); empty when
// it is not installed.
std::string gimpProgram(const std::string& name);

// A fresh GIMP profile folder with twilightomator-gimp (TWL_GIMP_PLUGIN) in
// its plug-ins folder; false with a message when the plug-in was not built.
bool makeGimpProfile(const std::string& folder, std::string& error);

// A width x height image whose samples vary with position and plane, and whose
// alpha (if any) takes every value from fully transparent up.
Document patternDocument(int32_t width, int32_t height, int32_t channels, bool alpha, SampleDepth depth);

// Exact equality of two image files' decoded samples; false with what differs.
bool samePixels(const std::string& a, const std::string& b, std::string& difference);
