#include "harness/ParameterRecord.h"

namespace orvharness
{

const char* toString(ParameterKind kind)
{
    switch (kind)
    {
    case ParameterKind::Float:
        return "float";
    case ParameterKind::Int:
        return "int";
    case ParameterKind::XY:
        return "xy";
    case ParameterKind::XYZ:
        return "xyz";
    case ParameterKind::XYZW:
        return "xyzw";
    case ParameterKind::UV:
        return "uv";
    case ParameterKind::UVW:
        return "uvw";
    case ParameterKind::RGB:
        return "rgb";
    case ParameterKind::RGBA:
        return "rgba";
    case ParameterKind::WH:
        return "wh";
    case ParameterKind::Toggle:
        return "toggle";
    case ParameterKind::Pulse:
        return "pulse";
    case ParameterKind::Momentary:
        return "momentary";
    case ParameterKind::DynamicMenu:
        return "dynamic menu";
    case ParameterKind::String:
        return "string";
    case ParameterKind::File:
        return "file";
    case ParameterKind::Folder:
        return "folder";
    case ParameterKind::Dat:
        return "dat";
    case ParameterKind::Chop:
        return "chop";
    case ParameterKind::Top:
        return "top";
    case ParameterKind::Object:
        return "object";
    case ParameterKind::Menu:
        return "menu";
    case ParameterKind::StringMenu:
        return "string menu";
    case ParameterKind::Sop:
        return "sop";
    case ParameterKind::Python:
        return "python";
    case ParameterKind::Op:
        return "op";
    case ParameterKind::Comp:
        return "comp";
    case ParameterKind::Mat:
        return "mat";
    case ParameterKind::PanelComp:
        return "panel comp";
    case ParameterKind::Header:
        return "header";
    case ParameterKind::DynamicStringMenu:
        return "dynamic string menu";
    }
    return "?";
}

bool isNumeric(ParameterKind kind)
{
    switch (kind)
    {
    case ParameterKind::Float:
    case ParameterKind::Int:
    case ParameterKind::XY:
    case ParameterKind::XYZ:
    case ParameterKind::XYZW:
    case ParameterKind::UV:
    case ParameterKind::UVW:
    case ParameterKind::RGB:
    case ParameterKind::RGBA:
    case ParameterKind::WH:
    case ParameterKind::Toggle:
    case ParameterKind::Pulse:
    case ParameterKind::Momentary:
    case ParameterKind::DynamicMenu:
        return true;
    default:
        return false;
    }
}

bool isReference(ParameterKind kind)
{
    switch (kind)
    {
    case ParameterKind::Dat:
    case ParameterKind::Chop:
    case ParameterKind::Top:
    case ParameterKind::Object:
    case ParameterKind::Sop:
    case ParameterKind::Op:
    case ParameterKind::Comp:
    case ParameterKind::Mat:
    case ParameterKind::PanelComp:
        return true;
    default:
        return false;
    }
}

} // namespace orvharness
