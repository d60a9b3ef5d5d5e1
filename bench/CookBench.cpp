// Cooks through the headless host and the real bundles: OrvDat with four decks, four tracks
// and the mixer filled and 0, 100 or 1,000 events; OrvChannels, OrvBeat and OrvEvents (with
// 1,024 events) reading it; and the heap
// allocations per cook, counted by a replaced global allocator and attributed by caller to
// the bundles or to the host's side.
//
// A cook is what the host calls on a node in one frame: getGeneralInfo, (getOutputInfo,)
// execute, getWarningString, getErrorString. It is timed on the plug-in instance through the
// harness's own inputs and table output; the whole harness frame is timed as well, for what
// the stand-in host adds.

#include "AllocationCounter.h"
#include "CachedReferenceInputs.h"
#include "DiscardingTableOutput.h"
#include "Payloads.h"

#include "harness/Bundle.h"
#include "harness/HostString.h"
#include "harness/Network.h"
#include "harness/Node.h"
#include "harness/NodeInputs.h"
#include "harness/TableOutput.h"
#include "protocol/NodeLayout.h"
#include "protocol/RecordEncoding.h"
#include "support/LoopbackSocket.h"
#include "support/NodeWiring.h"
#include "support/UdpPorts.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

namespace
{

using orvharness::NodeId;

using orvlayout::kChannelCount;
using orvlayout::kFixedRows;
constexpr int kBeatChannelsPerDeck = 9;

std::unique_ptr<orvharness::Bundle> datBundle;
std::unique_ptr<orvharness::Bundle> chopBundle;
std::unique_ptr<orvharness::Bundle> beatBundle;
std::unique_ptr<orvharness::Bundle> eventsBundle;

std::unique_ptr<orvharness::Bundle> loadBundle(const char* path)
{
    std::string error;
    std::unique_ptr<orvharness::Bundle> bundle = orvharness::Bundle::load(path, error);
    if (!bundle)
    {
        throw std::runtime_error("cannot load " + std::string(path) + ": " + error);
    }
    return bundle;
}

std::string eventName(int k)
{
    // Half of them short, half beyond the short-string buffer ("Sampler.Pad.7.Trigger").
    return k % 2 == 0 ? "Cue." + std::to_string(k)
                      : "Sampler.Pad." + std::to_string(k) + ".Trigger";
}

// One network: an OrvDat node connected on a loopback port with everything filled, and an
// OrvChannels node pointing at it.
struct FilledNetwork
{
    // `withBeat`: also the four OrvBeat nodes, one deck's clock ("beat1"), all four
    // ("beatall"), the deck on air ("beatonair") and the deck on air with every group of
    // channels on ("beatgroups": phrase, track end, mix, cues), all pointing at the OrvDat node.
    explicit FilledNetwork(int eventCount, bool withBeat = false)
    {
        const std::uint16_t port = orvsupport::freeUdpPort();
        std::string error;
        orv =
            orvsupport::addNode(net, *datBundle, "orv1", {{"Port", static_cast<int>(port)}}, error);
        if (orv != orvharness::noNode)
            channels = orvsupport::addReader(net, *chopBundle, "channels1", "orv1", {}, error);
        if (withBeat && channels != orvharness::noNode)
        {
            beatOne = orvsupport::addReader(net, *beatBundle, "beat1", "orv1", {}, error);
            beatAll = orvsupport::addReader(net, *beatBundle, "beatall", "orv1", {{"Deck", "all"}},
                                            error);
            beatOnAir = orvsupport::addReader(net, *beatBundle, "beatonair", "orv1",
                                              {{"Deck", "onair"}}, error);
            beatGroups = orvsupport::addReader(
                net, *beatBundle, "beatgroups", "orv1",
                {{"Deck", "onair"}, {"Phrase", 1}, {"Trackend", 1}, {"Mix", 1}, {"Cues", 1}},
                error);
        }
        const bool beatsWired =
            !withBeat || (beatOne != orvharness::noNode && beatAll != orvharness::noNode &&
                          beatOnAir != orvharness::noNode && beatGroups != orvharness::noNode);
        if (port == 0 || channels == orvharness::noNode || !beatsWired ||
            !orvsupport::reconnect(net, orv, error))
        {
            throw std::runtime_error("cannot set up the network: " + error);
        }
        net.cookFrame();

        orvsupport::LoopbackSocket sender;
        for (int deck = 1; deck <= 4; ++deck)
        {
            sender.send(port, orvprotocol::datagram(MessageType::Deck,
                                                    orvbench::deckPayload(60.0 + deck, deck)));
            sender.send(port,
                        orvprotocol::datagram(MessageType::Meta, orvbench::metaPayload(deck)));
        }
        sender.send(port, orvprotocol::datagram(MessageType::Control, orvbench::controlPayload()));
        // In batches the receive queue holds, each waited for.
        for (int sent = 0; sent < eventCount;)
        {
            const int batch = std::min(eventCount - sent, 50);
            for (int k = sent; k < sent + batch; ++k)
            {
                sender.send(port, orvprotocol::datagram(MessageType::Event,
                                                        orvbench::eventPayload(eventName(k), 1)));
            }
            sent += batch;
            waitForRows(kFixedRows + sent);
        }
        waitForRows(kFixedRows + eventCount);
        waitFor([&] { return net.table(orv).cell(7, 4).text == "64"; }); // deck D position
        orvNode = net.resolve("orv1");
        channelsNode = net.resolve("channels1");
        this->port = port;
    }

    void waitForRows(int rows)
    {
        waitFor([&] { return net.table(orv).rows() == rows; });
    }

    template <class Done> void waitFor(Done done)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (true)
        {
            net.cookFrame();
            if (done())
            {
                return;
            }
            if (std::chrono::steady_clock::now() > deadline)
            {
                throw std::runtime_error("the receiver did not show what was sent (error \"" +
                                         net.errorText(orv) + "\")");
            }
        }
    }

    orvharness::Network net;
    NodeId orv = orvharness::noNode;
    NodeId channels = orvharness::noNode;
    NodeId beatOne = orvharness::noNode;
    NodeId beatAll = orvharness::noNode;
    NodeId beatOnAir = orvharness::noNode;
    NodeId beatGroups = orvharness::noNode;
    orvharness::Node* orvNode = nullptr;
    orvharness::Node* channelsNode = nullptr;
    std::uint16_t port = 0;
};

// One cook of the OrvDat node, as the host calls it, into the harness's table output (Output
// orvharness::TableOutput) or one that keeps nothing (orvbench::DiscardingTableOutput).
template <class Output> class DatCook
{
public:
    explicit DatCook(FilledNetwork& network)
        : node_(*network.orvNode), inputs_(network.net, node_, network.net.frame()),
          output_(makeOutput(node_))
    {
    }

    void operator()()
    {
        node_.table.startCook();
        TD::DAT_GeneralInfo general{};
        node_.dat->getGeneralInfo(&general, &inputs_, nullptr);
        node_.dat->execute(&output_, &inputs_, nullptr);
        node_.dat->getWarningString(&warning_, nullptr);
        node_.dat->getErrorString(&error_, nullptr);
    }

private:
    static Output makeOutput(orvharness::Node& node)
    {
        if constexpr (std::is_same_v<Output, orvharness::TableOutput>)
        {
            return Output(node);
        }
        else
        {
            return Output();
        }
    }

    orvharness::Node& node_;
    orvharness::NodeInputs inputs_;
    Output output_;
    orvharness::HostString warning_;
    orvharness::HostString error_;
};

// One cook of a channel node (OrvChannels, OrvBeat) into host-owned buffers of its shape.
class ChopCook
{
public:
    ChopCook(FilledNetwork& network, orvharness::Node& node, int channels)
        : node_(node), inputs_(network.net, node_, network.net.frame()), cached_(inputs_),
          samples_(static_cast<size_t>(channels)), names_(static_cast<size_t>(channels), "chan")
    {
        for (float& sample : samples_)
        {
            buffers_.push_back(&sample);
        }
        output_ = std::make_unique<TD::CHOP_Output>(channels, 1, 60.0f, 0, buffers_.data(),
                                                    names_.data());
    }

    void operator()()
    {
        TD::CHOP_GeneralInfo general{};
        node_.chop->getGeneralInfo(&general, &cached_, nullptr);
        TD::CHOP_OutputInfo info{};
        node_.chop->getOutputInfo(&info, &cached_, nullptr);
        node_.chop->execute(output_.get(), &cached_, nullptr);
        node_.chop->getWarningString(&warning_, nullptr);
        node_.chop->getErrorString(&error_, nullptr);
    }

    float sample(int channel) const { return samples_[channel]; }

private:
    orvharness::Node& node_;
    orvharness::NodeInputs inputs_;
    orvbench::CachedReferenceInputs cached_;
    std::vector<float> samples_;
    std::vector<float*> buffers_;
    std::vector<const char*> names_;
    std::unique_ptr<TD::CHOP_Output> output_;
    orvharness::HostString warning_;
    orvharness::HostString error_;
};

// Allocations per cook over `cooks` cooks, by whose code asked.
struct PerCook
{
    double bundles = 0;
    double host = 0;
};

template <class Cook> PerCook allocationsPerCook(Cook& cook, int cooks)
{
    orvbench::AllocationScope scope(orvbench::Attribution::ByCaller);
    for (int i = 0; i < cooks; ++i)
    {
        cook();
    }
    const orvbench::AllocationCounts counts = scope.counts();
    return {double(counts.fromBundles) / cooks,
            double(counts.operatorNew - counts.fromBundles) / cooks};
}

// Counted over the first 100 cooks after the first one, and over 100 cooks after 5,000 more.
template <class Cook> void reportAllocations(benchmark::State& state, Cook& cook)
{
    cook();
    const PerCook early = allocationsPerCook(cook, 100);
    for (int i = 0; i < 5000; ++i)
    {
        cook();
    }
    const PerCook late = allocationsPerCook(cook, 100);
    state.counters["bundle_allocs_per_cook"] = early.bundles;
    state.counters["bundle_allocs_per_cook_late"] = late.bundles;
    state.counters["host_allocs_per_cook"] = early.host;
    state.counters["host_allocs_per_cook_late"] = late.host;
}

// Everything the setup allocated, as a check that the attribution sees the bundles at all:
// connecting starts a thread and the first cooks grow the snapshot.
std::unique_ptr<FilledNetwork> filledNetwork(benchmark::State& state)
{
    orvbench::AllocationScope scope(orvbench::Attribution::ByCaller);
    auto network = std::make_unique<FilledNetwork>(static_cast<int>(state.range(0)));
    state.counters["setup_bundle_allocs"] = static_cast<double>(scope.counts().fromBundles);
    return network;
}

template <class Output> void datCook(benchmark::State& state)
{
    const std::unique_ptr<FilledNetwork> network = filledNetwork(state);
    DatCook<Output> cook(*network);
    reportAllocations(state, cook);
    for (auto _ : state)
    {
        cook();
    }
    state.counters["rows"] = network->net.table(network->orv).rows();
}

void chopCook(benchmark::State& state)
{
    const std::unique_ptr<FilledNetwork> network = filledNetwork(state);
    ChopCook cook(*network, *network->channelsNode, kChannelCount);
    reportAllocations(state, cook);
    for (auto _ : state)
    {
        cook();
    }
    // Channel 0 is the first fader, which the sender set to 0.8.
    state.counters["first_channel"] = cook.sample(0);
}

// Four decks that play, as the simulator sends them: each step sends one Deck datagram per
// deck (Position on in real time, Beat on a 124 BPM grid from the track's start) and waits,
// spinning so that the cook finds the processor as a frame would, until the receive thread
// has stored them: the next cook of a beat node sees new datagrams from every deck.
class PlayingDecks
{
public:
    explicit PlayingDecks(std::uint16_t port) : port_(port) {}

    void step()
    {
        const double position =
            30.0 + std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        for (int deck = 1; deck <= 4; ++deck)
        {
            Deck record;
            record.deck = deck;
            record.pitch = 1.0;
            record.bpm = 124.0;
            record.length = 400.0;
            record.position = position + deck;
            record.beat = static_cast<int32_t>(record.position * 124.0 / 60.0) % 4 + 1;
            sender_.send(port_, orvprotocol::recordDatagram(MessageType::Deck, record));
        }
        // The receive thread stores a datagram within tens of microseconds.
        const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(150);
        while (std::chrono::steady_clock::now() < until)
        {
        }
    }

private:
    std::uint16_t port_;
    orvsupport::LoopbackSocket sender_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// One OrvBeat cook with new datagrams from every deck, one deck's clock (range 0), all four
// (range 1) or the deck on air (range 2: four clocks, one deck's channels and "deck"). The
// cook alone is timed (manual time: the feeding between cooks is not).
void beatCook(benchmark::State& state)
{
    const std::unique_ptr<FilledNetwork> network = std::make_unique<FilledNetwork>(0, true);
    const char* const nodes[] = {"beat1", "beatall", "beatonair", "beatgroups"};
    // On Air with every group: the nine and `deck`, phrase 5, track end 4, mix 5, cues 4.
    const int channels[] = {kBeatChannelsPerDeck, 4 * kBeatChannelsPerDeck,
                            kBeatChannelsPerDeck + 1, kBeatChannelsPerDeck + 1 + 18};
    const int shown = static_cast<int>(state.range(0));
    orvharness::Node& node = *network->net.resolve(nodes[shown]);
    ChopCook cook(*network, node, channels[shown]);
    PlayingDecks decks(network->port);
    // Two seconds to lock the clocks, then count what a cook with new datagrams allocates.
    for (int i = 0; i < 10000; ++i)
    {
        decks.step();
        cook();
    }
    auto fedCook = [&]
    {
        decks.step();
        cook();
    };
    reportAllocations(state, fedCook);
    for (auto _ : state)
    {
        decks.step();
        const auto begin = std::chrono::steady_clock::now();
        cook();
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
    }
    state.counters["locked"] = cook.sample(kBeatChannelsPerDeck - 1);
}

// One OrvEvents cook with `range(0)` event names known, "Output" Pulse and "Track Changes" on
// (the most work per channel: a value, a count and a comparison each). The receiver stands
// still, as between two events; a new name is the only thing that may allocate.
void eventsCook(benchmark::State& state)
{
    const std::unique_ptr<FilledNetwork> network = filledNetwork(state);
    orvharness::Network& net = network->net;
    std::string error;
    const NodeId events = orvsupport::addReader(net, *eventsBundle, "events1", "orv1",
                                                {{"Output", "pulse"}, {"Trackchanges", 1}}, error);
    if (events == orvharness::noNode)
    {
        throw std::runtime_error("cannot set up the events node: " + error);
    }
    net.cookFrame(); // the node learns the names
    const int channels = 4 + static_cast<int>(state.range(0));
    ChopCook cook(*network, *net.resolve("events1"), channels);
    reportAllocations(state, cook);
    for (auto _ : state)
    {
        cook();
    }
    state.counters["channels"] = net.channelOutput(events).numChannels;
}

// The whole frame of the stand-in host: both nodes, with everything the harness adds.
void harnessFrame(benchmark::State& state)
{
    FilledNetwork network(static_cast<int>(state.range(0)));
    for (auto _ : state)
    {
        network.net.cookFrame();
    }
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
    {
        return 1;
    }
    try
    {
        datBundle = loadBundle(ORV_DAT_BUNDLE);
        chopBundle = loadBundle(ORV_CHOP_BUNDLE);
        beatBundle = loadBundle(ORV_BEAT_BUNDLE);
        eventsBundle = loadBundle(ORV_EVENTS_BUNDLE);
    }
    catch (const std::exception& failure)
    {
        std::fprintf(stderr, "%s\n", failure.what());
        return 1;
    }
    for (int events : {0, 100, 1000})
    {
        benchmark::RegisterBenchmark("cook/OrvDat", datCook<orvharness::TableOutput>)->Arg(events);
        benchmark::RegisterBenchmark("cook/OrvDat-own", datCook<orvbench::DiscardingTableOutput>)
            ->Arg(events);
    }
    benchmark::RegisterBenchmark("cook/OrvChannels", chopCook)->Arg(100);
    // A fixed count: each cook waits for its datagrams, so a timed second would take minutes.
    benchmark::RegisterBenchmark("cook/OrvBeat", beatCook)
        ->Arg(0)
        ->Arg(1)
        ->Arg(2)
        ->Arg(3)
        ->UseManualTime()
        ->Iterations(5000);
    benchmark::RegisterBenchmark("cook/OrvEvents", eventsCook)->Arg(1024);
    benchmark::RegisterBenchmark("frame/harness", harnessFrame)->Arg(100);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    eventsBundle.reset();
    beatBundle.reset();
    chopBundle.reset();
    datBundle.reset();
    return 0;
}
