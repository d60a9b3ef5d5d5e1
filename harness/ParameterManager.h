// The host's side of TD::OP_ParameterManager: records every append of setupParameters into
// a ParameterSet, copying every text during the call, and answers as the host does.
#pragma once

#include "harness/ParameterSet.h"

#include "CPlusPlus_Common.h"

namespace orvharness
{

class ParameterManager final : public TD::OP_ParameterManager
{
public:
    explicit ParameterManager(ParameterSet& parameters) : parameters_(parameters) {}

    TD::OP_ParAppendResult appendFloat(const TD::OP_NumericParameter& np,
                                       int32_t size) noexcept override;
    TD::OP_ParAppendResult appendInt(const TD::OP_NumericParameter& np,
                                     int32_t size) noexcept override;
    TD::OP_ParAppendResult appendXY(const TD::OP_NumericParameter& np) noexcept override;
    TD::OP_ParAppendResult appendXYZ(const TD::OP_NumericParameter& np) noexcept override;
    TD::OP_ParAppendResult appendUV(const TD::OP_NumericParameter& np) noexcept override;
    TD::OP_ParAppendResult appendUVW(const TD::OP_NumericParameter& np) noexcept override;
    TD::OP_ParAppendResult appendRGB(const TD::OP_NumericParameter& np) noexcept override;
    TD::OP_ParAppendResult appendRGBA(const TD::OP_NumericParameter& np) noexcept override;
    TD::OP_ParAppendResult appendToggle(const TD::OP_NumericParameter& np) noexcept override;
    TD::OP_ParAppendResult appendPulse(const TD::OP_NumericParameter& np) noexcept override;
    TD::OP_ParAppendResult appendString(const TD::OP_StringParameter& sp) noexcept override;
    TD::OP_ParAppendResult appendFile(const TD::OP_StringParameter& sp) noexcept override;
    TD::OP_ParAppendResult appendFolder(const TD::OP_StringParameter& sp) noexcept override;
    TD::OP_ParAppendResult appendDAT(const TD::OP_StringParameter& sp) noexcept override;
    TD::OP_ParAppendResult appendCHOP(const TD::OP_StringParameter& sp) noexcept override;
    TD::OP_ParAppendResult appendTOP(const TD::OP_StringParameter& sp) noexcept override;
    TD::OP_ParAppendResult appendObject(const TD::OP_StringParameter& sp) noexcept override;
    TD::OP_ParAppendResult appendMenu(const TD::OP_StringParameter& sp, int32_t nitems,
                                      const char** names, const char** labels) noexcept override;
    TD::OP_ParAppendResult appendStringMenu(const TD::OP_StringParameter& sp, int32_t nitems,
                                            const char** names,
                                            const char** labels) noexcept override;
    TD::OP_ParAppendResult appendSOP(const TD::OP_StringParameter& sp) noexcept override;
    TD::OP_ParAppendResult appendPython(const TD::OP_StringParameter& sp) noexcept override;
    TD::OP_ParAppendResult appendOP(const TD::OP_StringParameter& sp) noexcept override;
    TD::OP_ParAppendResult appendCOMP(const TD::OP_StringParameter& sp) noexcept override;
    TD::OP_ParAppendResult appendMAT(const TD::OP_StringParameter& sp) noexcept override;
    TD::OP_ParAppendResult appendPanelCOMP(const TD::OP_StringParameter& sp) noexcept override;
    TD::OP_ParAppendResult appendHeader(const TD::OP_StringParameter& sp) noexcept override;
    TD::OP_ParAppendResult appendMomentary(const TD::OP_NumericParameter& np) noexcept override;
    TD::OP_ParAppendResult appendWH(const TD::OP_NumericParameter& np) noexcept override;
    TD::OP_ParAppendResult
    appendDynamicStringMenu(const TD::OP_StringParameter& sp) noexcept override;
    TD::OP_ParAppendResult appendDynamicMenu(const TD::OP_NumericParameter& np) noexcept override;
    TD::OP_ParAppendResult appendXYZW(const TD::OP_NumericParameter& np) noexcept override;

private:
    TD::OP_ParAppendResult numeric(ParameterKind kind, const TD::OP_NumericParameter& np,
                                   int32_t size) noexcept;
    TD::OP_ParAppendResult text(ParameterKind kind, const TD::OP_StringParameter& sp,
                                int32_t nitems = 0, const char** names = nullptr,
                                const char** labels = nullptr) noexcept;

    ParameterSet& parameters_;
};

} // namespace orvharness
