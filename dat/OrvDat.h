// The table operator: the host's side of an OrvReceiver. It declares the node's parameters,
// turns the "Reconnect" and "Reset" pulses into disconnect/connect, hands the receiver's error
// and warning texts to the host, and on every cook copies the parameters into the receiver
// and writes the received state as a table (TableCook.cpp).
//
// The channel operators read the same object as an OrvReceiver, so what OrvDat adds is only
// for its own cook: the buffers it copies into, reused from cook to cook. The host calls every
// operation on its cook thread, one at a time; the texts and the filter, which the receive
// thread shares, go through the store.
#pragma once

#include "receiver/OrvReceiver.h"

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

private:
    void copyParameters(const TD::OP_Inputs& inputs);

    // Kept from cook to cook so that their strings and the event vector keep their capacity:
    // a steady stream of cooks allocates nothing for them.
    ReceiverSnapshot cookSnapshot_;
    std::string handedText_;
};
