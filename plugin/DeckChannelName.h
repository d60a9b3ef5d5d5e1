// How the bundles name a deck's channel when they name channels descriptively: "deck2_bpm".
#pragma once

#include <string>

namespace orvplugin
{

inline std::string deckChannelName(int deck, const char* name)
{
    return "deck" + std::to_string(deck) + "_" + name;
}

} // namespace orvplugin
