// One parameter as a plug-in declared it through the host's parameter manager, recorded in
// full so that a test can compare every field of the declaration.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvharness
{

// One kind per append... operation of the parameter manager.
enum class ParameterKind
{
    Float,
    Int,
    XY,
    XYZ,
    XYZW,
    UV,
    UVW,
    RGB,
    RGBA,
    WH,
    Toggle,
    Pulse,
    Momentary,
    DynamicMenu,
    String,
    File,
    Folder,
    Dat,
    Chop,
    Top,
    Object,
    Menu,
    StringMenu,
    Sop,
    Python,
    Op,
    Comp,
    Mat,
    PanelComp,
    Header,
    DynamicStringMenu,
};

const char* toString(ParameterKind kind);

// True for the kinds declared with a numeric record (values served by getParInt/getParDouble).
bool isNumeric(ParameterKind kind);

// True for the kinds whose text names another node (DAT, CHOP, OP, COMP, ...).
bool isReference(ParameterKind kind);

// What the host answered to the append (same values as the host's OP_ParAppendResult).
enum class AppendResult
{
    Success = 0,
    InvalidName,
    InvalidSize,
};

struct ParameterRecord
{
    ParameterKind kind = ParameterKind::Float;
    AppendResult result = AppendResult::Success;
    // A null name is recorded as "" (and refused with InvalidName).
    std::string name;
    // std::nullopt when the plug-in left the pointer null; "" when it gave an empty text.
    std::optional<std::string> label;
    std::optional<std::string> page;

    // Numeric kinds: the component count (the size argument, or the kind's fixed count:
    // 1 for Toggle/Pulse/Momentary/DynamicMenu, 2 for XY/UV/WH, 3 for XYZ/UVW/RGB, 4 for
    // XYZW/RGBA) and all four entries of each array of the record, as given.
    int32_t componentCount = 0;
    std::array<double, 4> defaultValues{};
    std::array<double, 4> minValues{};
    std::array<double, 4> maxValues{};
    std::array<bool, 4> clampMins{};
    std::array<bool, 4> clampMaxes{};
    std::array<double, 4> minSliders{};
    std::array<double, 4> maxSliders{};

    // String kinds: the default text (nullopt when left null), and for menus the items.
    std::optional<std::string> defaultText;
    std::vector<std::string> menuNames;
    std::vector<std::string> menuLabels;
};

} // namespace orvharness
