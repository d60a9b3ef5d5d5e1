#include "harness/ParameterManager.h"

#include <optional>

namespace orvharness
{
namespace
{

std::optional<std::string> copyOf(const char* text)
{
    if (text == nullptr)
        return std::nullopt;
    return std::string(text);
}

TD::OP_ParAppendResult toHost(AppendResult result)
{
    switch (result)
    {
    case AppendResult::Success:
        return TD::OP_ParAppendResult::Success;
    case AppendResult::InvalidName:
        return TD::OP_ParAppendResult::InvalidName;
    case AppendResult::InvalidSize:
        return TD::OP_ParAppendResult::InvalidSize;
    }
    return TD::OP_ParAppendResult::InvalidName;
}

} // namespace

TD::OP_ParAppendResult ParameterManager::numeric(ParameterKind kind,
                                                 const TD::OP_NumericParameter& np,
                                                 int32_t size) noexcept
{
    try
    {
        ParameterRecord record;
        record.kind = kind;
        record.name = np.name != nullptr ? np.name : "";
        record.label = copyOf(np.label);
        record.page = copyOf(np.page);
        record.componentCount = size;
        for (int c = 0; c < 4; ++c)
        {
            record.defaultValues[c] = np.defaultValues[c];
            record.minValues[c] = np.minValues[c];
            record.maxValues[c] = np.maxValues[c];
            record.clampMins[c] = np.clampMins[c];
            record.clampMaxes[c] = np.clampMaxes[c];
            record.minSliders[c] = np.minSliders[c];
            record.maxSliders[c] = np.maxSliders[c];
        }
        return toHost(parameters_.append(std::move(record)));
    }
    catch (...)
    {
        return TD::OP_ParAppendResult::InvalidName;
    }
}

TD::OP_ParAppendResult ParameterManager::text(ParameterKind kind, const TD::OP_StringParameter& sp,
                                              int32_t nitems, const char** names,
                                              const char** labels) noexcept
{
    try
    {
        ParameterRecord record;
        record.kind = kind;
        record.name = sp.name != nullptr ? sp.name : "";
        record.label = copyOf(sp.label);
        record.page = copyOf(sp.page);
        record.defaultText = copyOf(sp.defaultValue);
        if (nitems < 0 || (nitems > 0 && names == nullptr))
        {
            // Refused without reading the item arrays.
            return toHost(parameters_.refuse(std::move(record), AppendResult::InvalidSize));
        }
        for (int32_t i = 0; i < nitems; ++i)
        {
            const char* name = names[i] != nullptr ? names[i] : "";
            const char* label = labels != nullptr && labels[i] != nullptr ? labels[i] : name;
            record.menuNames.emplace_back(name);
            record.menuLabels.emplace_back(label);
        }
        return toHost(parameters_.append(std::move(record)));
    }
    catch (...)
    {
        return TD::OP_ParAppendResult::InvalidName;
    }
}

// clang-format off
TD::OP_ParAppendResult ParameterManager::appendFloat(const TD::OP_NumericParameter& np, int32_t size) noexcept { return numeric(ParameterKind::Float, np, size); }
TD::OP_ParAppendResult ParameterManager::appendInt(const TD::OP_NumericParameter& np, int32_t size) noexcept { return numeric(ParameterKind::Int, np, size); }
TD::OP_ParAppendResult ParameterManager::appendXY(const TD::OP_NumericParameter& np) noexcept { return numeric(ParameterKind::XY, np, 2); }
TD::OP_ParAppendResult ParameterManager::appendXYZ(const TD::OP_NumericParameter& np) noexcept { return numeric(ParameterKind::XYZ, np, 3); }
TD::OP_ParAppendResult ParameterManager::appendUV(const TD::OP_NumericParameter& np) noexcept { return numeric(ParameterKind::UV, np, 2); }
TD::OP_ParAppendResult ParameterManager::appendUVW(const TD::OP_NumericParameter& np) noexcept { return numeric(ParameterKind::UVW, np, 3); }
TD::OP_ParAppendResult ParameterManager::appendRGB(const TD::OP_NumericParameter& np) noexcept { return numeric(ParameterKind::RGB, np, 3); }
TD::OP_ParAppendResult ParameterManager::appendRGBA(const TD::OP_NumericParameter& np) noexcept { return numeric(ParameterKind::RGBA, np, 4); }
TD::OP_ParAppendResult ParameterManager::appendToggle(const TD::OP_NumericParameter& np) noexcept { return numeric(ParameterKind::Toggle, np, 1); }
TD::OP_ParAppendResult ParameterManager::appendPulse(const TD::OP_NumericParameter& np) noexcept { return numeric(ParameterKind::Pulse, np, 1); }
TD::OP_ParAppendResult ParameterManager::appendMomentary(const TD::OP_NumericParameter& np) noexcept { return numeric(ParameterKind::Momentary, np, 1); }
TD::OP_ParAppendResult ParameterManager::appendWH(const TD::OP_NumericParameter& np) noexcept { return numeric(ParameterKind::WH, np, 2); }
TD::OP_ParAppendResult ParameterManager::appendDynamicMenu(const TD::OP_NumericParameter& np) noexcept { return numeric(ParameterKind::DynamicMenu, np, 1); }
TD::OP_ParAppendResult ParameterManager::appendXYZW(const TD::OP_NumericParameter& np) noexcept { return numeric(ParameterKind::XYZW, np, 4); }
TD::OP_ParAppendResult ParameterManager::appendString(const TD::OP_StringParameter& sp) noexcept { return text(ParameterKind::String, sp); }
TD::OP_ParAppendResult ParameterManager::appendFile(const TD::OP_StringParameter& sp) noexcept { return text(ParameterKind::File, sp); }
TD::OP_ParAppendResult ParameterManager::appendFolder(const TD::OP_StringParameter& sp) noexcept { return text(ParameterKind::Folder, sp); }
TD::OP_ParAppendResult ParameterManager::appendDAT(const TD::OP_StringParameter& sp) noexcept { return text(ParameterKind::Dat, sp); }
TD::OP_ParAppendResult ParameterManager::appendCHOP(const TD::OP_StringParameter& sp) noexcept { return text(ParameterKind::Chop, sp); }
TD::OP_ParAppendResult ParameterManager::appendTOP(const TD::OP_StringParameter& sp) noexcept { return text(ParameterKind::Top, sp); }
TD::OP_ParAppendResult ParameterManager::appendObject(const TD::OP_StringParameter& sp) noexcept { return text(ParameterKind::Object, sp); }
TD::OP_ParAppendResult ParameterManager::appendSOP(const TD::OP_StringParameter& sp) noexcept { return text(ParameterKind::Sop, sp); }
TD::OP_ParAppendResult ParameterManager::appendPython(const TD::OP_StringParameter& sp) noexcept { return text(ParameterKind::Python, sp); }
TD::OP_ParAppendResult ParameterManager::appendOP(const TD::OP_StringParameter& sp) noexcept { return text(ParameterKind::Op, sp); }
TD::OP_ParAppendResult ParameterManager::appendCOMP(const TD::OP_StringParameter& sp) noexcept { return text(ParameterKind::Comp, sp); }
TD::OP_ParAppendResult ParameterManager::appendMAT(const TD::OP_StringParameter& sp) noexcept { return text(ParameterKind::Mat, sp); }
TD::OP_ParAppendResult ParameterManager::appendPanelCOMP(const TD::OP_StringParameter& sp) noexcept { return text(ParameterKind::PanelComp, sp); }
TD::OP_ParAppendResult ParameterManager::appendHeader(const TD::OP_StringParameter& sp) noexcept { return text(ParameterKind::Header, sp); }
TD::OP_ParAppendResult ParameterManager::appendDynamicStringMenu(const TD::OP_StringParameter& sp) noexcept { return text(ParameterKind::DynamicStringMenu, sp); }
TD::OP_ParAppendResult ParameterManager::appendMenu(const TD::OP_StringParameter& sp, int32_t nitems, const char** names, const char** labels) noexcept { return text(ParameterKind::Menu, sp, nitems, names, labels); }
TD::OP_ParAppendResult ParameterManager::appendStringMenu(const TD::OP_StringParameter& sp, int32_t nitems, const char** names, const char** labels) noexcept { return text(ParameterKind::StringMenu, sp, nitems, names, labels); }
// clang-format on

} // namespace orvharness
