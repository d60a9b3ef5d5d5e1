// What the beat clock's benchmarks share on the host side: loading the bundles, and reading one
// deck's channels of a beat node (BeatOutput's order, nine a deck) into a frame for the judges.
#pragma once

#include "harness/Bundle.h"
#include "support/sim/ClockJudge.h"

#include <memory>
#include <vector>

namespace orvbench
{

inline constexpr int kChannelsPerDeck = 9;

// The bundle at `path`; throws std::runtime_error with the loader's reason when it fails.
std::unique_ptr<orvharness::Bundle> loadBundle(const char* path);

// The deck whose channels begin at `first`, as the cook at host time `time` showed it.
orvsim::ClockFrame deckFrame(const std::vector<std::vector<float>>& channels, int first,
                             double time);

} // namespace orvbench
