// A file's bytes in one read, through a stream no started program inherits.
#pragma once

#include <string>

namespace orvtool
{

// Reads all of `path` into `bytes`; false with the reason in `error` ("cannot read PATH: ...").
bool readWholeFile(const std::string& path, std::string& bytes, std::string& error);

} // namespace orvtool
