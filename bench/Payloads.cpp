#include "Payloads.h"

#include <cstdint>
#include <cstring>

namespace orvbench
{
namespace
{

// The few MessagePack forms a sender uses, big-endian as the format wants.
class Writer
{
public:
    Writer& map(unsigned entries)
    {
        bytes_ += static_cast<char>(0x80 | entries); // fixmap, up to 15 entries
        return *this;
    }

    Writer& text(const std::string& value)
    {
        if (value.size() < 32)
        {
            bytes_ += static_cast<char>(0xa0 | value.size());
        }
        else
        {
            bytes_ += static_cast<char>(0xd9); // str 8
            bytes_ += static_cast<char>(value.size());
        }
        bytes_ += value;
        return *this;
    }

    Writer& fixint(unsigned value)
    {
        bytes_ += static_cast<char>(value & 0x7f);
        return *this;
    }

    Writer& float64(double value)
    {
        std::uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        bytes_ += static_cast<char>(0xcb);
        bigEndian(bits, 8);
        return *this;
    }

    Writer& float32(float value)
    {
        std::uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        bytes_ += static_cast<char>(0xca);
        bigEndian(bits, 4);
        return *this;
    }

    std::string bytes() const { return bytes_; }

private:
    void bigEndian(std::uint64_t bits, int count)
    {
        for (int i = count - 1; i >= 0; --i)
        {
            bytes_ += static_cast<char>((bits >> (8 * i)) & 0xff);
        }
    }

    std::string bytes_;
};

} // namespace

std::string deckPayload(double position)
{
    // clang-format off
    return Writer()
        .map(11)
        .text("Deck").fixint(2)
        .text("Pitch").float64(1.0213)
        .text("Position").float64(position)
        .text("Position2").float64(position - 0.025)
        .text("NormalizedPosition").float64(position / 312.12)
        .text("BPM").float64(124.0)
        .text("Length").float64(312.12)
        .text("EQLow").float32(0.75f)
        .text("EQMid").float32(0.5f)
        .text("EQHigh").float32(0.62f)
        .text("Beat").fixint(3)
        .bytes();
    // clang-format on
}

std::string metaPayload()
{
    // clang-format off
    return Writer()
        .map(5)
        .text("Deck").fixint(1)
        .text("Title").text("Night Drive (Extended Mix)")
        .text("Artist").text("Lena Okafor & The Tides")
        .text("Album").text("Coastal Lights, Vol. 2")
        .text("Filepath")
        .text("/Users/dj/Music/Lena Okafor/Coastal Lights Vol 2/07 Night Drive (Extended Mix).flac")
        .bytes();
    // clang-format on
}

std::string controlPayload()
{
    // clang-format off
    return Writer()
        .map(4)
        .text("UpfaderA").float64(0.8)
        .text("UpfaderB").float64(1.0)
        .text("Crossfader").float64(-0.25)
        .text("Active").fixint(1)
        .bytes();
    // clang-format on
}

std::string eventPayload(const std::string& name, unsigned value)
{
    return Writer().map(2).text("Event").text(name).text("Value").fixint(value).bytes();
}

std::vector<Payload> typicalPayloads()
{
    return {{"Deck", deckPayload()},
            {"Meta", metaPayload()},
            {"Control", controlPayload()},
            {"Event", eventPayload()}};
}

std::string datagram(unsigned char type, const std::string& payload)
{
    return std::string(1, static_cast<char>(type)) + payload;
}

} // namespace orvbench
