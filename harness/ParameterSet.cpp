#include "harness/ParameterSet.h"

#include "harness/NumberText.h"

#include <algorithm>
#include <cmath>

namespace orvharness
{
namespace
{

bool validName(const std::string& name)
{
    if (name.empty() || name[0] < 'A' || name[0] > 'Z')
        return false;
    return std::all_of(name.begin() + 1, name.end(),
                       [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); });
}

bool isMenu(ParameterKind kind)
{
    return kind == ParameterKind::Menu || kind == ParameterKind::StringMenu;
}

int32_t itemIndex(const ParameterRecord& record, const std::string& item)
{
    const auto found = std::find(record.menuNames.begin(), record.menuNames.end(), item);
    return found == record.menuNames.end() ? -1
                                           : static_cast<int32_t>(found - record.menuNames.begin());
}

} // namespace

AppendResult ParameterSet::check(const ParameterRecord& record, const ParameterSet& set)
{
    if (!validName(record.name) || set.find(record.name) != nullptr)
        return AppendResult::InvalidName;
    if (isNumeric(record.kind) && (record.componentCount < 1 || record.componentCount > 4))
        return AppendResult::InvalidSize;
    if (isMenu(record.kind) && record.menuNames.size() != record.menuLabels.size())
        return AppendResult::InvalidSize;
    return AppendResult::Success;
}

ParameterSet::Value ParameterSet::defaultValue(const ParameterRecord& record)
{
    Value value;
    value.kind = record.kind;
    if (isNumeric(record.kind))
    {
        for (int32_t c = 0; c < 4; ++c)
            value.numbers[c] =
                c < record.componentCount ? fitted(record, c, record.defaultValues[c]) : 0.0;
        return value;
    }
    value.text = record.defaultText.value_or("");
    if (isMenu(record.kind))
    {
        int32_t index = itemIndex(record, value.text);
        if (index < 0 && record.kind == ParameterKind::Menu && !record.menuNames.empty())
        {
            index = 0;
            value.text = record.menuNames[0];
        }
        value.numbers[0] = std::max(index, 0);
    }
    return value;
}

double ParameterSet::fitted(const ParameterRecord& record, int32_t component, double value)
{
    if (record.kind == ParameterKind::Toggle)
        return value != 0.0 ? 1.0 : 0.0;
    if (record.clampMins[component] && value < record.minValues[component])
        value = record.minValues[component];
    if (record.clampMaxes[component] && value > record.maxValues[component])
        value = record.maxValues[component];
    return value;
}

AppendResult ParameterSet::append(ParameterRecord record)
{
    record.result = check(record, *this);
    if (record.result == AppendResult::Success)
        values_[record.name] = defaultValue(record);
    records_.push_back(std::move(record));
    return records_.back().result;
}

AppendResult ParameterSet::refuse(ParameterRecord record, AppendResult result)
{
    record.result = result;
    records_.push_back(std::move(record));
    return result;
}

const ParameterRecord* ParameterSet::find(std::string_view name) const
{
    for (const ParameterRecord& record : records_)
        if (record.result == AppendResult::Success && record.name == name)
            return &record;
    return nullptr;
}

void ParameterSet::keepValuesFrom(const ParameterSet& previous)
{
    for (auto& [name, value] : values_)
    {
        const auto old = previous.values_.find(name);
        if (old != previous.values_.end() && old->second.kind == value.kind)
            value = old->second;
    }
}

bool ParameterSet::setText(std::string_view name, const std::string& text, std::string& error)
{
    const ParameterRecord* record = find(name);
    if (record == nullptr)
    {
        error = "no parameter \"" + std::string(name) + "\"";
        return false;
    }
    if (isNumeric(record->kind))
    {
        double number = 0.0;
        if (!parseNumber(text, number))
        {
            error = "\"" + text + "\" is no number for the " + toString(record->kind) +
                    " parameter \"" + record->name + "\"";
            return false;
        }
        return setNumber(name, 0, number, error);
    }
    Value& value = values_.find(name)->second;
    if (isMenu(record->kind))
    {
        const int32_t index = itemIndex(*record, text);
        if (index < 0 && record->kind == ParameterKind::Menu)
        {
            error = "\"" + text + "\" is no item of the menu \"" + record->name + "\"";
            return false;
        }
        value.numbers[0] = std::max(index, 0);
    }
    value.text = text;
    return true;
}

bool ParameterSet::setNumber(std::string_view name, int32_t component, double number,
                             std::string& error)
{
    const ParameterRecord* record = find(name);
    if (record == nullptr)
    {
        error = "no parameter \"" + std::string(name) + "\"";
        return false;
    }
    Value& value = values_.find(name)->second;
    if (isMenu(record->kind))
    {
        const double count = static_cast<double>(record->menuNames.size());
        if (component != 0 || !(number >= 0 && number < count) || number != std::floor(number))
        {
            error = "no item " + numberText(number) + " in the menu \"" + record->name + "\"";
            return false;
        }
        value.numbers[0] = number;
        value.text = record->menuNames[static_cast<size_t>(number)];
        return true;
    }
    if (!isNumeric(record->kind))
    {
        error = "the " + std::string(toString(record->kind)) + " parameter \"" + record->name +
                "\" takes a text, not a number";
        return false;
    }
    if (component < 0 || component >= record->componentCount)
    {
        error =
            "the parameter \"" + record->name + "\" has no component " + std::to_string(component);
        return false;
    }
    value.numbers[component] = fitted(*record, component, number);
    return true;
}

const char* ParameterSet::text(std::string_view name) const
{
    const auto found = values_.find(name);
    if (found == values_.end() || isNumeric(found->second.kind))
        return "";
    return found->second.text.c_str();
}

double ParameterSet::number(std::string_view name, int32_t component) const
{
    const auto found = values_.find(name);
    if (found == values_.end() || component < 0 || component > 3)
        return 0.0;
    return found->second.numbers[component];
}

} // namespace orvharness
