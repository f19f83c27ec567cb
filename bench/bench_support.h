// Every benchmark says where it ran: CPU model, vector level and thread count.
#pragma once

#include <string>

void reportMachine();
// "threads N, simd LEVEL" for a figure measured with N filter threads at the
// best vector level of this CPU.
std::string speedLabel(int threads);
