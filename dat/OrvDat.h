// The table operator: the host's side of an OrvReceiver. It declares the node's parameters,
// turns the "Reconnect" and "Reset" pulses into disconnect/connect, hands the receiver's error
// and warning texts to the host, and on every cook copies the parameters into the receiver
// and writes the received state as a table (TableCook.cpp).
//
// It adds no state to the receiver: the channel operator reads the same object as an
// OrvReceiver. The host calls every operation on its cook thread, one at a time; the texts
// and the filter, which the receive thread shares, go through the receiver's locked helpers.
#pragma once

#include "receiver/OrvReceiver.h"

class OrvDat final : public OrvReceiver
{
public:
    explicit OrvDat(const TD::OP_NodeInfo* info);
    ~OrvDat() override;

    void getGeneralInfo(TD::DAT_GeneralInfo* info, const TD::OP_Inputs* inputs,
                        void* reserved1) override;
    void execute(TD::DAT_Output* output, const TD::OP_Inputs* inputs, void* reserved1) override;
    int32_t getNumInfoCHOPChans(void* reserved1) override;
    void getInfoCHOPChan(int32_t index, TD::OP_InfoCHOPChan* chan, void* reserved1) override;
    void getWarningString(TD::OP_String* warning, void* reserved1) override;
    void getErrorString(TD::OP_String* error, void* reserved1) override;
    void setupParameters(TD::OP_ParameterManager* manager, void* reserved1) override;
    void pulsePressed(const char* name, void* reserved1) override;

private:
    void copyParameters(const TD::OP_Inputs& inputs);
    void writeCells(TD::DAT_Output& output) const;
};
