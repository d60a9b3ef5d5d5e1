// The record decoders and the never-failing accessors they stand on, over any decoded tree:
// every numeric conversion of every value runs (UndefinedBehaviorSanitizer checks the
// float-to-integer ones), and each record equals what its keys' accessors give.

#include "FuzzCheck.h"
#include "msgpack/MsgPack.h"
#include "protocol/WireSchema.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

using orvpack::MsgPack;

namespace
{

// Where the folded results go, so that none of the calls can be optimised away.
volatile uint64_t observed = 0;

// Every accessor of one value and, recursively, of its items, folded into `sink`.
void readEverything(const MsgPack& value, uint64_t& sink)
{
    double number = value.number_value();
    float single = value.float32_value();
    uint64_t bits64;
    uint32_t bits32;
    std::memcpy(&bits64, &number, sizeof bits64);
    std::memcpy(&bits32, &single, sizeof bits32);
    sink += bits64 + bits32;
    sink +=
        static_cast<uint64_t>(value.int_value()) + static_cast<uint64_t>(value.int8_value()) +
        static_cast<uint64_t>(value.int16_value()) + static_cast<uint64_t>(value.int32_value()) +
        static_cast<uint64_t>(value.int64_value()) + value.uint8_value() + value.uint16_value() +
        value.uint32_value() + value.uint64_value() + (value.bool_value() ? 1u : 0u);
    sink += value.string_value().size() + value.binary_items().size() +
            std::get<1>(value.extension_items()).size();
    FUZZ_CHECK(value[size_t{0}].type() == MsgPack::NUL || value.type() == MsgPack::ARRAY);
    FUZZ_CHECK(value["Deck"].type() == MsgPack::NUL || value.type() == MsgPack::OBJECT);
    FUZZ_CHECK(value[value.array_items().size()].type() == MsgPack::NUL);

    for (const MsgPack& item : value.array_items())
    {
        readEverything(item, sink);
    }
    for (const auto& [key, item] : value.object_items())
    {
        readEverything(key, sink);
        readEverything(item, sink);
        if (key.type() == MsgPack::STRING)
        {
            FUZZ_CHECK(value[key.string_value()].dump() == item.dump());
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string error;
    const MsgPack value = MsgPack::parse(reinterpret_cast<const char*>(data), size, error);
    if (!error.empty())
    {
        return 0;
    }

    uint64_t sink = 0;
    readEverything(value, sink);

    const Control control = Control::fromMsgPack(value);
    FUZZ_CHECK(control.active == value["Active"].int_value());
    const Deck deck = Deck::fromMsgPack(value);
    FUZZ_CHECK(deck.deck == value["Deck"].int_value());
    FUZZ_CHECK(deck.beat == value["Beat"].int_value());
    const Meta meta = Meta::fromMsgPack(value);
    FUZZ_CHECK(meta.title == value["Title"].string_value());
    FUZZ_CHECK(meta.filepath == value["Filepath"].string_value());
    const Event event = Event::fromMsgPack(value);
    FUZZ_CHECK(event.name == value["Event"].string_value());
    FUZZ_CHECK(event.value == value["Value"].uint8_value());

    std::string shapeError;
    const bool shaped =
        value.has_shape({{"Deck", MsgPack::UINT8}, {"BPM", MsgPack::FLOAT64}}, shapeError);
    FUZZ_CHECK(shaped == shapeError.empty());
    FUZZ_CHECK(!shaped || value.type() == MsgPack::OBJECT);

    sink += meta.artist.size() + static_cast<uint64_t>(control.active);
    observed = sink;
    return 0;
}
