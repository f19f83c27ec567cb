// Scripting parameters: the settings read from the host's descriptor at Start
// (a recorded action replays them and decides whether the dialog shows) and
// written into a new descriptor at Finish (so that the host can record them).
#pragma once

#include "interface/host_interface.h"
#include "model/parameters.h"
#include "model/scripting_codes.h"

// True when the host can give us a descriptor now: a host that reads
// descriptors, a usable descriptor suite, and a reader opens on it. The
// probing reader is closed again; the descriptor stays for the read.
bool descriptorPresent(FilterRecord* record);

// Reads the descriptor into the user settings (reset to defaults first) and
// sets showDialog from the host's play mode. Returns the result for Start:
// the reader's close error, except -1715 (a key we did not ask for), else 0.
OSErr readScriptingParameters(FilterRecord* record, FilterParameters* parameters);

// Writes the 21 settings into a new descriptor for the host to record.
void writeScriptingParameters(FilterRecord* record, const FilterParameters* parameters);
