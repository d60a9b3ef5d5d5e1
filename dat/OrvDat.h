// The table operator: the host's side of an OrvReceiver. It declares the node's parameters,
// turns the "Reconnect" and "Reset" pulses into disconnect/connect, keeps the node connected
// while "Active" is on (Active.cpp), hands the receiver's error and warning texts to the host,
// on every cook copies the parameters into the receiver and writes the received state as a
// table (TableCook.cpp), and shows how reception goes in its Info CHOP and Info DAT
// (InfoOutputs.cpp).
//
// The channel operators read the same object as an OrvReceiver, so what OrvDat adds is only
// for its own cook: the buffers it copies into, reused from cook to cook. The host calls every
// operation on its cook thread, one at a time; the texts and the filter, which the receive
// thread shares, go through the store.
#pragma once

#include "receiver/OrvReceiver.h"

#include <chrono>
#include <cstdint>
#include <string>

class OrvDat final : public OrvReceiver
{
public:
    explicit OrvDat(const TD::OP_NodeInfo* info);

    void getGeneralInfo(TD::DAT_GeneralInfo* info, const TD::OP_Inputs* inputs,
                        void* reserved1) override;
    void execute(TD::DAT_Output* output, const TD::OP_Inputs* inputs, void* reserved1) override;
    void getWarningString(TD::OP_String* warning, void* reserved1) override;
    void getErrorString(TD::OP_String* error, void* reserved1) override;
    void setupParameters(TD::OP_ParameterManager* manager, void* reserved1) override;
    void pulsePressed(const char* name, void* reserved1) override;

    int32_t getNumInfoCHOPChans(void* reserved1) override;
    void getInfoCHOPChan(int32_t index, TD::OP_InfoCHOPChan* chan, void* reserved1) override;
    bool getInfoDATSize(TD::OP_InfoDATSize* infoSize, void* reserved1) override;
    void getInfoDATEntries(int32_t index, int32_t nEntries, TD::OP_InfoDATEntries* entries,
                           void* reserved1) override;

private:
    using Clock = std::chrono::steady_clock;

    // What a connect used: a change of any of them while "Active" is on connects again.
    struct ConnectSettings
    {
        std::string ip;
        std::uint32_t port = 0;
        bool multicast = false;
    };

    void copyParameters(const TD::OP_Inputs& inputs);
    // "Active": connects, reconnects or disconnects as the toggle and the settings ask.
    void keepActive(bool active);
    // disconnect, connect, and note what and when for keepActive.
    void reconnectNow();

    // Kept from cook to cook so that their strings and the event vector keep their capacity:
    // a steady stream of cooks allocates nothing for them.
    ReceiverSnapshot cookSnapshot_;
    std::string handedText_;

    // "Ipfilter" as last copied, and what the node says of it ("" when it is an address).
    std::string ipFilter_;
    std::string ipFilterWarning_;

    // "Active" as the last cook saw it, the last connect, and a connect that "Reset" asked for.
    bool active_ = false;
    ConnectSettings lastConnect_;
    Clock::time_point lastConnectTime_{};
    bool connectAtNextCook_ = false;

    // One read for the host's round of Info CHOP or Info DAT calls, and the text of one cell.
    ReceiverHealth infoHealth_;
    std::string infoText_;
};
