// The name under which the filter is known in GIMP's procedure database.
#pragma once

inline constexpr const char* kProcedureName = "plug-in-twilightomator";
