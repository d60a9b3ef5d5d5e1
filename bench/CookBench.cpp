// Cooks through the headless host and the real bundles: OrvDat with four decks, four tracks
// and the mixer filled and 0, 100 or 1,000 events; OrvChannels reading it; and the heap
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
#include "LoopbackSender.h"
#include "Payloads.h"

#include "harness/Bundle.h"
#include "harness/HostString.h"
#include "harness/Network.h"
#include "harness/Node.h"
#include "harness/NodeInputs.h"
#include "harness/TableOutput.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

namespace
{

using orvharness::NodeId;

constexpr int fixedRows = 18;
constexpr int channelCount = 48;

std::unique_ptr<orvharness::Bundle> datBundle;
std::unique_ptr<orvharness::Bundle> chopBundle;

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
    explicit FilledNetwork(int eventCount)
    {
        const std::uint16_t port = orvbench::freeLoopbackPort();
        orv = net.createNode(*datBundle, "orv1");
        channels = net.createNode(*chopBundle, "channels1");
        if (orv == orvharness::noNode || channels == orvharness::noNode ||
            !net.setParameter(orv, "Port", static_cast<int>(port)) ||
            !net.setParameter(channels, "Orvdat", "orv1"))
        {
            throw std::runtime_error("cannot set up the network: " + net.lastError());
        }
        net.cookFrame(); // a cook copies the parameters into the receiver
        net.pulse(orv, "Reconnect");
        net.cookFrame();

        orvbench::LoopbackSender sender;
        for (int deck = 1; deck <= 4; ++deck)
        {
            std::string payload = orvbench::deckPayload(60.0 + deck);
            payload[payload.find("\xa4"
                                 "Deck") +
                    5] = static_cast<char>(deck);
            sender.send(port, orvbench::datagram(1, payload));
            payload = orvbench::metaPayload();
            payload[payload.find("\xa4"
                                 "Deck") +
                    5] = static_cast<char>(deck);
            sender.send(port, orvbench::datagram(2, payload));
        }
        sender.send(port, orvbench::datagram(0, orvbench::controlPayload()));
        // In batches the receive queue holds, each waited for.
        for (int sent = 0; sent < eventCount;)
        {
            const int batch = std::min(eventCount - sent, 50);
            for (int k = sent; k < sent + batch; ++k)
            {
                sender.send(port, orvbench::datagram(4, orvbench::eventPayload(eventName(k), 1)));
            }
            sent += batch;
            waitForRows(fixedRows + sent);
        }
        waitForRows(fixedRows + eventCount);
        waitFor([&] { return net.table(orv).cell(7, 4).text == "64"; }); // deck D position
        orvNode = net.resolve("orv1");
        channelsNode = net.resolve("channels1");
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
    orvharness::Node* orvNode = nullptr;
    orvharness::Node* channelsNode = nullptr;
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

// One cook of the OrvChannels node into host-owned buffers of the declared shape.
class ChopCook
{
public:
    explicit ChopCook(FilledNetwork& network)
        : node_(*network.channelsNode), inputs_(network.net, node_, network.net.frame()),
          cached_(inputs_), samples_(channelCount), names_(channelCount, "chan")
    {
        for (float& sample : samples_)
        {
            buffers_.push_back(&sample);
        }
        output_ = std::make_unique<TD::CHOP_Output>(channelCount, 1, 60.0f, 0, buffers_.data(),
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
    ChopCook cook(*network);
    reportAllocations(state, cook);
    for (auto _ : state)
    {
        cook();
    }
    // Channel 0 is the first fader, which the sender set to 0.8.
    state.counters["first_channel"] = cook.sample(0);
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
    benchmark::RegisterBenchmark("frame/harness", harnessFrame)->Arg(100);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    chopBundle.reset();
    datBundle.reset();
    return 0;
}
