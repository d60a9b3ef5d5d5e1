// Strict number parsing: the whole text must be the number, nothing before or after it.
#pragma once

#include <string>

namespace orvtool
{

// Decimal integers with an optional sign ("12", "-3", "+7").
bool parseInteger(const std::string& text, long long& out);
// Decimal real numbers as strtod reads them ("1", "0.5", "-2e3"); no "nan" or "inf".
bool parseReal(const std::string& text, double& out);

// A number as a person writes it in a message: no exponent and no trailing zeros ("0",
// "0.01", "1000000000").
std::string plainNumber(double value);

} // namespace orvtool
