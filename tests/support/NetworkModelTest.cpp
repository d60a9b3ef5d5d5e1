// The simulated network: delays within their range, stalls that release what they held at
// once, every datagram of a shuffled burst exactly once, swaps within a stream, loss and
// duplication at the asked rates, and the same arrivals from the same seed.
#include "support/sim/NetworkModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <map>
#include <string>
#include <vector>

namespace orvsim
{
namespace
{

constexpr double kForever = std::numeric_limits<double>::infinity();

// Datagram i is the text of i, sent at i x `spacing` seconds after `first`.
std::vector<Arrival> sendNumbered(NetworkModel& network, int count, double first, double spacing,
                                  int stream = 0)
{
    for (int i = 0; i < count; ++i)
        network.send(std::to_string(i), first + i * spacing, stream);
    return network.takeArrived(kForever);
}

double sendTime(const Arrival& arrival, double first, double spacing)
{
    return first + std::stoi(arrival.datagram) * spacing;
}

TEST(NetworkModel, DelaysStayInTheirRangeAndTheHeavyTailIsCut)
{
    NetworkProfile uniform;
    uniform.minDelay = 0.005;
    uniform.maxDelay = 0.030;
    NetworkModel flat(uniform, 3);
    for (const Arrival& arrival : sendNumbered(flat, 5000, 0.0, 0.001))
    {
        const double delay = arrival.time - sendTime(arrival, 0.0, 0.001);
        ASSERT_GE(delay, 0.005 - 1e-12);
        ASSERT_LE(delay, 0.030 + 1e-12);
    }

    NetworkProfile heavy = uniform;
    heavy.minDelay = 0.002;
    heavy.maxDelay = 0.025;
    heavy.tailScale = 0.002;
    NetworkModel tail(heavy, 3);
    std::vector<double> delays;
    for (const Arrival& arrival : sendNumbered(tail, 20000, 0.0, 0.001))
        delays.push_back(arrival.time - sendTime(arrival, 0.0, 0.001));
    std::sort(delays.begin(), delays.end());
    EXPECT_GE(delays.front(), 0.002 - 1e-12);
    EXPECT_LE(delays.back(), 0.025 + 1e-12);
    const double median = delays[delays.size() / 2];
    EXPECT_GT(median, 0.0025) << "most a little over the least delay";
    EXPECT_LT(median, 0.0045);
    const auto late =
        std::count_if(delays.begin(), delays.end(), [](double d) { return d > 0.02; });
    EXPECT_GT(late, 200) << "and a few far later";
    EXPECT_LT(late, 1200);
}

NetworkProfile stallEverySecond(bool shuffled)
{
    NetworkProfile profile;
    profile.stallEvery = 1.0;
    profile.stallLength = 0.2;
    profile.shuffleBursts = shuffled;
    return profile;
}

TEST(NetworkModel, AStallReleasesEverythingItHeldAtOnceInOrder)
{
    NetworkModel network(stallEverySecond(false), 1);
    // Every 1/32 s from 0.875 s: those sent from 1.0 s to before 1.2 s wait for the stall's end.
    for (int i = 28; i < 48; ++i)
        network.send(std::to_string(i), i / 32.0);

    const std::vector<Arrival> before = network.takeArrived(1.199);
    ASSERT_EQ(before.size(), 4u) << "only those sent before the stall";
    EXPECT_EQ(before.back().datagram, "31");
    const std::vector<Arrival> burst = network.takeArrived(1.2);
    ASSERT_EQ(burst.size(), 7u) << "1.0 .. 1.1875 s, all at once";
    for (size_t k = 0; k < burst.size(); ++k)
    {
        EXPECT_DOUBLE_EQ(burst[k].time, 1.2);
        EXPECT_EQ(burst[k].datagram, std::to_string(32 + k)) << "in the order sent";
    }
    const std::vector<Arrival> after = network.takeArrived(kForever);
    ASSERT_EQ(after.size(), 9u);
    EXPECT_EQ(after.front().time, 39 / 32.0) << "after the stall, at once again";
    EXPECT_EQ(network.counts().stalled, 7u);
    EXPECT_EQ(network.inFlight(), 0u);
}

TEST(NetworkModel, AShuffledBurstKeepsEveryDatagramExactlyOnce)
{
    NetworkModel network(stallEverySecond(true), 5);
    const std::vector<Arrival> arrived = sendNumbered(network, 400, 0.0, 0.005);
    ASSERT_EQ(arrived.size(), 400u);
    std::vector<int> seen;
    bool reordered = false;
    for (size_t k = 0; k < arrived.size(); ++k)
    {
        seen.push_back(std::stoi(arrived[k].datagram));
        if (k > 0)
        {
            EXPECT_GE(arrived[k].time, arrived[k - 1].time) << "handed out in arrival order";
            reordered = reordered || seen[k] < seen[k - 1];
        }
    }
    std::sort(seen.begin(), seen.end());
    for (int i = 0; i < 400; ++i)
        ASSERT_EQ(seen[static_cast<size_t>(i)], i);
    EXPECT_TRUE(reordered) << "the burst at 1.2 s comes shuffled";
}

TEST(NetworkModel, ASwappedDatagramArrivesJustAfterTheNextOfItsStream)
{
    NetworkProfile profile;
    profile.swap = 1.0;
    NetworkModel network(profile, 1);
    // Two streams, interleaved: a swap never crosses from one to the other.
    for (int i = 0; i < 4; ++i)
    {
        network.send("a" + std::to_string(i), i * 0.01, 1);
        network.send("b" + std::to_string(i), i * 0.01 + 0.005, 2);
    }
    std::vector<std::string> order;
    for (const Arrival& arrival : network.takeArrived(kForever))
        order.push_back(arrival.datagram);
    EXPECT_EQ(order, (std::vector<std::string>{"a1", "a0", "b1", "b0", "a3", "a2", "b3", "b2"}));
    EXPECT_EQ(network.counts().swapped, 4u);
}

TEST(NetworkModel, LossAndDuplicationComeAtTheAskedRates)
{
    NetworkProfile profile;
    profile.maxDelay = 0.02;
    profile.loss = 0.15;
    profile.duplication = 0.05;
    NetworkModel network(profile, 11);
    const int sent = 100000;
    const std::vector<Arrival> arrived = sendNumbered(network, sent, 0.0, 0.001);

    const NetworkCounts& counts = network.counts();
    EXPECT_EQ(counts.sent, static_cast<uint64_t>(sent));
    EXPECT_NEAR(static_cast<double>(counts.lost) / sent, 0.15, 0.005);
    EXPECT_NEAR(static_cast<double>(counts.duplicated) / (sent - counts.lost), 0.05, 0.003);
    std::map<std::string, int> copies;
    for (const Arrival& arrival : arrived)
    {
        ++copies[arrival.datagram];
        ASSERT_EQ(arrival.sequence, std::stoull(arrival.datagram)) << "which send it came from";
    }
    EXPECT_EQ(copies.size(), sent - counts.lost);
    EXPECT_EQ(arrived.size(), sent - counts.lost + counts.duplicated);
    for (const auto& [datagram, count] : copies)
        ASSERT_LE(count, 2) << datagram;
}

} // namespace
} // namespace orvsim
