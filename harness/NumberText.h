// Numbers as the host shows them in table cells and parameter texts, and back.
#pragma once

#include <string>

namespace orvharness
{

// The shortest decimal text that reads back as exactly `value` ("0.25", "3650", "1e+300",
// "inf", "-inf", "nan").
std::string numberText(double value);

// Reads the whole of `text` as a number; false when it is empty or anything is left over.
bool parseNumber(const std::string& text, double& value);

} // namespace orvharness
