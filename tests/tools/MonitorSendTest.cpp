// orv send into orv monitor, through the built executable: each message type lands in the
// right cells of the real table node and in the channels, and silence is explained.
#include "ToolJson.h"
#include "ToolProcess.h"

#include "support/LoopbackSocket.h"
#include "support/UdpPorts.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace orvtooltest
{

using orvsupport::freeUdpPort;
using orvsupport::LoopbackSocket;
using orvsupport::loopbackText;

namespace
{

const Millis kStartup(8000);

// Starts `orv monitor --json` on `port` and waits for its first connected snapshot.
std::unique_ptr<ToolProcess> startMonitor(uint16_t port, const std::vector<std::string>& extra = {})
{
    std::vector<std::string> args = {"monitor",   "--port", std::to_string(port), "--json",
                                     "--refresh", "0.1",    "--duration",         "20"};
    args.insert(args.end(), extra.begin(), extra.end());
    auto monitor = std::make_unique<ToolProcess>(args);
    monitor->waitForText("\"connected\":true", kStartup);
    return monitor;
}

void send(const std::vector<std::string>& args)
{
    const ToolRun run = runTool(args);
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(run.out.rfind("sent ", 0), 0u) << run.out;
}

// The newest snapshot printed so far.
nlohmann::json latest(const std::string& out)
{
    const std::vector<nlohmann::json> shots = snapshots(out);
    return shots.empty() ? nlohmann::json::object() : shots.back();
}

TEST(MonitorSend, EachMessageTypeLandsInItsCellsAndChannels)
{
    const uint16_t port = freeUdpPort();
    auto monitor = startMonitor(port);
    ASSERT_TRUE(monitor->started());
    ASSERT_NE(monitor->out().find("\"connected\":true"), std::string::npos) << monitor->err();
    const std::string to = loopbackText(port);

    send({"send", "deck", "Deck=2", "BPM=124.0", "Beat=3", "Pitch=1.5", "Position=61.5",
          "EQLow=0.5f", "--to", to});
    send({"send", "meta", "Deck=3", "Title=Glass Harbour", "Artist=Mira Okonkwo", "Album=\"1999\"",
          "Filepath=/Music/glass.flac", "--to", to});
    send({"send", "control", "UpfaderA=0.25", "UpfaderB=0.75", "Crossfader=0.5", "Active=1", "--to",
          to});
    send({"send", "event", "Event=Drop", "Value=1", "--to", to});
    // A type as a number, and a value beyond 8 bits: the node keeps its low 8 bits.
    send({"send", "4", "Event=Cue", "Value=300", "--to", to});

    const bool arrived = monitor->waitFor(
        [](const std::string& out)
        {
            const nlohmann::json shot = latest(out);
            return shot.contains("table") && tableRows(shot) == 20 &&
                   cellValue(shot, 10, 2) == 124.0 && cellValue(shot, 1, 3) != "" &&
                   cellValue(shot, 15, 1) == 0.25;
        },
        Millis(8000));
    const nlohmann::json shot = latest(monitor->out());
    ASSERT_TRUE(arrived) << shot.dump();
    EXPECT_EQ(shot.at("error"), "");

    // Deck 2: column "Deck B" and channels 14 to 24; the other decks stay 0.
    EXPECT_EQ(cellValue(shot, 6, 2), 1.5);  // "Pitch" shows as Velocity
    EXPECT_EQ(cellValue(shot, 7, 2), 61.5); // Position
    EXPECT_EQ(cellValue(shot, 11, 2), 0.5); // EQLow
    EXPECT_EQ(cellValue(shot, 14, 2), 3.0); // Beat
    EXPECT_EQ(cellValue(shot, 10, 1), 0.0);
    EXPECT_EQ(cellValue(shot, 10, 4), 0.0);
    EXPECT_EQ(channel(shot, 14), 1.5);
    EXPECT_EQ(channel(shot, 15), 61.5);
    EXPECT_EQ(channel(shot, 18), 124.0);
    EXPECT_EQ(channel(shot, 20), 0.5);
    EXPECT_EQ(channel(shot, 23), 2.0);
    EXPECT_EQ(channel(shot, 24), 3.0);
    EXPECT_EQ(channel(shot, 7), 0.0);

    // Meta for deck 3: rows 1 to 4 of "Deck C", as text; quotes kept "1999" a string.
    EXPECT_EQ(cellValue(shot, 1, 3), "Glass Harbour");
    EXPECT_EQ(cellValue(shot, 2, 3), "Mira Okonkwo");
    EXPECT_EQ(cellValue(shot, 3, 3), "1999");
    EXPECT_EQ(cellKind(shot, 3, 3), "text");
    EXPECT_EQ(cellValue(shot, 4, 3), "/Music/glass.flac");
    EXPECT_EQ(cellValue(shot, 1, 2), "");

    // Control: rows 15 to 17 in every deck column, channels 0 to 2.
    for (int col = 1; col <= 4; ++col)
    {
        EXPECT_EQ(cellValue(shot, 15, col), 0.25);
        EXPECT_EQ(cellValue(shot, 16, col), 0.75);
        EXPECT_EQ(cellValue(shot, 17, col), 0.5);
    }
    EXPECT_EQ(channel(shot, 0), 0.25);
    EXPECT_EQ(channel(shot, 1), 0.75);
    EXPECT_EQ(channel(shot, 2), 0.5);

    // Events: one row each below "Crossfader", value in column 1.
    const int drop = rowLabelled(shot, "Drop");
    const int cue = rowLabelled(shot, "Cue");
    ASSERT_GE(drop, 18);
    ASSERT_GE(cue, 18);
    EXPECT_EQ(cellValue(shot, drop, 1), 1.0);
    EXPECT_EQ(cellValue(shot, cue, 1), 44.0);
    EXPECT_EQ(cellKind(shot, cue, 2), "empty");

    monitor->requestStop();
    EXPECT_EQ(monitor->finish(Millis(5000)), 0);
}

TEST(MonitorSend, BrokenPayloadBecomesTheNodesErrorOrWarningText)
{
    const uint16_t port = freeUdpPort();
    auto monitor = startMonitor(port);
    ASSERT_NE(monitor->out().find("\"connected\":true"), std::string::npos) << monitor->err();
    send({"send", "--hex", "01 82 a4 44 65 63", "--to", loopbackText(port)});
    send({"send", "--hex", "00 c1", "--to", loopbackText(port)});
    const bool shown = monitor->waitFor(
        [](const std::string& out)
        {
            const nlohmann::json shot = latest(out);
            return shot.value("error", "") == "end of buffer." &&
                   shot.value("warning", "") == "format error.";
        },
        Millis(8000));
    EXPECT_TRUE(shown) << latest(monitor->out()).dump();
    monitor->requestStop();
    EXPECT_EQ(monitor->finish(Millis(5000)), 0);
}

// The JSON's "info" is the node's Info CHOP and Info DAT: each datagram counted where the node
// put it, the sender named, the age of a deck never heard -1.
TEST(MonitorSend, TheInfoObjectCountsWhatTheNodeDidWithEachDatagram)
{
    const uint16_t port = freeUdpPort();
    auto monitor = startMonitor(port);
    ASSERT_NE(monitor->out().find("\"connected\":true"), std::string::npos) << monitor->err();
    LoopbackSocket sender;
    orv::net::Endpoint node;
    ASSERT_TRUE(orv::net::makeEndpoint("127.0.0.1", port, node));
    // Deck = 1 twice, a type no node knows, a Deck datagram cut short.
    for (const std::string& datagram : {std::string("\x01\x81\xa4"
                                                    "Deck\x01",
                                                    8),
                                        std::string("\x01\x81\xa4"
                                                    "Deck\x01",
                                                    8),
                                        std::string("\x09\x80", 2), std::string("\x01\x82", 2)})
    {
        std::string error;
        ASSERT_TRUE(sender.sendTo(node, datagram.data(), datagram.size(), error)) << error;
    }
    const auto info = [](const std::string& out)
    { return latest(out).value("info", nlohmann::json::object()); };
    const bool counted = monitor->waitFor(
        [&](const std::string& out)
        {
            const nlohmann::json channels = info(out).value("channels", nlohmann::json::object());
            return channels.value("datagrams", 0.0) == 2.0 &&
                   channels.value("ignored", 0.0) == 1.0 &&
                   channels.value("decode_errors", 0.0) == 1.0;
        },
        Millis(8000));
    const nlohmann::json shown = info(monitor->out());
    ASSERT_TRUE(counted) << shown.dump();
    EXPECT_EQ(shown.at("channels").at("filtered"), 0.0);
    EXPECT_GE(shown.at("channels").at("deck1_age").get<double>(), 0.0);
    EXPECT_EQ(shown.at("channels").at("deck2_age"), -1.0);
    EXPECT_EQ(shown.at("rows").at("last_sender"), sender.localEndpoint().text());
    EXPECT_EQ(shown.at("rows").at("bound_port"), std::to_string(port));
    monitor->requestStop();
    EXPECT_EQ(monitor->finish(Millis(5000)), 0);
}

bool hasNote(const nlohmann::json& shot, const std::string& part)
{
    for (const nlohmann::json& note : shot.at("notes"))
    {
        if (note.get<std::string>().find(part) != std::string::npos)
            return true;
    }
    return false;
}

TEST(MonitorSend, SilenceIsExplainedWithInterfacesBindingAndCauses)
{
    // A filter that the sender does not match: what it sends never shows.
    const uint16_t port = freeUdpPort();
    auto monitor = startMonitor(port, {"--filter", "127.0.0.2", "--silence", "1"});
    ASSERT_NE(monitor->out().find("\"connected\":true"), std::string::npos) << monitor->err();
    send({"send", "deck", "Deck=1", "BPM=120.0", "--to", loopbackText(port)});
    const bool explained = monitor->waitForText("Nothing has arrived", Millis(8000));
    monitor->requestStop();
    monitor->finish(Millis(5000));
    ASSERT_TRUE(explained) << monitor->out().substr(0, 2000);

    const nlohmann::json shot = latest(monitor->out());
    EXPECT_EQ(cellValue(shot, 10, 1), 0.0);
    EXPECT_TRUE(hasNote(shot, "listens on UDP " + loopbackText(port)));
    EXPECT_TRUE(hasNote(shot, "only from 127.0.0.2"));
    EXPECT_TRUE(hasNote(shot, "IPv4 interfaces of this machine"));
    EXPECT_TRUE(hasNote(shot, "127.0.0.1 ")) << "the loopback interface is listed";
    EXPECT_TRUE(hasNote(shot, "firewall"));
    EXPECT_TRUE(hasNote(shot, "the filter 127.0.0.2"));
    EXPECT_TRUE(hasNote(shot, "239.0.0.1"));
    EXPECT_TRUE(hasNote(shot, "another program holds port " + std::to_string(port)));
}

TEST(MonitorSend, PortInUseShowsTheNodesErrorAndItsMeaning)
{
    const LoopbackSocket holder;
    ASSERT_TRUE(holder.isOpen());
    const uint16_t port = holder.localEndpoint().port;

    const ToolRun run = runTool({"monitor", "--port", std::to_string(port), "--once", "--json",
                                 "--duration", "1.2", "--silence", "0.5"});
    // The node could not bind: the monitor could not do its job.
    ASSERT_EQ(run.status, 1) << run.err;
    EXPECT_TRUE(run.err.find("orv monitor: the node is not connected: Error Creating Socket: ") !=
                std::string::npos)
        << run.err;
    const nlohmann::json shot = latest(run.out);
    EXPECT_FALSE(shot.at("connected").get<bool>());
    EXPECT_EQ(shot.at("error").get<std::string>().rfind("Error Creating Socket: ", 0), 0u);
    // The node's failure is no datagram: the silence is still explained.
    EXPECT_TRUE(hasNote(shot, "The node is NOT connected: Error Creating Socket: "));
    EXPECT_TRUE(hasNote(shot, "on this system"));
    EXPECT_TRUE(hasNote(shot, "set to listen on UDP " + loopbackText(port)));
}

// A port held by another program: the monitor says who holds it and keeps trying, as a node
// with "Active" on does, and connects once the port is free.
TEST(MonitorSend, ATakenPortIsTriedAgainUntilItIsFree)
{
    LoopbackSocket holder;
    ASSERT_TRUE(holder.bound()) << holder.error();
    const uint16_t port = holder.localEndpoint().port;
    ToolProcess monitor({"monitor", "--port", std::to_string(port), "--json", "--refresh", "0.2",
                         "--duration", "20"});
    const auto retrying = [](const std::string& out)
    {
        const nlohmann::json shot = latest(out);
        return shot.contains("notes") && hasNote(shot, "tries again every 2 s");
    };
    ASSERT_TRUE(monitor.waitFor(retrying, kStartup)) << monitor.err();
    const nlohmann::json waiting = latest(monitor.out());
    EXPECT_FALSE(waiting.at("connected").get<bool>());
#ifdef __linux__
    EXPECT_TRUE(hasNote(waiting, "port " + std::to_string(port) + " is taken by ")) << waiting;
    EXPECT_TRUE(hasNote(waiting, ", process " + std::to_string(::getpid()))) << waiting;
#endif

    holder.close();
    EXPECT_TRUE(monitor.waitFor(
        [](const std::string& out) { return latest(out).value("connected", false); }, Millis(8000)))
        << latest(monitor.out());
    EXPECT_FALSE(hasNote(latest(monitor.out()), "tries again"));
    monitor.requestStop();
    EXPECT_EQ(monitor.finish(Millis(5000)), 0) << monitor.err();
}

// send warns about whatever a node would read otherwise than written, and sends it all the
// same; a key that carries text takes its value as text.
TEST(Send, WarnsAboutWhatANodeReadsOtherwise)
{
    const LoopbackSocket sink;
    const std::string to = sink.localEndpoint().text();
    const auto warnings = [](const ToolRun& run)
    {
        size_t count = 0;
        for (const std::string& line : lines(run.err))
            count += line.rfind("orv send: warning: ", 0) == 0 ? 1 : 0;
        return count;
    };

    const ToolRun lowerCase = runTool({"send", "deck", "deck=2", "bpm=124", "--to", to});
    EXPECT_EQ(lowerCase.status, 0);
    EXPECT_EQ(lowerCase.out.rfind("sent 13 bytes", 0), 0u) << lowerCase.out;
    EXPECT_NE(lowerCase.err.find("\"bpm\" is no Deck key: a node ignores it (the key is "
                                 "\"BPM\")"),
              std::string::npos)
        << lowerCase.err;
    EXPECT_NE(lowerCase.err.find("a node drops the datagram: deck 0 is not 1 to 4"),
              std::string::npos);
    EXPECT_EQ(warnings(lowerCase), 3u) << lowerCase.err;

    const ToolRun title = runTool({"send", "meta", "Deck=1", "Title=1999", "Artist=Mira",
                                   "Album=1999", "Filepath=/a.flac", "--to", to});
    EXPECT_EQ(title.status, 0);
    EXPECT_NE(title.out.find("a5 54 69 74 6c 65 a4 31 39 39 39"), std::string::npos) << title.out;
    EXPECT_EQ(title.err, "");

    // A partial record replaces the whole slot, and an event needs a name: said, and sent.
    const ToolRun partial = runTool({"send", "deck", "Deck=2", "BPM=124.0", "--to", to});
    EXPECT_EQ(partial.status, 0);
    EXPECT_EQ(warnings(partial), 1u) << partial.err;
    EXPECT_NE(partial.err.find("replaces its deck's whole record: what it leaves out (Pitch, "),
              std::string::npos)
        << partial.err;
    const ToolRun unnamed = runTool({"send", "event", "Event=", "Value=1", "--to", to});
    EXPECT_EQ(unnamed.status, 0);
    EXPECT_EQ(unnamed.out.rfind("sent ", 0), 0u);
    EXPECT_NE(unnamed.err.find("warning: the event has no name"), std::string::npos) << unnamed.err;

    const ToolRun kinds = runTool({"send", "control", "Active=true", "Crossfader=x", "--to", to});
    EXPECT_EQ(warnings(kinds), 3u) << kinds.err;
    EXPECT_NE(kinds.err.find("\"Active\" holds bool true: a node reads a number there"),
              std::string::npos);

    const ToolRun cut = runTool({"send", "--hex", "01 82 a4 44", "--to", to});
    EXPECT_EQ(cut.status, 0);
    EXPECT_NE(cut.err.find("does not decode (\"end of buffer.\"): a node shows that as its "
                           "error text"),
              std::string::npos)
        << cut.err;
    EXPECT_NE(runTool({"send", "7", "--to", to}).err.find("a node ignores a datagram of type 7"),
              std::string::npos);
    EXPECT_EQ(runTool({"send", "event", "Event=Drop", "Value=1", "--to", to}).err, "");
}

} // namespace
} // namespace orvtooltest
