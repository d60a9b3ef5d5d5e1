// Our declarations of the host's channel-operator (CHOP) plug-in API, interface version 65546
// (family 10, common 1). See CPlusPlus_Common.h for what these declarations promise.

#pragma once

#include "CPlusPlus_Common.h"

class CHOP_CPlusPlus;

namespace TD
{

#pragma pack(push, 8)

const int32_t CHOPCPlusPlusAPIVersion = 10 | (OP_CommonAPIVersion << 16);

class CHOP_PluginInfo
{
public:
    [[nodiscard]] int32_t getAPIVersion() const { return apiVersion; }

    [[nodiscard]] bool setAPIVersion(int32_t version)
    {
        apiVersion = version;
        return isAPIVersionSupported(version);
    }

    [[nodiscard]] bool isAPIVersionSupported(int32_t version)
    {
        return checkAPIVersionSupported(version, MinAPIVersion, MaxAPIVersion);
    }

private:
    int32_t apiVersion = 0;
    int32_t reserved[100];

public:
    OP_CustomOPInfo customOPInfo;

private:
    int32_t MinAPIVersion = 0;
    int32_t MaxAPIVersion = 0;
    int32_t reserved2[18];

    friend class ::CHOP_CPlusPlus;
};

class CHOP_GeneralInfo
{
public:
    bool cookEveryFrame;
    bool cookEveryFrameIfAsked;
    bool timeslice;
    int32_t inputMatchIndex;
    int32_t reserved[20];
};

// The host fills this with what it would output if getOutputInfo answered false.
class CHOP_OutputInfo
{
public:
    int32_t numChannels;
    int32_t numSamples;
    uint32_t startIndex;
    float sampleRate;
    void* reserved1;
    int32_t reserved[20];
};

class CHOP_Output
{
public:
    CHOP_Output(int32_t nc, int32_t l, float s, uint32_t st, float** cs, const char** ns)
        : numChannels(nc), numSamples(l), sampleRate(s), startIndex(st), names(ns), channels(cs)
    {
        memset(reserved, 0, sizeof(reserved));
    }

    const int32_t numChannels;
    const int32_t numSamples;
    const float sampleRate;
    const uint32_t startIndex;
    const char** const names;
    // channels[c][s]: sample s of channel c, allocated by the host.
    float** const channels;
    int32_t reserved[20];
};

class CHOP_CPlusPlusBase
{
protected:
    CHOP_CPlusPlusBase() {}
    virtual ~CHOP_CPlusPlusBase() {}

public:
    virtual void getGeneralInfo(CHOP_GeneralInfo*, const OP_Inputs* inputs, void* reserved1) {}
    virtual bool getOutputInfo(CHOP_OutputInfo*, const OP_Inputs* inputs, void* reserved1)
    {
        return false;
    }
    virtual void getChannelName(int32_t index, OP_String* name, const OP_Inputs* inputs,
                                void* reserved1)
    {
        name->setString("chan1");
    }
    virtual void execute(CHOP_Output* outputs, const OP_Inputs* inputs, void* reserved1) = 0;
    virtual int32_t getNumInfoCHOPChans(void* reserved1) { return 0; }
    virtual void getInfoCHOPChan(int32_t index, OP_InfoCHOPChan* chan, void* reserved1) {}
    virtual bool getInfoDATSize(OP_InfoDATSize* infoSize, void* reserved1) { return false; }
    virtual void getInfoDATEntries(int32_t index, int32_t nEntries, OP_InfoDATEntries* entries,
                                   void* reserved1)
    {
    }
    virtual void getWarningString(OP_String* warning, void* reserved1) {}
    virtual void getErrorString(OP_String* error, void* reserved1) {}
    virtual void getInfoPopupString(OP_String* info, void* reserved1) {}
    virtual void setupParameters(OP_ParameterManager* manager, void* reserved1) {}
    virtual void pulsePressed(const char* name, void* reserved1) {}
    virtual void buildDynamicMenu(const OP_Inputs* inputs, OP_BuildDynamicMenuInfo* info,
                                  void* reserved1)
    {
    }

private:
    virtual int32_t reservedFunc6() { return 0; }
    virtual int32_t reservedFunc7() { return 0; }
    virtual int32_t reservedFunc8() { return 0; }
    virtual int32_t reservedFunc9() { return 0; }
    virtual int32_t reservedFunc10() { return 0; }
    virtual int32_t reservedFunc11() { return 0; }
    virtual int32_t reservedFunc12() { return 0; }
    virtual int32_t reservedFunc13() { return 0; }
    virtual int32_t reservedFunc14() { return 0; }
    virtual int32_t reservedFunc15() { return 0; }
    virtual int32_t reservedFunc16() { return 0; }
    virtual int32_t reservedFunc17() { return 0; }
    virtual int32_t reservedFunc18() { return 0; }
    virtual int32_t reservedFunc19() { return 0; }
    virtual int32_t reservedFunc20() { return 0; }

    int32_t reserved[400];
};

static_assert(sizeof(CHOP_PluginInfo) == 944, "CHOP_PluginInfo layout");
static_assert(sizeof(CHOP_GeneralInfo) == 88, "CHOP_GeneralInfo layout");
static_assert(sizeof(CHOP_OutputInfo) == 104, "CHOP_OutputInfo layout");
static_assert(sizeof(CHOP_Output) == 112, "CHOP_Output layout");

#pragma pack(pop)

} // namespace TD
