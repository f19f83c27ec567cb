// A backend stand-in header.
#pragma once
