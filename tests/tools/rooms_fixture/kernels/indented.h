// Includes written inside conditionals, indented.
#pragma once
#if 1
  #include "effect/upward.h"
#endif
#  include "plugin/upward.h"
	#include "kernels/pixels.h"
