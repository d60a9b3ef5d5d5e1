// One case of the beat clock's random sweep through the pure clock in simulated time: the
// case's datagrams go into a deck's sample ring in the order and at the times they arrive, and
// frames 60 times a second (each up to a millisecond off) read the clock, as a cook would;
// then the oracle and the judge give the run's figures and verdict.
#pragma once

#include "support/sim/BeatOracle.h"
#include "support/sim/ClockJudge.h"
#include "support/sim/SweepCase.h"
#include "support/sim/SweepTraffic.h"

#include <cstdint>
#include <vector>

struct SweepRun
{
    orvsim::SweepCase sweepCase;
    orvsim::SweepTraffic traffic;
    orvsim::OracleVerdict oracle;
    std::vector<orvsim::ClockFrame> frames;
    orvsim::ClockVerdict verdict;
};

SweepRun runSweepCase(std::uint64_t seed);
