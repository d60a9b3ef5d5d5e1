#include "sim/SimDatagrams.h"

#include "wire/Datagram.h"
#include "wire/WireKeys.h"

namespace orvsim
{

using orvpack::MsgPack;
namespace keys = orvtool::keys;

std::string deckDatagram(const DeckState& deck)
{
    return orvtool::makeDatagram(
        keys::kDeckType, orvtool::Entries{
                             {keys::kDeck, MsgPack(static_cast<int32_t>(deck.number))},
                             {keys::kPitch, MsgPack(deck.pitch)},
                             {keys::kPosition, MsgPack(deck.position)},
                             {keys::kPosition2, MsgPack(deck.remaining())},
                             {keys::kNormalizedPosition, MsgPack(deck.normalizedPosition())},
                             {keys::kBpm, MsgPack(deck.bpm())},
                             {keys::kLength, MsgPack(deck.track.lengthSeconds)},
                             {keys::kEqLow, MsgPack(deck.eqLow)},
                             {keys::kEqMid, MsgPack(deck.eqMid)},
                             {keys::kEqHigh, MsgPack(deck.eqHigh)},
                             {keys::kBeat, MsgPack(static_cast<int32_t>(deck.beat()))},
                         });
}

std::string metaDatagram(const DeckState& deck)
{
    return orvtool::makeDatagram(keys::kMetaType,
                                 orvtool::Entries{
                                     {keys::kDeck, MsgPack(static_cast<int32_t>(deck.number))},
                                     {keys::kTitle, MsgPack(deck.track.title)},
                                     {keys::kArtist, MsgPack(deck.track.artist)},
                                     {keys::kAlbum, MsgPack(deck.track.album)},
                                     {keys::kFilepath, MsgPack(deck.track.filepath)},
                                 });
}

std::string controlDatagram(const MixerState& mixer)
{
    return orvtool::makeDatagram(keys::kControlType,
                                 orvtool::Entries{
                                     {keys::kUpfaderA, MsgPack(mixer.upfaderA)},
                                     {keys::kUpfaderB, MsgPack(mixer.upfaderB)},
                                     {keys::kCrossfader, MsgPack(mixer.crossfader)},
                                     {keys::kActive, MsgPack(static_cast<int32_t>(mixer.active))},
                                 });
}

std::string eventDatagram(const DjEvent& event)
{
    return orvtool::makeDatagram(
        keys::kEventType, orvtool::Entries{
                              {keys::kEvent, MsgPack(event.name)},
                              {keys::kValue, MsgPack(static_cast<uint8_t>(event.value & 0xff))},
                          });
}

} // namespace orvsim
