// The beat operator: the per-frame beat clock of one deck, or of all four, of the table
// operator that its "Orvdat" parameter names (channels in BeatChannels.h, the clock itself in
// beat/BeatTracker.h).
//
// It reaches the receiver the way the channel operator does: looked up again on every cook,
// only a table operator of our own type, nothing written while it is not connected. Unlike
// the channel operator it keeps state between cooks, the clocks: they start again when the
// reference, the deck choice or the receiver behind it changes. The host calls everything on
// its cook thread.
#pragma once

#include "beat/BeatTracker.h"
#include "plugin/VersionInfo.h"
#include "protocol/NodeLayout.h"
#include "receiver/ReceiverSnapshot.h"

#include "CHOP_CPlusPlusBase.h"

#include <array>

class OrvReceiver;

class OrvBeat : public TD::CHOP_CPlusPlusBase
{
public:
    explicit OrvBeat(const TD::OP_NodeInfo*) {}

    void getGeneralInfo(TD::CHOP_GeneralInfo* info, const TD::OP_Inputs* inputs,
                        void* reserved1) override;
    bool getOutputInfo(TD::CHOP_OutputInfo* info, const TD::OP_Inputs* inputs,
                       void* reserved1) override;
    void getChannelName(int32_t index, TD::OP_String* name, const TD::OP_Inputs* inputs,
                        void* reserved1) override;
    void execute(TD::CHOP_Output* output, const TD::OP_Inputs* inputs, void* reserved1) override;
    void setupParameters(TD::OP_ParameterManager* manager, void* reserved1) override;

    // The Info DAT: the build's version, as every bundle shows it.
    bool getInfoDATSize(TD::OP_InfoDATSize* size, void*) override
    {
        return orvplugin::versionInfoSize(size);
    }
    void getInfoDATEntries(int32_t index, int32_t nEntries, TD::OP_InfoDATEntries* entries,
                           void*) override
    {
        orvplugin::versionInfoEntries(index, nEntries, entries);
    }

private:
    std::array<orvbeat::BeatTracker, orvlayout::deckCount> trackers_;
    DeckHistory history_;                   // the receiver's copy, kept to spare the cook's stack
    const OrvReceiver* followed_ = nullptr; // the receiver the clocks follow
    int followedDeckItem_ = -1;             // and the "Deck" item they were made for
};
