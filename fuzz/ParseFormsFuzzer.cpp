// Every decoding entry point on the same bytes: the string, pointer and stream forms and
// operator>> must agree on the value, on the error text and on what the stream state says.

#include "FuzzCheck.h"
#include "msgpack/KnownStrings.h"
#include "msgpack/MsgPack.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

using orvpack::MsgPack;

namespace
{

// Equal trees have equal encodings, also where NaN makes operator== say no.
bool same(const MsgPack& left, const MsgPack& right)
{
    return left.type() == right.type() && left.dump() == right.dump();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    std::string fromStringError;
    const MsgPack fromString = MsgPack::parse(bytes, fromStringError);
    FUZZ_CHECK(fromStringError.empty() || fromStringError == "end of buffer." ||
               fromStringError == "format error.");
    FUZZ_CHECK(fromStringError.empty() || fromString.type() == MsgPack::NUL);

    // The pointer form reads the range in place: give it a copy of exactly `size` bytes so
    // that AddressSanitizer sees any read past the end.
    std::string fromPointerError;
    const MsgPack fromPointer =
        MsgPack::parse(reinterpret_cast<const char*>(data), size, fromPointerError);
    FUZZ_CHECK(fromPointerError == fromStringError);
    FUZZ_CHECK(same(fromPointer, fromString));

    // Shared known strings change nothing that can be seen.
    static const orvpack::KnownStrings& known =
        orvpack::KnownStrings::create({"a", "Deck", "BPM", std::string_view("\0\xc1", 2)});
    std::string withKnownError;
    const MsgPack withKnown =
        MsgPack::parse(reinterpret_cast<const char*>(data), size, withKnownError, known);
    FUZZ_CHECK(withKnownError == fromStringError);
    FUZZ_CHECK(same(withKnown, fromString));

    std::string nullError;
    FUZZ_CHECK(MsgPack::parse(nullptr, size, nullError).type() == MsgPack::NUL);
    FUZZ_CHECK(nullError == "null input");

    std::istringstream stream(bytes);
    std::string fromStreamError;
    const MsgPack fromStream = MsgPack::parse(stream, fromStreamError);
    FUZZ_CHECK(fromStreamError == fromStringError);
    FUZZ_CHECK(same(fromStream, fromString));
    FUZZ_CHECK(fromStringError.empty() == !stream.fail());
    FUZZ_CHECK((fromStringError == "end of buffer.") == stream.eof());

    std::istringstream plainStream(bytes);
    const MsgPack fromPlainStream = MsgPack::parse(plainStream);
    FUZZ_CHECK(same(fromPlainStream, fromString));
    FUZZ_CHECK(plainStream.rdstate() == stream.rdstate());

    std::istringstream operatorStream(bytes);
    MsgPack fromOperator(true); // must be overwritten, with null on failure
    operatorStream >> fromOperator;
    FUZZ_CHECK(same(fromOperator, fromString));
    FUZZ_CHECK(operatorStream.rdstate() == stream.rdstate());
    return 0;
}
