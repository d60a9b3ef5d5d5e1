// Our own declarations of the part of the host's custom-operator API that ORV uses.
// File name, names, signatures, member order and virtual order follow the host's published
// headers of the generation whose interface versions are DAT 4 / CHOP 10 (65540 / 65546), so
// that the plug-in sources compile unchanged against either set. Virtual slots that ORV never
// calls are still declared, in order, so that every object has the host's layout; slots the
// host appended after the last one declared here are left out (appending moves no slot).

#pragma once

#include <cassert>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#define DLLEXPORT __declspec(dllexport)
#define ORV_HOST_CDECL __cdecl
#else
#define DLLEXPORT
#define ORV_HOST_CDECL
#endif

class TOP_CPlusPlus;
struct cudaArray;
struct CUstream_st;
typedef CUstream_st* cudaStream_t;

#ifndef PyObject_HEAD
struct _object;
typedef _object PyObject;
struct _typeobject;
typedef _typeobject PyTypeObject;
struct PyGetSetDef;
struct PyMethodDef;
#endif

namespace TD
{

#pragma pack(push, 8)

class CHOP_PluginInfo;
class CHOP_CPlusPlusBase;
class DAT_PluginInfo;
class DAT_CPlusPlusBase;
class OP_Context;
class OP_TOPInput;
class OP_SOPInput;
class OP_ObjectInput;

const int32_t OP_CommonAPIVersion = 1;

inline int32_t extractFamilyAPIVersion(int32_t v)
{
    return v & 0xFFFF;
}

inline int32_t extractCommonAPIVersion(int32_t v)
{
    return (v >> 16) & 0xFFFF;
}

inline bool checkAPIVersionSupported(int32_t version, int32_t minVersion, int32_t maxVersion)
{
    const int32_t family = extractFamilyAPIVersion(version);
    const int32_t common = extractCommonAPIVersion(version);
    return family >= extractFamilyAPIVersion(minVersion) &&
           family <= extractFamilyAPIVersion(maxVersion) &&
           common >= extractCommonAPIVersion(minVersion) &&
           common <= extractCommonAPIVersion(maxVersion);
}

// A text the host owns; the plug-in only hands it UTF-8 with setString, which copies.
class OP_String
{
protected:
    OP_String() { memset(reserved, 0, sizeof(reserved)); }
    virtual ~OP_String() {}

public:
    virtual void setString(const char* val) = 0;

    int32_t reserved[20];
};

class OP_NodeInfo
{
public:
    const char* opPath;
    uint32_t opId;
#ifdef _WIN32
    HWND mainWindowHandle;
#endif
    const char* pluginPath;
    OP_Context* context;
    uint32_t cookCount;
#ifdef _WIN32
    HINSTANCE processHInstance;
    int32_t reserved[12];
#else
    int32_t reserved[15];
#endif
};

class OP_CustomOPInfo
{
public:
    OP_String* opType;
    OP_String* opLabel;
    OP_String* opIcon;
    int32_t minInputs = 0;
    int32_t maxInputs = 0;
    OP_String* authorName;
    OP_String* authorEmail;
    int32_t majorVersion = 0;
    int32_t minorVersion = 1;
    OP_String* pythonVersion;
    bool cookOnStart = false;
    PyGetSetDef* pythonGetSets = nullptr;
    PyMethodDef* pythonMethods = nullptr;
    const char* pythonDoc = nullptr;
    const char* pythonCallbacksDAT = nullptr;
    int32_t reserved[88];
};

// Gives one custom operator the plug-in instance of another that it references through a
// parameter or an input. customOP is null when the referenced node is not a custom operator.
template <class T> class OP_CustomOPInstance
{
public:
    OP_CustomOPInstance() : instance(nullptr), opType(nullptr), minorVersion(0), majorVersion(0)
    {
        memset(reserved, 0, sizeof(reserved));
    }

    T* instance;
    const char* opType;
    int32_t minorVersion;
    int32_t majorVersion;
    int32_t reserved[50];
};

class OP_TimeInfo
{
public:
    int64_t absFrame;
    double frame;
    double rate;
    double rootFrame;
    double rootRate;
    double deltaFrames;
    double deltaMS;
    int32_t reserved[40];
};

class OP_DATInput
{
public:
    const char* opPath;
    uint32_t opId;
    int32_t numRows;
    int32_t numCols;
    bool isTable;

    const char* getCell(int32_t row, int32_t col) const { return cellData[row * numCols + col]; }

    const char** cellData;
    int64_t totalCooks;
    const OP_CustomOPInstance<DAT_CPlusPlusBase>* customOP;
    int32_t reserved[16];
};

class OP_CHOPInput
{
public:
    const char* opPath;
    uint32_t opId;
    int32_t numChannels;
    int32_t numSamples;
    double sampleRate;
    double startIndex;

    const float* getChannelData(int32_t index) const { return channelData[index]; }
    const char* getChannelName(int32_t index) const { return nameData[index]; }

    const float** channelData;
    const char** nameData;
    int64_t totalCooks;
    const OP_CustomOPInstance<CHOP_CPlusPlusBase>* customOP;
    int32_t reserved[16];
};

class OP_Inputs
{
public:
    virtual int32_t getNumInputs() const = 0;

private:
    virtual const void* getInputTOPOpenGL(int32_t index) const = 0;

public:
    virtual const OP_CHOPInput* getInputCHOP(int32_t index) const = 0;
    virtual const OP_DATInput* getParDAT(const char* name) const = 0;

private:
    virtual const void* getParTOPOpenGL(const char* name) const = 0;

public:
    virtual const OP_CHOPInput* getParCHOP(const char* name) const = 0;
    virtual const OP_ObjectInput* getParObject(const char* name) const = 0;

    virtual double getParDouble(const char* name, int32_t index = 0) const = 0;
    virtual bool getParDouble2(const char* name, double& v0, double& v1) const = 0;
    virtual bool getParDouble3(const char* name, double& v0, double& v1, double& v2) const = 0;
    virtual bool getParDouble4(const char* name, double& v0, double& v1, double& v2,
                               double& v3) const = 0;

    virtual int32_t getParInt(const char* name, int32_t index = 0) const = 0;
    virtual bool getParInt2(const char* name, int32_t& v0, int32_t& v1) const = 0;
    virtual bool getParInt3(const char* name, int32_t& v0, int32_t& v1, int32_t& v2) const = 0;
    virtual bool getParInt4(const char* name, int32_t& v0, int32_t& v1, int32_t& v2,
                            int32_t& v3) const = 0;

    virtual const char* getParString(const char* name) const = 0;
    virtual const char* getParFilePath(const char* name) const = 0;
    virtual bool getRelativeTransform(const char* from_name, const char* to_name,
                                      double matrix[4][4]) const = 0;
    virtual void enablePar(const char* name, bool onoff) const = 0;

    virtual const OP_DATInput* getDAT(const char* path) const = 0;

private:
    virtual const void* getTOPOpenGL(const char* path) const = 0;

public:
    virtual const OP_CHOPInput* getCHOP(const char* path) const = 0;
    virtual const OP_ObjectInput* getObject(const char* path) const = 0;

private:
    virtual void* getTOPDataInCPUMemory(const OP_TOPInput* top, const void* options) const = 0;

public:
    virtual const OP_SOPInput* getParSOP(const char* name) const = 0;
    virtual const OP_SOPInput* getInputSOP(int32_t index) const = 0;
    virtual const OP_SOPInput* getSOP(const char* path) const = 0;
    virtual const OP_DATInput* getInputDAT(int32_t index) const = 0;
    virtual PyObject* getParPython(const char* name) const = 0;
    virtual const OP_TimeInfo* getTimeInfo() const = 0;
    virtual const OP_TOPInput* getTOP(const char* path) const = 0;
    virtual const OP_TOPInput* getInputTOP(int32_t index) const = 0;
    virtual const OP_TOPInput* getParTOP(const char* name) const = 0;
};

class OP_NumericParameter
{
public:
    OP_NumericParameter(const char* iname = nullptr)
    {
        name = iname;
        label = page = nullptr;
        for (int i = 0; i < 4; i++)
        {
            defaultValues[i] = 0.0;
            minSliders[i] = 0.0;
            maxSliders[i] = 1.0;
            minValues[i] = 0.0;
            maxValues[i] = 1.0;
            clampMins[i] = false;
            clampMaxes[i] = false;
        }
        memset(reserved, 0, sizeof(reserved));
    }

    const char* name;
    const char* label;
    const char* page;
    double defaultValues[4];
    double minValues[4];
    double maxValues[4];
    bool clampMins[4];
    bool clampMaxes[4];
    double minSliders[4];
    double maxSliders[4];
    int32_t reserved[20];
};

class OP_StringParameter
{
public:
    OP_StringParameter(const char* iname = nullptr)
    {
        name = iname;
        label = page = defaultValue = nullptr;
        memset(reserved, 0, sizeof(reserved));
    }

    const char* name;
    const char* label;
    const char* page;
    const char* defaultValue;
    int32_t reserved[20];
};

enum class OP_ParAppendResult : int32_t
{
    Success = 0,
    InvalidName,
    InvalidSize,
};

class OP_ParameterManager
{
public:
    virtual OP_ParAppendResult appendFloat(const OP_NumericParameter& np, int32_t size = 1) = 0;
    virtual OP_ParAppendResult appendInt(const OP_NumericParameter& np, int32_t size = 1) = 0;
    virtual OP_ParAppendResult appendXY(const OP_NumericParameter& np) = 0;
    virtual OP_ParAppendResult appendXYZ(const OP_NumericParameter& np) = 0;
    virtual OP_ParAppendResult appendUV(const OP_NumericParameter& np) = 0;
    virtual OP_ParAppendResult appendUVW(const OP_NumericParameter& np) = 0;
    virtual OP_ParAppendResult appendRGB(const OP_NumericParameter& np) = 0;
    virtual OP_ParAppendResult appendRGBA(const OP_NumericParameter& np) = 0;
    virtual OP_ParAppendResult appendToggle(const OP_NumericParameter& np) = 0;
    virtual OP_ParAppendResult appendPulse(const OP_NumericParameter& np) = 0;
    virtual OP_ParAppendResult appendString(const OP_StringParameter& sp) = 0;
    virtual OP_ParAppendResult appendFile(const OP_StringParameter& sp) = 0;
    virtual OP_ParAppendResult appendFolder(const OP_StringParameter& sp) = 0;
    virtual OP_ParAppendResult appendDAT(const OP_StringParameter& sp) = 0;
    virtual OP_ParAppendResult appendCHOP(const OP_StringParameter& sp) = 0;
    virtual OP_ParAppendResult appendTOP(const OP_StringParameter& sp) = 0;
    virtual OP_ParAppendResult appendObject(const OP_StringParameter& sp) = 0;
    virtual OP_ParAppendResult appendMenu(const OP_StringParameter& sp, int32_t nitems,
                                          const char** names, const char** labels) = 0;
    virtual OP_ParAppendResult appendStringMenu(const OP_StringParameter& sp, int32_t nitems,
                                                const char** names, const char** labels) = 0;
    virtual OP_ParAppendResult appendSOP(const OP_StringParameter& sp) = 0;
    virtual OP_ParAppendResult appendPython(const OP_StringParameter& sp) = 0;
    virtual OP_ParAppendResult appendOP(const OP_StringParameter& sp) = 0;
    virtual OP_ParAppendResult appendCOMP(const OP_StringParameter& sp) = 0;
    virtual OP_ParAppendResult appendMAT(const OP_StringParameter& sp) = 0;
    virtual OP_ParAppendResult appendPanelCOMP(const OP_StringParameter& sp) = 0;
    virtual OP_ParAppendResult appendHeader(const OP_StringParameter& sp) = 0;
    virtual OP_ParAppendResult appendMomentary(const OP_NumericParameter& np) = 0;
    virtual OP_ParAppendResult appendWH(const OP_NumericParameter& np) = 0;
    virtual OP_ParAppendResult appendDynamicStringMenu(const OP_StringParameter& sp) = 0;
    virtual OP_ParAppendResult appendDynamicMenu(const OP_NumericParameter& np) = 0;
    virtual OP_ParAppendResult appendXYZW(const OP_NumericParameter& np) = 0;
};

class OP_InfoCHOPChan
{
public:
    OP_String* name;
    float value;
    int32_t reserved[10];
};

class OP_InfoDATSize
{
public:
    int32_t rows;
    int32_t cols;
    bool byColumn;
    int32_t reserved[10];
};

class OP_InfoDATEntries
{
public:
    OP_String** values;
    int32_t reserved[10];
};

class OP_BuildDynamicMenuInfo
{
public:
    void* instance;
    const char* name;
    int32_t reserved[20];

    virtual bool addMenuEntry(const char* name, const char* label) = 0;
};

static_assert(sizeof(OP_CustomOPInfo) == 456, "OP_CustomOPInfo layout");
static_assert(sizeof(OP_DATInput) == 112, "OP_DATInput layout");
static_assert(sizeof(OP_CHOPInput) == 136, "OP_CHOPInput layout");
static_assert(offsetof(OP_DATInput, customOP) == 40, "OP_DATInput::customOP offset");
static_assert(sizeof(OP_TimeInfo) == 216, "OP_TimeInfo layout");
static_assert(sizeof(OP_NumericParameter) == 272, "OP_NumericParameter layout");
static_assert(sizeof(OP_StringParameter) == 112, "OP_StringParameter layout");
static_assert(sizeof(OP_InfoCHOPChan) == 56, "OP_InfoCHOPChan layout");
static_assert(sizeof(OP_InfoDATSize) == 52, "OP_InfoDATSize layout");
static_assert(sizeof(OP_InfoDATEntries) == 48, "OP_InfoDATEntries layout");
#ifndef _WIN32
static_assert(sizeof(OP_NodeInfo) == 96, "OP_NodeInfo layout");
#else
static_assert(sizeof(OP_NodeInfo) == 104, "OP_NodeInfo layout");
#endif

#pragma pack(pop)

} // namespace TD

// The host's view of the entry points.
typedef void(ORV_HOST_CDECL* FILLDATPLUGININFO)(TD::DAT_PluginInfo* info);
typedef TD::DAT_CPlusPlusBase*(ORV_HOST_CDECL* CREATEDATINSTANCE)(const TD::OP_NodeInfo* info);
typedef void(ORV_HOST_CDECL* DESTROYDATINSTANCE)(TD::DAT_CPlusPlusBase* instance);
typedef void(ORV_HOST_CDECL* FILLCHOPPLUGININFO)(TD::CHOP_PluginInfo* info);
typedef TD::CHOP_CPlusPlusBase*(ORV_HOST_CDECL* CREATECHOPINSTANCE)(const TD::OP_NodeInfo* info);
typedef void(ORV_HOST_CDECL* DESTROYCHOPINSTANCE)(TD::CHOP_CPlusPlusBase* instance);
