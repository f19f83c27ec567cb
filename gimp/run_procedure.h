// One call of the procedure: the run mode decides where the settings come
// from, the plug-in filters the drawable through the host library, and the
// result goes back into the image as one undo step.
#pragma once

#include <libgimp/gimp.h>

#include <string>

struct ProcedureOutcome {
    GimpPDBStatusType status = GIMP_PDB_SUCCESS;
    std::string message;  // why it failed, for the caller
};

ProcedureOutcome runProcedure(const GimpParam* arguments, int count);
