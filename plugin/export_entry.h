// The export entry of the module (see interface/export_entry.h).
#pragma once

#include "interface/export_entry.h"

void exportEntry(TwilightomatorExportRequest* request, void* record, intptr_t* data, int16_t* result);
