// parse_multi against a walk over the same bytes with the stream form of parse: the same
// values in the same order, stop_position at the end of the last one, and the error text of
// the first failure. The two run on different readers (memory and stream).

#include "FuzzCheck.h"
#include "msgpack/MsgPack.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

using orvpack::MsgPack;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    const std::string::size_type untouched = bytes.size() + 7;
    std::string::size_type stop = untouched;
    std::string error;
    const std::vector<MsgPack> values = MsgPack::parse_multi(bytes, stop, error);

    FUZZ_CHECK(values.size() <= bytes.size()); // every value takes at least one byte
    FUZZ_CHECK(values.empty() == (stop == untouched));

    std::istringstream stream(bytes);
    std::vector<MsgPack> walked;
    std::string::size_type end = untouched;
    std::string walkError;
    while (static_cast<std::string::size_type>(stream.tellg()) != bytes.size())
    {
        const MsgPack value = MsgPack::parse(stream, walkError);
        if (!walkError.empty())
        {
            break;
        }
        walked.push_back(value);
        end = static_cast<std::string::size_type>(stream.tellg());
    }

    FUZZ_CHECK(walked.size() == values.size());
    for (size_t i = 0; i < values.size(); ++i)
    {
        FUZZ_CHECK(walked[i].type() == values[i].type());
        FUZZ_CHECK(walked[i].dump() == values[i].dump());
    }
    FUZZ_CHECK(end == stop);
    FUZZ_CHECK(walkError == error);
    return 0;
}
