// A window layer stand-in.
#pragma once
