// A test-only channel plug-in for the harness's own tests. Channel c, sample s holds
// Start + Step * (c * Samples + s), except channel "Skip", which it never writes. Its
// warning text tells what the "Source" DAT reference resolved to ("none", "builtin",
// "custom:<opType>"). With "Logcalls" on, both texts are the calls of the cook so far. Its Info
// CHOP has one channel per output channel ("info<c>" = c); its Info DAT, filled column by
// column, is 2 rows of "Channels" cells ("r<row>c<column>").
#include "CHOP_CPlusPlusBase.h"
#include "plugin/PluginExport.h"

#include <string>

#define RAMP_EXPORT ORV_PLUGIN_EXPORT

namespace
{

class RampChop final : public TD::CHOP_CPlusPlusBase
{
public:
    ~RampChop() override = default;

    void getGeneralInfo(TD::CHOP_GeneralInfo*, const TD::OP_Inputs* inputs, void*) override
    {
        // Leaves cookEveryFrame as the host gave it.
        calls_ = "getGeneralInfo";
        logCalls_ = inputs->getParInt("Logcalls") != 0;
    }

    bool getOutputInfo(TD::CHOP_OutputInfo* info, const TD::OP_Inputs* inputs, void*) override
    {
        calls_ += " getOutputInfo";
        if (inputs->getParInt("Shape") == 0)
            return false;
        info->numChannels = channels_ = inputs->getParInt("Channels");
        info->numSamples = inputs->getParInt("Samples");
        info->sampleRate = 30.0f;
        info->startIndex = 5;
        return true;
    }

    void getChannelName(int32_t index, TD::OP_String* name, const TD::OP_Inputs*, void*) override
    {
        calls_ += " getChannelName";
        name->setString(("ramp" + std::to_string(index)).c_str());
    }

    void execute(TD::CHOP_Output* output, const TD::OP_Inputs* inputs, void*) override
    {
        calls_ += " execute";
        const double start = inputs->getParDouble("Start");
        const double step = inputs->getParDouble("Step");
        const int32_t skip = inputs->getParInt("Skip");
        for (int32_t c = 0; c < output->numChannels; ++c)
        {
            if (c == skip)
                continue;
            for (int32_t s = 0; s < output->numSamples; ++s)
                output->channels[c][s] =
                    static_cast<float>(start + step * (c * output->numSamples + s));
        }

        const TD::OP_DATInput* source = inputs->getParDAT("Source");
        if (source == nullptr)
            seen_ = "none";
        else if (source->customOP == nullptr)
            seen_ = "builtin";
        else
            seen_ = std::string("custom:") + source->customOP->opType;
    }

    void getWarningString(TD::OP_String* warning, void*) override
    {
        calls_ += " getWarningString";
        warning->setString(logCalls_ ? calls_.c_str() : seen_.c_str());
    }

    void getErrorString(TD::OP_String* error, void*) override
    {
        calls_ += " getErrorString";
        if (logCalls_)
            error->setString(calls_.c_str());
    }

    int32_t getNumInfoCHOPChans(void*) override { return channels_; }

    void getInfoCHOPChan(int32_t index, TD::OP_InfoCHOPChan* chan, void*) override
    {
        chan->name->setString(("info" + std::to_string(index)).c_str());
        chan->value = static_cast<float>(index);
    }

    bool getInfoDATSize(TD::OP_InfoDATSize* size, void*) override
    {
        size->rows = 2;
        size->cols = channels_;
        size->byColumn = true;
        return true;
    }

    void getInfoDATEntries(int32_t index, int32_t nEntries, TD::OP_InfoDATEntries* entries,
                           void*) override
    {
        for (int32_t row = 0; row < nEntries; ++row)
            entries->values[row]->setString(
                ("r" + std::to_string(row) + "c" + std::to_string(index)).c_str());
    }

    void setupParameters(TD::OP_ParameterManager* manager, void*) override
    {
        struct Numeric
        {
            const char* name;
            double value;
        };
        for (const Numeric& p :
             {Numeric{"Channels", 3}, Numeric{"Samples", 2}, Numeric{"Skip", -1}})
        {
            TD::OP_NumericParameter np(p.name);
            np.label = p.name;
            np.defaultValues[0] = p.value;
            np.minValues[0] = -1;
            np.maxValues[0] = 64;
            manager->appendInt(np, 1);
        }
        for (const Numeric& p : {Numeric{"Start", 0.5}, Numeric{"Step", 1}})
        {
            TD::OP_NumericParameter np(p.name);
            np.label = p.name;
            np.defaultValues[0] = p.value;
            manager->appendFloat(np, 1);
        }
        TD::OP_NumericParameter shape("Shape");
        shape.defaultValues[0] = 1;
        manager->appendToggle(shape);
        TD::OP_NumericParameter logCalls("Logcalls");
        manager->appendToggle(logCalls);
        TD::OP_StringParameter source("Source");
        source.defaultValue = "";
        manager->appendDAT(source);
    }

private:
    std::string calls_;
    std::string seen_;
    bool logCalls_ = false;
    int32_t channels_ = 0; // as the last cook declared
};

} // namespace

extern "C"
{

    RAMP_EXPORT void FillCHOPPluginInfo(TD::CHOP_PluginInfo* info)
    {
        if (!info->setAPIVersion(TD::CHOPCPlusPlusAPIVersion))
            return;
        info->customOPInfo.opType->setString("Ramp");
        info->customOPInfo.opLabel->setString("Ramp");
        info->customOPInfo.authorName->setString("Harness Tests");
        info->customOPInfo.authorEmail->setString("tests@example.org");
    }

    RAMP_EXPORT TD::CHOP_CPlusPlusBase* CreateCHOPInstance(const TD::OP_NodeInfo*)
    {
        return new RampChop();
    }

    RAMP_EXPORT void DestroyCHOPInstance(TD::CHOP_CPlusPlusBase* instance)
    {
        delete static_cast<RampChop*>(instance);
    }

} // extern "C"
