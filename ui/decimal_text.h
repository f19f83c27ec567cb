// Numbers typed into the dialogs' boxes, read the way a person writes them.
#pragma once

#include <string_view>

// The decimal number at the start of text (after leading blanks): an
// optional sign, digits with an optional decimal point, an optional
// exponent. Anything after it is ignored, so "0x1e" reads as 0, and text
// that starts with no number reads as 0. A number too large for a double
// reads as an infinity of its sign, so that clamping brings it to the
// nearer end of a range ("1e999" in a 0..100 box gives 100).
double readDecimalNumber(std::string_view text);
