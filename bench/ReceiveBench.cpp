// The receive path on loopback. OrvReceiver against a bare loop that only calls recvfrom into
// a 4,096-byte buffer, both fed by the same sender in the same run: CPU time per datagram in
// the receive thread and the rate sustained without loss; the latency from sendto until
// getDeck returns the new value; disconnect without traffic; the idle thread's CPU time.
//
//   orv_bench_receive [Google Benchmark flags] [--idle-seconds=10]
//
// Every benchmark runs once (its rounds inside) and reports through counters.

#include "Payloads.h"
#include "ThreadStats.h"

#include "net/Udp.h"
#include "protocol/RecordEncoding.h"
#include "receiver/OrvReceiver.h"
#include "support/LoopbackSocket.h"
#include "support/Percentile.h"
#include "support/UdpPorts.h"
#include "tests/receiver/ReceiveLoopProbe.h"

#include <benchmark/benchmark.h>

#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

int idleSeconds = 10;

constexpr int datagramsPerRound = 40000;
constexpr int throughputRounds = 5;
constexpr int latencySamples = 4000;
constexpr int latencyBlocks = 4;
constexpr int disconnectRounds = 300;

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

double microseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

void spinFor(Clock::duration d)
{
    const auto until = Clock::now() + d;
    while (Clock::now() < until)
    {
        __builtin_ia32_pause();
    }
}

// OrvReceiver as the table operator's instance, without the host's cook, its thread exposed.
class BenchReceiver final : public OrvReceiver
{
public:
    explicit BenchReceiver(std::uint16_t boundPort) : OrvReceiver(nullptr) { port = boundPort; }
    void execute(TD::DAT_Output*, const TD::OP_Inputs*, void*) override {}

    void start()
    {
        connect();
        if (!isConnected())
        {
            std::string error;
            store.errorText(error);
            throw std::runtime_error("receiver did not connect: " + error);
        }
    }
    pthread_t thread() { return orvreceiver::ReceiveLoopProbe::thread(loop).native_handle(); }
    int socket() const { return orvreceiver::ReceiveLoopProbe::socket(loop); }
    std::int64_t sequence() const { return static_cast<std::int64_t>(getDeck(1).position); }
};

// The machine's limit: a thread that only receives, counting datagrams.
class BareReceiver
{
public:
    BareReceiver()
    {
        fd_ = orv::udp::openSocket();
        if (fd_ < 0 || !orv::udp::bindTo(fd_, "127.0.0.1", 0) ||
            (port_ = orv::udp::localPort(fd_)) == 0)
        {
            throw std::runtime_error("cannot bind the bare receiver");
        }
        thread_ = std::thread([this] { run(); });
    }

    ~BareReceiver()
    {
        stop_ = true;
        orv::udp::wakeReceiver(fd_); // the blocked recvfrom returns 0
        thread_.join();
        orv::udp::closeSocket(fd_);
    }

    std::uint16_t port() const { return port_; }
    int socket() const { return fd_; }
    std::int64_t sequence() const { return count_.load(std::memory_order_acquire); }
    std::int64_t cpuNs() { return orvbench::threadCpuNs(thread_.native_handle()); }
    int threadId() const { return threadId_.load(); }

private:
    // The peer: nothing but the system call, so no layer of ours between it and the kernel.
    void run()
    {
        threadId_ = static_cast<int>(syscall(SYS_gettid));
        char buffer[orvreceiver::ReceiverStore::kDatagramLimit];
        sockaddr_in sender;
        while (!stop_.load(std::memory_order_relaxed))
        {
            socklen_t length = sizeof sender;
            const ssize_t received = recvfrom(fd_, buffer, sizeof buffer, 0,
                                              reinterpret_cast<sockaddr*>(&sender), &length);
            if (received > 0)
            {
                count_.store(count_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
            }
        }
    }

    int fd_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<std::int64_t> count_{0};
    std::atomic<int> threadId_{0};
    std::thread thread_;
};

// Deck datagrams for deck 1 whose "Position" carries a sequence number: the receiver stores
// it, so getDeck tells how far it got. Only those 8 bytes change from one to the next.
class SequencedDeck
{
public:
    SequencedDeck()
        : bytes_(orvprotocol::datagram(MessageType::Deck, orvbench::deckPayload(0.0, 1)))
    {
        const std::string key = "\xa8Position\xcb";
        offset_ = bytes_.find(key) + key.size();
    }

    const std::string& with(std::int64_t sequence)
    {
        const double value = static_cast<double>(sequence);
        std::uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        for (int i = 0; i < 8; ++i)
        {
            bytes_[offset_ + i] = static_cast<char>(bits >> (56 - 8 * i));
        }
        return bytes_;
    }

private:
    std::string bytes_;
    std::size_t offset_ = 0;
};

struct RoundResult
{
    double cpuNsPerDatagram = 0;
    double datagramsPerSecond = 0;
    double switchesPerDatagram = 0;
    std::int64_t drops = 0;
    bool complete = false;
};

// Bytes waiting in the receive queue of a socket, read without touching the receiver: the
// sender's flow control, the same for both receivers.
std::uint32_t queuedBytes(int socket)
{
    std::uint32_t info[SK_MEMINFO_VARS] = {};
    socklen_t length = sizeof info;
    if (getsockopt(socket, SOL_SOCKET, SO_MEMINFO, info, &length) != 0)
    {
        return 0;
    }
    return info[SK_MEMINFO_RMEM_ALLOC];
}

// Sends datagramsPerRound datagrams as fast as the receiver keeps up (the queue never fills
// beyond a quarter of its room, so nothing is lost), and measures the receive thread over
// exactly that stretch: from before the first send until the receiver shows the last one.
template <class Receiver, class CpuNow>
RoundResult feed(Receiver& receiver, int socket, std::uint16_t port, int threadId, CpuNow cpuNow)
{
    orvsupport::LoopbackSocket sender;
    SequencedDeck deck;
    std::uint32_t info[SK_MEMINFO_VARS] = {};
    socklen_t length = sizeof info;
    getsockopt(socket, SOL_SOCKET, SO_MEMINFO, info, &length);
    const std::uint32_t queueLimit = info[SK_MEMINFO_RCVBUF] / 4;

    const std::int64_t first = receiver.sequence();
    const std::int64_t last = first + datagramsPerRound;
    const std::int64_t dropsBefore = orvbench::udpDrops(port);
    const std::int64_t switchesBefore = orvbench::contextSwitches(threadId);
    const std::int64_t cpuBefore = cpuNow();
    const auto start = Clock::now();
    const auto deadline = start + 10s;

    for (std::int64_t i = first + 1; i <= last; ++i)
    {
        while (queuedBytes(socket) > queueLimit && Clock::now() < deadline)
        {
            spinFor(500ns);
        }
        sender.send(port, deck.with(i));
    }
    // Polled with pauses: each poll of OrvReceiver takes its lock, which the receive thread
    // needs too.
    std::int64_t known = receiver.sequence();
    while (known != last && Clock::now() < deadline)
    {
        spinFor(2us);
        known = receiver.sequence();
    }
    const auto end = Clock::now();

    RoundResult result;
    result.cpuNsPerDatagram = double(cpuNow() - cpuBefore) / datagramsPerRound;
    result.datagramsPerSecond = datagramsPerRound / seconds(end - start);
    result.switchesPerDatagram =
        double(orvbench::contextSwitches(threadId) - switchesBefore) / datagramsPerRound;
    result.drops = orvbench::udpDrops(port) - dropsBefore;
    result.complete = known == last;
    return result;
}

int newThreadId(const std::set<int>& before)
{
    for (int id : orvbench::threadIds())
    {
        if (before.count(id) == 0)
        {
            return id;
        }
    }
    return -1;
}

RoundResult bareRound()
{
    BareReceiver bare;
    while (bare.threadId() == 0)
    {
        std::this_thread::yield();
    }
    std::this_thread::sleep_for(5ms); // blocked in recvfrom
    return feed(bare, bare.socket(), bare.port(), bare.threadId(), [&] { return bare.cpuNs(); });
}

RoundResult receiverRound()
{
    const std::uint16_t port = orvsupport::freeUdpPort();
    BenchReceiver receiver(port);
    const std::set<int> before = orvbench::threadIds();
    receiver.start();
    std::this_thread::sleep_for(5ms);
    const int threadId = newThreadId(before);
    RoundResult result = feed(receiver, receiver.socket(), port, threadId,
                              [&] { return orvbench::threadCpuNs(receiver.thread()); });
    receiver.disconnect();
    return result;
}

void receivePath(benchmark::State& state)
{
    for (auto _ : state)
    {
        bareRound(); // warm-up: page faults, first sends
        std::vector<double> bareCpu, orvCpu, ratio, bareRate, orvRate, bareSwitches, orvSwitches;
        std::int64_t drops = 0;
        bool complete = true;
        for (int round = 0; round < throughputRounds; ++round)
        {
            const RoundResult bare = bareRound();
            const RoundResult orv = receiverRound();
            bareCpu.push_back(bare.cpuNsPerDatagram);
            orvCpu.push_back(orv.cpuNsPerDatagram);
            ratio.push_back(orv.cpuNsPerDatagram / bare.cpuNsPerDatagram);
            bareRate.push_back(bare.datagramsPerSecond);
            orvRate.push_back(orv.datagramsPerSecond);
            bareSwitches.push_back(bare.switchesPerDatagram);
            orvSwitches.push_back(orv.switchesPerDatagram);
            drops += bare.drops + orv.drops;
            complete = complete && bare.complete && orv.complete;
        }
        state.counters["bare_cpu_ns_per_datagram"] = orvsupport::median(bareCpu);
        state.counters["orv_cpu_ns_per_datagram"] = orvsupport::median(orvCpu);
        state.counters["cpu_ratio"] = orvsupport::median(ratio);
        state.counters["bare_datagrams_per_s"] = orvsupport::median(bareRate);
        state.counters["orv_datagrams_per_s"] = orvsupport::median(orvRate);
        state.counters["bare_wakeups_per_datagram"] = orvsupport::median(bareSwitches);
        state.counters["orv_wakeups_per_datagram"] = orvsupport::median(orvSwitches);
        state.counters["drops"] = static_cast<double>(drops);
        state.counters["complete"] = complete ? 1 : 0;
    }
}

// sendto, then poll every microsecond until the receiver shows the datagram; the receive
// thread is back in recvfrom before the next one goes out.
template <class Receiver>
void sampleLatency(Receiver& receiver, std::uint16_t port, int count, std::vector<double>& out)
{
    orvsupport::LoopbackSocket sender;
    SequencedDeck deck;
    std::int64_t sequence = receiver.sequence();
    for (int i = 0; i < count; ++i)
    {
        const std::string& bytes = deck.with(++sequence);
        const auto deadline = Clock::now() + 1s;
        const auto start = Clock::now();
        sender.send(port, bytes);
        while (receiver.sequence() != sequence && Clock::now() < deadline)
        {
            spinFor(1us);
        }
        out.push_back(microseconds(Clock::now() - start));
        spinFor(30us);
    }
}

void latency(benchmark::State& state)
{
    for (auto _ : state)
    {
        BareReceiver bare;
        const std::uint16_t port = orvsupport::freeUdpPort();
        BenchReceiver receiver(port);
        receiver.start();
        std::vector<double> bareUs, orvUs, warmUp;
        sampleLatency(bare, bare.port(), 200, warmUp);
        sampleLatency(receiver, port, 200, warmUp);
        // Alternating blocks, so both see the same machine.
        for (int block = 0; block < latencyBlocks; ++block)
        {
            sampleLatency(bare, bare.port(), latencySamples / latencyBlocks, bareUs);
            sampleLatency(receiver, port, latencySamples / latencyBlocks, orvUs);
        }
        receiver.disconnect();
        state.counters["bare_median_us"] = orvsupport::median(bareUs);
        state.counters["bare_p99_us"] = orvsupport::percentile(bareUs, 0.99);
        state.counters["orv_median_us"] = orvsupport::median(orvUs);
        state.counters["orv_p99_us"] = orvsupport::percentile(orvUs, 0.99);
        state.counters["median_ratio"] = orvsupport::median(orvUs) / orvsupport::median(bareUs);
        state.counters["p99_ratio"] =
            orvsupport::percentile(orvUs, 0.99) / orvsupport::percentile(bareUs, 0.99);
    }
}

void disconnectIdle(benchmark::State& state)
{
    for (auto _ : state)
    {
        BenchReceiver receiver(orvsupport::freeUdpPort());
        std::vector<double> us;
        for (int round = 0; round < disconnectRounds; ++round)
        {
            receiver.start();
            std::this_thread::sleep_for(2ms); // the thread is blocked in recvfrom
            const auto start = Clock::now();
            receiver.disconnect();
            us.push_back(microseconds(Clock::now() - start));
        }
        state.counters["median_us"] = orvsupport::median(us);
        state.counters["p99_us"] = orvsupport::percentile(us, 0.99);
        state.counters["worst_us"] = orvsupport::percentile(us, 1.0);
        state.counters["rounds"] = static_cast<double>(us.size());
    }
}

void idleThread(benchmark::State& state)
{
    for (auto _ : state)
    {
        BenchReceiver receiver(orvsupport::freeUdpPort());
        const std::set<int> before = orvbench::threadIds();
        receiver.start();
        std::this_thread::sleep_for(200ms);
        const int threadId = newThreadId(before);
        const std::int64_t cpuBefore = orvbench::threadCpuNs(receiver.thread());
        const std::int64_t switchesBefore = orvbench::contextSwitches(threadId);
        std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
        const std::int64_t cpu = orvbench::threadCpuNs(receiver.thread()) - cpuBefore;
        const std::int64_t switches = orvbench::contextSwitches(threadId) - switchesBefore;
        receiver.disconnect();
        state.counters["seconds"] = idleSeconds;
        state.counters["cpu_us"] = double(cpu) / 1000.0;
        state.counters["wakeups"] = static_cast<double>(switches);
    }
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    const std::string_view idleFlag = "--idle-seconds=";
    for (int i = 1; i < argc; ++i)
    {
        const std::string_view argument = argv[i];
        if (argument.substr(0, idleFlag.size()) == idleFlag)
        {
            idleSeconds = std::atoi(argv[i] + idleFlag.size());
        }
        else
        {
            std::fprintf(stderr, "unknown argument: %s\n", argv[i]);
            return 1;
        }
    }
    benchmark::RegisterBenchmark("receive_path", receivePath)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("latency", latency)->Iterations(1)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("disconnect_idle", disconnectIdle)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("idle_thread", idleThread)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
