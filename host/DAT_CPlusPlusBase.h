// Our declarations of the host's table-operator (DAT) plug-in API, interface version 65540
// (family 4, common 1). See CPlusPlus_Common.h for what these declarations promise.

#pragma once

#include "CPlusPlus_Common.h"

class DAT_CPlusPlus;

namespace TD
{

#pragma pack(push, 8)

const int32_t DATCPlusPlusAPIVersion = 4 | (OP_CommonAPIVersion << 16);

// In this generation the version is private: a plug-in sets it with setAPIVersion, which also
// tells whether the host supports it. The host (DAT_CPlusPlus) fills the supported range.
class DAT_PluginInfo
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

    friend class ::DAT_CPlusPlus;
};

class DAT_GeneralInfo
{
public:
    // Cook on every frame, whether or not anything the node depends on changed.
    bool cookEveryFrame;
    // Cook every frame while something asks for the node's output.
    bool cookEveryFrameIfAsked;

private:
    int32_t reserved[20];
};

enum class DAT_OutDataType
{
    Table = 0,
    Text,
};

class DAT_Output
{
public:
    DAT_Output() {}
    ~DAT_Output() {}

    // Call first, before any size or cell.
    virtual void setOutputDataType(DAT_OutDataType type) = 0;
    virtual DAT_OutDataType getOutputDataType() = 0;
    virtual void setTableSize(const int32_t rows, const int32_t cols) = 0;
    virtual void getTableSize(int32_t* rows, int32_t* cols) = 0;
    virtual bool setText(const char* str) = 0;
    virtual int32_t findRow(const char* rowName, int32_t hint32_tRowIndex = -1) = 0;
    virtual int32_t findCol(const char* colName, int32_t hintColIndex = -1) = 0;
    virtual bool setCellString(int32_t row, int32_t col, const char* str) = 0;
    virtual bool setCellInt(int32_t row, int32_t col, int32_t value) = 0;
    virtual bool setCellDouble(int32_t row, int32_t col, double value) = 0;
    virtual const char* getCellString(int32_t row, int32_t col) = 0;
    virtual bool getCellInt(int32_t row, int32_t col, int32_t* res) = 0;
    virtual bool getCellDouble(int32_t row, int32_t col, double* res) = 0;

private:
    int32_t reserved[20];
};

class DAT_CPlusPlusBase
{
protected:
    DAT_CPlusPlusBase() {}

public:
    virtual ~DAT_CPlusPlusBase() {}

    virtual void getGeneralInfo(DAT_GeneralInfo*, const OP_Inputs*, void* reserved1) {}
    virtual void execute(DAT_Output*, const OP_Inputs*, void* reserved1) = 0;
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

static_assert(sizeof(DAT_PluginInfo) == 944, "DAT_PluginInfo layout");
static_assert(sizeof(DAT_GeneralInfo) == 84, "DAT_GeneralInfo layout");

#pragma pack(pop)

} // namespace TD
