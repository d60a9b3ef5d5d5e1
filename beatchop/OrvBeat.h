// The beat operator: the per-frame beat clock of one deck, of all four, or of the one the
// audience hears (On Air, see beat/OnAirDeck.h), of the table
// operator that its "Orvdat" parameter names (channels in BeatChannels.h, the clock itself in
// beat/BeatTracker.h).
//
// It reaches the receiver the way the channel operator does: looked up again on every cook,
// only a table operator of our own type, nothing written while it is not connected. Unlike
// the channel operator it keeps state between cooks, the clocks: they start again when the
// reference, the deck choice or the receiver behind it changes. The host calls everything on
// its cook thread.
#pragma once

#include "BeatChannels.h"

#include "beat/BeatTracker.h"
#include "beat/OnAirDeck.h"
#include "plugin/VersionedChop.h"
#include "protocol/NodeLayout.h"
#include "receiver/ReceiverSnapshot.h"

#include "CHOP_CPlusPlusBase.h"

#include <array>
#include <optional>
#include <utility>

class OrvReceiver;

class OrvBeat : public orvplugin::VersionedChop
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

private:
    // On Air: the deck followed and the mix, from the clocks of all four and the mixer.
    void followOnAir(const TD::OP_Inputs& inputs, double nowSeconds, orvbeat::ShownFrames& shown);

    std::array<orvbeat::BeatTracker, orvlayout::kDeckCount> trackers_;
    std::array<orvbeat::BeatOutput, orvlayout::kDeckCount> frames_; // this cook's, per deck
    orvbeat::OnAirDeck onAir_;
    DeckHistory history_;                   // the receiver's copy, kept to spare the cook's stack
    const OrvReceiver* followed_ = nullptr; // the receiver the clocks follow
    int followedDeckItem_ = -1;             // and the "Deck" item they were made for
    // The (On Air, Phrase) the parameters were last enabled for.
    std::optional<std::pair<bool, bool>> enabledFor_;
};
