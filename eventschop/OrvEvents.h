// The events operator: one channel per named event of the table operator that its "Orvdat"
// parameter names, in the order the names first arrived, holding the event's latest value, a
// pulse on the first cook after one or more of its datagrams, or how many datagrams set it
// ("Output"); with "Track Changes", four channels before them for the decks' track changes.
// Channel names are in EventChannelNames.h, what the node keeps between cooks in
// EventChannels.h.
//
// It reaches the receiver the way the other channel operators do: looked up again on every
// cook, only a table operator of our own type, nothing written while it is not connected. The
// receiver is read once per cook, in getOutputInfo, since the event count decides the channel
// count; getChannelName and execute then show that one reading. The host calls everything on
// its cook thread.
#pragma once

#include "EventChannels.h"

#include "plugin/VersionedChop.h"
#include "receiver/ReceiverSnapshot.h"

#include "CHOP_CPlusPlusBase.h"

#include <cstdint>

class OrvEvents : public orvplugin::VersionedChop
{
public:
    explicit OrvEvents(const TD::OP_NodeInfo*) {}

    void getGeneralInfo(TD::CHOP_GeneralInfo* info, const TD::OP_Inputs* inputs,
                        void* reserved1) override;
    bool getOutputInfo(TD::CHOP_OutputInfo* info, const TD::OP_Inputs* inputs,
                       void* reserved1) override;
    void getChannelName(int32_t index, TD::OP_String* name, const TD::OP_Inputs* inputs,
                        void* reserved1) override;
    void execute(TD::CHOP_Output* output, const TD::OP_Inputs* inputs, void* reserved1) override;
    void setupParameters(TD::OP_ParameterManager* manager, void* reserved1) override;

private:
    // This cook's reading of the receiver behind "Orvdat", or none.
    void readReceiver(const TD::OP_Inputs& inputs);
    int32_t channelCount() const;

    EventState state_; // this cook's reading, kept so its vector and names are reused
    orvevents::EventChannels channels_;
    bool found_ = false;  // whether "Orvdat" led to a receiver this cook
    bool tracks_ = false; // "Track Changes" as getOutputInfo found it this cook
};
