// The keys of the four state messages and the type bytes, as a sender writes them. Keys are
// matched exactly (same bytes, same case) by the receiver.
#pragma once

#include <cstdint>

namespace orvtool::keys
{

// Control (type 0)
inline constexpr const char* kUpfaderA = "UpfaderA";
inline constexpr const char* kUpfaderB = "UpfaderB";
inline constexpr const char* kCrossfader = "Crossfader";
inline constexpr const char* kActive = "Active";
// Deck (type 1)
inline constexpr const char* kPitch = "Pitch";
inline constexpr const char* kPosition = "Position";
inline constexpr const char* kPosition2 = "Position2";
inline constexpr const char* kNormalizedPosition = "NormalizedPosition";
inline constexpr const char* kBpm = "BPM";
inline constexpr const char* kLength = "Length";
inline constexpr const char* kEqLow = "EQLow";
inline constexpr const char* kEqMid = "EQMid";
inline constexpr const char* kEqHigh = "EQHigh";
inline constexpr const char* kDeck = "Deck"; // also Meta
inline constexpr const char* kBeat = "Beat";
// Meta (type 2)
inline constexpr const char* kTitle = "Title";
inline constexpr const char* kArtist = "Artist";
inline constexpr const char* kAlbum = "Album";
inline constexpr const char* kFilepath = "Filepath";
// Event (type 4)
inline constexpr const char* kEvent = "Event";
inline constexpr const char* kValue = "Value";

inline constexpr uint8_t kControlType = 0;
inline constexpr uint8_t kDeckType = 1;
inline constexpr uint8_t kMetaType = 2;
inline constexpr uint8_t kEventType = 4;
inline constexpr uint8_t kDiscoveryByte = 0x09;

// The receiver reads at most this many bytes of a datagram.
inline constexpr size_t kReceiverDatagramLimit = 4096;

} // namespace orvtool::keys
