// Files stand-in.
#pragma once
