// The pointer form reads memory directly and the stream forms read the stream: over valid and
// broken inputs alike they must give the same value, the same error text and, for streams,
// stop right after the value.

#include "Hex.h"
#include "msgpack/KnownStrings.h"
#include "msgpack/MsgPack.h"

#include <gtest/gtest.h>

#include <sstream>

using orvpack::MsgPack;

namespace
{

struct Decoded
{
    MsgPack value;
    std::string err;
};

std::vector<std::string> vectors()
{
    std::vector<std::string> inputs;
    for (const char* bytes :
         {"", "00", "7f", "e0", "ff", "cc 05", "cd 00 05", "d3 80 00 00 00 00 00 00 00",
          "ca 3f c0 00 00", "cb 40 5f 00 00 00 00 00 00", "c0", "c2", "c3", "a4 44 65 63 6b",
          "a5 44 65 63 6b 73", "c4 02 01 02", "d4 ff 01", "c7 00 05", "92 01 c0",
          "82 a1 61 01 a1 61 02", "82 01 a1 78 cb 3f f0 00 00 00 00 00 00 a1 79", "81 92 01 02 80",
          "01 ff",
          // broken
          "c1", "91 c1", "93 01 02", "d9 05 61 62", "81 a1 61", "82 a1 61 01 c1 01",
          "dd ff ff ff ff", "df ff ff ff ff 01", "c6 ff ff ff ff 01 02 03", "c9 00 00 00 02 05",
          "cb 40 5f", "d8 01 00"})
    {
        inputs.push_back(hex(bytes));
    }
    // Strings around the lengths that the decoder checks against known strings.
    inputs.push_back(hex("b2") + "NormalizedPosition");
    inputs.push_back(hex("b3") + "NormalizedPositions");
    inputs.push_back(hex("da 01 2c") + std::string(300, 'x'));
    // Blocks longer than a stream reader reads at once, complete and cut short.
    const std::string big(70000, '\x5a');
    inputs.push_back(hex("c6 00 01 11 70") + big);
    inputs.push_back(hex("db 00 01 11 71") + big);
    // Nesting at and beyond the limit.
    inputs.push_back(std::string(200, '\x91') + hex("90"));
    inputs.push_back(std::string(201, '\x91') + hex("c0"));
    return inputs;
}

// The forms without err: the stream's state is the outcome.
std::string text_of_state(const std::istream& in)
{
    if (in.eof())
    {
        return "end of buffer.";
    }
    return in.fail() ? "format error." : "";
}

enum class Form
{
    pointer,
    known_strings,
    string,
    stream_with_err,
    stream_state,
    extraction,
};

Decoded decode(const std::string& bytes, Form form)
{
    Decoded out;
    std::istringstream in(bytes);
    switch (form)
    {
    case Form::pointer:
        out.value = MsgPack::parse(bytes.data(), bytes.size(), out.err);
        break;
    case Form::known_strings:
    {
        static const orvpack::KnownStrings& known =
            orvpack::KnownStrings::create({"Deck", "NormalizedPosition", "x"});
        out.value = MsgPack::parse(bytes.data(), bytes.size(), out.err, known);
        break;
    }
    case Form::string:
        out.value = MsgPack::parse(bytes, out.err);
        break;
    case Form::stream_with_err:
        out.value = MsgPack::parse(in, out.err);
        break;
    case Form::stream_state:
        out.value = MsgPack::parse(in);
        out.err = text_of_state(in);
        break;
    case Form::extraction:
        out.value = MsgPack("replaced");
        in >> out.value;
        out.err = text_of_state(in);
        break;
    }
    return out;
}

} // namespace

TEST(ReaderAgreement, EveryFormGivesTheSameValueAndText)
{
    for (const std::string& bytes : vectors())
    {
        SCOPED_TRACE(to_hex(bytes.substr(0, 12)) + " (" + std::to_string(bytes.size()) + " bytes)");
        const Decoded expected = decode(bytes, Form::pointer);
        EXPECT_EQ(expected.err.empty(),
                  expected.value.type() != MsgPack::NUL || bytes == hex("c0"));
        for (Form form : {Form::known_strings, Form::string, Form::stream_with_err,
                          Form::stream_state, Form::extraction})
        {
            SCOPED_TRACE("form " + std::to_string(static_cast<int>(form)));
            const Decoded actual = decode(bytes, form);
            EXPECT_EQ(actual.err, expected.err);
            EXPECT_EQ(actual.value.type(), expected.value.type());
            EXPECT_TRUE(actual.value == expected.value);
            EXPECT_EQ(actual.value.dump(), expected.value.dump());
        }
    }
}

TEST(ReaderAgreement, StreamStopsJustPastEachValue)
{
    // The same values in the same places as parse_multi finds them.
    const std::string bytes = hex("01 a3 61 62 63 92 c3 cd 01 00 c0 d4 01 02 cb 40 5f 00 00 00 00 "
                                  "00 00 c1 05");
    std::string::size_type stop = 0;
    std::string err;
    const std::vector<MsgPack> expected = MsgPack::parse_multi(bytes, stop, err);
    ASSERT_EQ(expected.size(), 6u);

    std::istringstream in(bytes);
    for (const MsgPack& value : expected)
    {
        MsgPack read;
        ASSERT_TRUE(in >> read);
        EXPECT_TRUE(read == value);
    }
    EXPECT_EQ(static_cast<std::string::size_type>(in.tellg()), stop);
    MsgPack refused;
    EXPECT_FALSE(in >> refused);
    EXPECT_EQ(text_of_state(in), err);
}
