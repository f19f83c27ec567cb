// Every benchmark says where it ran: CPU model and thread count.
#pragma once
void reportMachine();
