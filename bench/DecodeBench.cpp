// Decoding the typical state payloads: orvpack against msgpack-cxx on the same bytes, alone
// and followed by the step into the record.
//
//   orv_bench_decode [Google Benchmark flags] [--payload-dir=DIR]
// With --payload-dir the payloads are also written there (Deck.bin, ...) for the Python peer,
// with the records' keys (keys.json).
//
// Built twice: orv_bench_decode times with the system allocator untouched; orv_bench_decode_heap
// (ORV_BENCH_COUNT_HEAP) replaces it to report the heap blocks one decode takes, in the
// counter heap_blocks, and its times are not to be compared.

#ifdef ORV_BENCH_COUNT_HEAP
#include "AllocationCounter.h"
#endif
#include "Payloads.h"

#include "msgpack/MsgPack.h"
#include "protocol/WireSchema.h"

#include <benchmark/benchmark.h>
#include <msgpack.hpp>

#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>
#include <variant>

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
    orvpack::MsgPack value =
        orvpack::MsgPack::parse(bytes.data(), bytes.size(), error, orvprotocol::wireKeys());
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
    const orvpack::MsgPack value =
        orvpack::MsgPack::parse(bytes.data(), bytes.size(), error, orvprotocol::wireKeys());
    Record record = Record::fromMsgPack(value);
    benchmark::DoNotOptimize(record);
}

// What a msgpack-cxx user writes to fill the same records: one pass over the map, keys
// compared in place against the protocol's keys, values converted by kind.
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

// A value into a field of each type, converted as the orvpack accessors convert it.
void cxxRead(const msgpack::object& value, double& field)
{
    field = cxxNumber(value);
}
void cxxRead(const msgpack::object& value, float& field)
{
    field = static_cast<float>(cxxNumber(value));
}
void cxxRead(const msgpack::object& value, int32_t& field)
{
    field = static_cast<int32_t>(cxxNumber(value));
}
void cxxRead(const msgpack::object& value, uint8_t& field)
{
    field = static_cast<uint8_t>(static_cast<int64_t>(cxxNumber(value)));
}
void cxxRead(const msgpack::object& value, std::string& field)
{
    field = value.type == msgpack::type::STR ? std::string(value.via.str.ptr, value.via.str.size)
                                             : std::string();
}

template <class Record>
void cxxAssign(const orvprotocol::Key<Record>& key, Record& record, const msgpack::object& value)
{
    std::visit([&](auto member) { cxxRead(value, record.*member); }, key.member);
}

template <class Record> Record cxxFill(const msgpack::object& root)
{
    Record record;
    if (root.type != msgpack::type::MAP)
    {
        return record;
    }
    for (uint32_t i = 0; i < root.via.map.size; ++i)
    {
        const msgpack::object_kv& entry = root.via.map.ptr[i];
        if (entry.key.type != msgpack::type::STR)
        {
            continue;
        }
        const std::string_view name(entry.key.via.str.ptr, entry.key.via.str.size);
        for (const auto& key : orvprotocol::KeysOf<Record>::keys)
        {
            if (key.key == name)
            {
                cxxAssign(key, record, entry.val);
                break;
            }
        }
    }
    return record;
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
        {"Deck", orvRecord<Deck>, cxxRecord<Deck, cxxFill<Deck>>},
        {"Meta", orvRecord<Meta>, cxxRecord<Meta, cxxFill<Meta>>},
        {"Control", orvRecord<Control>, cxxRecord<Control, cxxFill<Control>>},
        {"Event", orvRecord<Event>, cxxRecord<Event, cxxFill<Event>>},
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

// The keys of a record for the Python peer's record step: [key, kind] pairs, kind "float",
// "int", "byte" (an integer whose low 8 bits count) or "text".
template <class Record> std::string keysJson()
{
    std::string json = "[";
    for (const auto& key : orvprotocol::KeysOf<Record>::keys)
    {
        const char* kind = "float";
        if (key.kind() == orvprotocol::ValueKind::Int32)
            kind = "int";
        else if (key.kind() == orvprotocol::ValueKind::UInt8)
            kind = "byte";
        else if (key.kind() == orvprotocol::ValueKind::Text)
            kind = "text";
        json += std::string(json.size() > 1 ? ", " : "") + "[\"" + std::string(key.key) + "\", \"" +
                kind + "\"]";
    }
    return json + "]";
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
    std::ofstream keys(directory + "/keys.json");
    keys << "{\"Deck\": " << keysJson<Deck>() << ", \"Meta\": " << keysJson<Meta>()
         << ", \"Control\": " << keysJson<Control>() << ", \"Event\": " << keysJson<Event>()
         << "}\n";
    return static_cast<bool>(keys);
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
