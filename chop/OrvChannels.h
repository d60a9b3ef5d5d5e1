// The channel operator: 48 one-sample channels holding the mixer faders and the playback
// values of the four decks of the table operator that its "Orvdat" parameter names. Its
// "Channelnames" menu names them all "chan1", as the host does by default, or descriptively
// (ChannelNames.h); indices and values are the same in both.
//
// It owns nothing and keeps nothing between cooks: every cook looks the referenced receiver
// up again through the host, so pointing the parameter elsewhere, or deleting the table
// operator, takes effect on the next cook, and reads it once, so that the 48 channels of one
// frame come from one moment. Only a table operator of our own type is read; for anything
// else the cook writes nothing. The host calls everything on its cook thread.
#pragma once

#include "plugin/VersionedChop.h"

#include "CHOP_CPlusPlusBase.h"

class OrvChannels : public orvplugin::VersionedChop
{
public:
    explicit OrvChannels(const TD::OP_NodeInfo*) {}

    void getGeneralInfo(TD::CHOP_GeneralInfo* info, const TD::OP_Inputs* inputs,
                        void* reserved1) override;
    bool getOutputInfo(TD::CHOP_OutputInfo* info, const TD::OP_Inputs* inputs,
                       void* reserved1) override;
    void getChannelName(int32_t index, TD::OP_String* name, const TD::OP_Inputs* inputs,
                        void* reserved1) override;
    void execute(TD::CHOP_Output* output, const TD::OP_Inputs* inputs, void* reserved1) override;
    void setupParameters(TD::OP_ParameterManager* manager, void* reserved1) override;
};
