// Reading a typed decimal number.
#include "ui/decimal_text.h"

#include <charconv>
#include <limits>
#include <string>

namespace {
bool isDigit(char c) { return c >= '0' && c <= '9'; }

size_t skipDigits(std::string_view text, size_t at) {
    while (at < text.size() && isDigit(text[at])) ++at;
    return at;
}

// The decimal exponent of the first significant digit of digits[.fraction]
// times 10^exponent: whether a number out of a double's range was too large
// (0 or more) or too small.
long long leadingExponent(std::string_view whole, std::string_view fraction, long long exponent) {
    for (size_t i = 0; i < whole.size(); ++i)
        if (whole[i] != '0') return exponent + static_cast<long long>(whole.size() - 1 - i);
    for (size_t j = 0; j < fraction.size(); ++j)
        if (fraction[j] != '0') return exponent - static_cast<long long>(j + 1);
    return std::numeric_limits<long long>::min();  // zero
}
}  // namespace

double readDecimalNumber(std::string_view text) {
    size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    const bool negative = at < text.size() && text[at] == '-';
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    const size_t numberStart = at;
    at = skipDigits(text, at);
    const std::string_view whole = text.substr(numberStart, at - numberStart);
    std::string_view fraction;
    if (at < text.size() && text[at] == '.') {
        const size_t fractionStart = at + 1;
        at = skipDigits(text, fractionStart);
        fraction = text.substr(fractionStart, at - fractionStart);
    }
    if (whole.empty() && fraction.empty()) return 0.0;
    // An exponent counts only with at least one digit.
    long long exponent = 0;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        size_t digits = at + 1;
        const bool negativeExponent = digits < text.size() && text[digits] == '-';
        if (digits < text.size() && (text[digits] == '+' || text[digits] == '-')) ++digits;
        const size_t end = skipDigits(text, digits);
        if (end > digits) {
            for (size_t i = digits; i < end && exponent < 1000000; ++i) exponent = exponent * 10 + (text[i] - '0');
            if (negativeExponent) exponent = -exponent;
            at = end;
        }
    }
    // from_chars reads the same characters without locale, hexadecimal or
    // infinity forms.
    double value = 0.0;
    const std::string_view number = text.substr(numberStart, at - numberStart);
    const std::from_chars_result read =
        std::from_chars(number.data(), number.data() + number.size(), value, std::chars_format::general);
    if (read.ec == std::errc::result_out_of_range)
        value = leadingExponent(whole, fraction, exponent) >= 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -value : value;
}
