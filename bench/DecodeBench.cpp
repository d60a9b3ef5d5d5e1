// Decoding the typical state payloads: orvpack against msgpack-cxx on the same bytes, alone
// and followed by the step into the record.
//
//   orv_bench_decode [Google Benchmark flags] [--payload-dir=DIR]
// With --payload-dir the payloads are also written there (Deck.bin, ...) for the Python peer.
//
// Built twice: orv_bench_decode times with the system allocator untouched; orv_bench_decode_heap
// (ORV_BENCH_COUNT_HEAP) replaces it to report the heap blocks one decode takes, in the
// counter heap_blocks, and its times are not to be compared.

#ifdef ORV_BENCH_COUNT_HEAP
#include "AllocationCounter.h"
#endif
#include "Payloads.h"

#include "msgpack/MsgPack.h"
#include "receiver/Messages.h"

#include <benchmark/benchmark.h>
#include <msgpack.hpp>

#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>

namespace
{

using orvbench::Payload;

#ifdef ORV_BENCH_COUNT_HEAP
// Heap blocks per call of `decode`, averaged over many calls after a warm-up.
template <class Decode> double blocksPerCall(Decode decode)
{
    decode();
    constexpr int calls = 1000;
    orvbench::AllocationScope scope;
    for (int i = 0; i < calls; ++i)
    {
        decode();
    }
    return static_cast<double>(scope.counts().mallocs) / calls;
}
#endif

template <class Decode> void run(benchmark::State& state, const Payload& payload, Decode decode)
{
#ifdef ORV_BENCH_COUNT_HEAP
    state.counters["heap_blocks"] = blocksPerCall([&] { decode(payload.bytes); });
#endif
    for (auto _ : state)
    {
        decode(payload.bytes);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * payload.bytes.size()));
}

void orvDecode(const std::string& bytes)
{
    std::string error;
    orvpack::MsgPack value = orvpack::MsgPack::parse(bytes.data(), bytes.size(), error);
    benchmark::DoNotOptimize(value);
}

void cxxDecode(const std::string& bytes)
{
    msgpack::object_handle handle = msgpack::unpack(bytes.data(), bytes.size());
    benchmark::DoNotOptimize(handle.get());
}

// The records through orvpack: decode, then fromMsgPack.
template <class Record> void orvRecord(const std::string& bytes)
{
    std::string error;
    const orvpack::MsgPack value = orvpack::MsgPack::parse(bytes.data(), bytes.size(), error);
    Record record = Record::fromMsgPack(value);
    benchmark::DoNotOptimize(record);
}

// What a msgpack-cxx user writes to fill the same records: one pass over the map, keys
// compared in place, numbers converted by kind.
double cxxNumber(const msgpack::object& value)
{
    switch (value.type)
    {
    case msgpack::type::FLOAT32:
    case msgpack::type::FLOAT64:
        return value.via.f64;
    case msgpack::type::POSITIVE_INTEGER:
        return static_cast<double>(value.via.u64);
    case msgpack::type::NEGATIVE_INTEGER:
        return static_cast<double>(value.via.i64);
    default:
        return 0.0;
    }
}

std::string cxxText(const msgpack::object& value)
{
    return value.type == msgpack::type::STR ? std::string(value.via.str.ptr, value.via.str.size)
                                            : std::string();
}

template <class Assign> void cxxEachEntry(const msgpack::object& root, Assign assign)
{
    if (root.type != msgpack::type::MAP)
    {
        return;
    }
    for (uint32_t i = 0; i < root.via.map.size; ++i)
    {
        const msgpack::object_kv& entry = root.via.map.ptr[i];
        if (entry.key.type == msgpack::type::STR)
        {
            assign(std::string_view(entry.key.via.str.ptr, entry.key.via.str.size), entry.val);
        }
    }
}

Deck cxxDeck(const msgpack::object& root)
{
    Deck d;
    cxxEachEntry(root,
                 [&](std::string_view key, const msgpack::object& v)
                 {
                     if (key == "Pitch")
                         d.pitch = cxxNumber(v);
                     else if (key == "Position")
                         d.position = cxxNumber(v);
                     else if (key == "Position2")
                         d.position2 = cxxNumber(v);
                     else if (key == "NormalizedPosition")
                         d.normalizedPosition = cxxNumber(v);
                     else if (key == "BPM")
                         d.bpm = cxxNumber(v);
                     else if (key == "Length")
                         d.length = cxxNumber(v);
                     else if (key == "EQLow")
                         d.eqLow = static_cast<float>(cxxNumber(v));
                     else if (key == "EQMid")
                         d.eqMid = static_cast<float>(cxxNumber(v));
                     else if (key == "EQHigh")
                         d.eqHigh = static_cast<float>(cxxNumber(v));
                     else if (key == "Deck")
                         d.deck = static_cast<int32_t>(cxxNumber(v));
                     else if (key == "Beat")
                         d.beat = static_cast<int32_t>(cxxNumber(v));
                 });
    return d;
}

Meta cxxMeta(const msgpack::object& root)
{
    Meta m;
    cxxEachEntry(root,
                 [&](std::string_view key, const msgpack::object& v)
                 {
                     if (key == "Deck")
                         m.deck = static_cast<int32_t>(cxxNumber(v));
                     else if (key == "Title")
                         m.title = cxxText(v);
                     else if (key == "Artist")
                         m.artist = cxxText(v);
                     else if (key == "Album")
                         m.album = cxxText(v);
                     else if (key == "Filepath")
                         m.filepath = cxxText(v);
                 });
    return m;
}

Control cxxControl(const msgpack::object& root)
{
    Control c;
    cxxEachEntry(root,
                 [&](std::string_view key, const msgpack::object& v)
                 {
                     if (key == "UpfaderA")
                         c.upfaderA = cxxNumber(v);
                     else if (key == "UpfaderB")
                         c.upfaderB = cxxNumber(v);
                     else if (key == "Crossfader")
                         c.crossfader = cxxNumber(v);
                     else if (key == "Active")
                         c.active = static_cast<int32_t>(cxxNumber(v));
                 });
    return c;
}

Event cxxEvent(const msgpack::object& root)
{
    Event e;
    cxxEachEntry(root,
                 [&](std::string_view key, const msgpack::object& v)
                 {
                     if (key == "Event")
                         e.name = cxxText(v);
                     else if (key == "Value")
                         e.value = static_cast<uint8_t>(static_cast<int64_t>(cxxNumber(v)));
                 });
    return e;
}

template <class Record, Record (*Fill)(const msgpack::object&)>
void cxxRecord(const std::string& bytes)
{
    msgpack::object_handle handle = msgpack::unpack(bytes.data(), bytes.size());
    Record record = Fill(handle.get());
    benchmark::DoNotOptimize(record);
}

void registerAll()
{
    using Decode = void (*)(const std::string&);
    struct Row
    {
        const char* payload;
        Decode orvWithRecord;
        Decode cxxWithRecord;
    };
    const Row rows[] = {
        {"Deck", orvRecord<Deck>, cxxRecord<Deck, cxxDeck>},
        {"Meta", orvRecord<Meta>, cxxRecord<Meta, cxxMeta>},
        {"Control", orvRecord<Control>, cxxRecord<Control, cxxControl>},
        {"Event", orvRecord<Event>, cxxRecord<Event, cxxEvent>},
    };
    for (const Payload& payload : orvbench::typicalPayloads())
    {
        for (const Row& row : rows)
        {
            if (payload.name != row.payload)
            {
                continue;
            }
            const std::string name = payload.name;
            benchmark::RegisterBenchmark(("decode/orvpack/" + name).c_str(),
                                         [=](benchmark::State& s) { run(s, payload, orvDecode); });
            benchmark::RegisterBenchmark(("decode/msgpack-cxx/" + name).c_str(),
                                         [=](benchmark::State& s) { run(s, payload, cxxDecode); });
            benchmark::RegisterBenchmark(("record/orvpack/" + name).c_str(),
                                         [=](benchmark::State& s)
                                         { run(s, payload, row.orvWithRecord); });
            benchmark::RegisterBenchmark(("record/msgpack-cxx/" + name).c_str(),
                                         [=](benchmark::State& s)
                                         { run(s, payload, row.cxxWithRecord); });
        }
    }
}

bool writePayloads(const std::string& directory)
{
    for (const Payload& payload : orvbench::typicalPayloads())
    {
        std::ofstream file(directory + "/" + payload.name + ".bin", std::ios::binary);
        file.write(payload.bytes.data(), static_cast<std::streamsize>(payload.bytes.size()));
        if (!file)
        {
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    const std::string_view payloadFlag = "--payload-dir=";
    for (int i = 1; i < argc; ++i)
    {
        const std::string_view argument = argv[i];
        if (argument.substr(0, payloadFlag.size()) == payloadFlag)
        {
            if (!writePayloads(std::string(argument.substr(payloadFlag.size()))))
            {
                return 1;
            }
        }
        else
        {
            std::fprintf(stderr, "unknown argument: %s\n", argv[i]);
            return 1;
        }
    }
    registerAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
