// Pixels stand-in.
#pragma once
