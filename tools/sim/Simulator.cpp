#include "sim/Simulator.h"

#include "support/sim/SimDatagrams.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace orvsim
{

using Clock = std::chrono::steady_clock;

Simulator::Simulator(const SimulatorSettings& settings)
    : settings_(settings),
      dj_(settings.seed, settings.sender.deckPitch > 0.0 ? settings.sender.deckPitch : 1.0),
      network_(settings.network, settings.seed)
{
}

bool Simulator::open(std::string& error)
{
    if (!socket_.open(error))
        return false;
    if (settings_.to.isMulticast() && !socket_.setMulticastSending(error))
        return false;
    if (settings_.discoveryPort != 0)
    {
        std::string why;
        if (!discovery_.open(settings_.discoveryIp, settings_.discoveryPort, why))
        {
            discoveryNote_ = "not listening for the discovery byte: " + why;
            // Listening on another port would not help: nodes send to this one only.
            if (settings_.discoveryPort == orvprotocol::kDiscoveryPort)
                discoveryNote_ += "; nodes always send it to port 7000, so it shows here only "
                                  "while no other program holds that port";
        }
    }
    else
    {
        discoveryNote_ = "not listening for the discovery byte (discovery port 0)";
    }
    return true;
}

void Simulator::deliver(double elapsedSeconds,
                        const std::function<void(const std::string&)>& report)
{
    for (const Arrival& arrival : network_.takeArrived(elapsedSeconds))
    {
        std::string error;
        if (socket_.sendTo(settings_.to, arrival.datagram.data(), arrival.datagram.size(), error))
        {
            ++counts_.datagrams;
            continue;
        }
        // A send failure is usually the same one every time (no route, a firewall): say it once.
        if (counts_.sendFailures++ == 0)
            report(error + " (later failures are only counted)");
    }
}

void Simulator::tick(double elapsedSeconds)
{
    dj_.advance(elapsedSeconds - dj_.decks().time());
    const double now = dj_.decks().time();
    const bool metaDue = lastMetaTime_ < 0.0 || now - lastMetaTime_ >= 1.0;
    for (const StreamDatagram& datagram : stepDatagrams(
             dj_.decks(), dj_.takeLoadedDecks(), dj_.takeEvents(), settings_.sender, metaDue))
        network_.send(datagram.bytes, now, datagram.stream);
    if (metaDue)
        lastMetaTime_ = now;
}

void Simulator::run(const std::function<bool()>& keepGoing,
                    const std::function<void(const std::string&)>& report)
{
    const Clock::time_point start = Clock::now();
    const auto period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(1.0 / std::max(settings_.rate, 0.01)));
    Clock::time_point nextTick = start;
    const auto seconds = [&](Clock::time_point t)
    { return std::chrono::duration<double>(t - start).count(); };

    while (keepGoing())
    {
        Clock::time_point now = Clock::now();
        if (settings_.duration > 0.0 && seconds(now) >= settings_.duration)
            break;
        if (now >= nextTick)
        {
            tick(seconds(now));
            nextTick += period;
            // Far behind (the machine was busy): skip the missed ticks instead of bursting.
            if (nextTick + period < now)
                nextTick = now + period;
        }
        now = Clock::now();
        deliver(seconds(now), report);
        // Awake for the next tick or the next arrival, whichever comes first.
        Clock::time_point wakeAt = nextTick;
        const double arrival = network_.nextArrival();
        if (arrival < seconds(nextTick))
            wakeAt = start + std::chrono::duration_cast<Clock::duration>(
                                 std::chrono::duration<double>(arrival));
        const auto wait =
            std::clamp(std::chrono::duration_cast<std::chrono::milliseconds>(wakeAt - now),
                       std::chrono::milliseconds(0), std::chrono::milliseconds(50));
        if (wait.count() > 0)
        {
            if (discovery_.isOpen())
                discovery_.poll(static_cast<int>(wait.count()),
                                [&](const std::string& line)
                                {
                                    ++counts_.discoveries;
                                    report(line);
                                });
            else
                std::this_thread::sleep_for(wait);
        }
        else
        {
            // Under a millisecond to go: look at the discovery port without waiting, then
            // sleep precisely to the tick or the arrival.
            discovery_.poll(0,
                            [&](const std::string& line)
                            {
                                ++counts_.discoveries;
                                report(line);
                            });
            std::this_thread::sleep_until(wakeAt);
        }
    }
}

} // namespace orvsim
