#include "plugin/entry.h"
void pluginMain(int16_t, void*, intptr_t*, int16_t* result) { *result = 0; }
