// The settings of the last run, kept by GIMP for this session under the
// procedure's name, so that "Repeat" and "Re-show" start from them.
#pragma once

#include "host/descriptor_suite_store.h"

#include <optional>

std::optional<Descriptor> lastValues();
void keepLastValues(const Descriptor& settings);
