#pragma once

#include <string>

namespace kelvane {

// A double as the object-file view shows it: 15 significant digits in the shortest
// general form. Fixed notation ("1.5", "0.00001", "123456789012345") when the rounded
// magnitude is at least 0.00001 and has at most 15 integer digits, scientific otherwise
// ("1.5E+20", "1E-7"); trailing zeros dropped; `decimalSeparator` between the integer and
// fraction digits. Infinities and NaN read "INF", "-INF" and "NAN".
std::string formatReal(double value, char decimalSeparator);

}  // namespace kelvane
