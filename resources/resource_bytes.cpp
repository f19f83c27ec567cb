#include "resources/resource_bytes.h"
int32_t copyResourceBytes(uint32_t, int16_t, void*, int32_t) { return -1; }
