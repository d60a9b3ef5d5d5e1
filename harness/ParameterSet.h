// A node's parameters: the declarations as recorded, and the current value of each accepted
// one. The host checks each declaration (name: a capital letter, then lower-case letters or
// digits; no duplicate; a component count of 1 to 4) and keeps refused ones in the record
// list only, with the result it answered.
#pragma once

#include "harness/ParameterRecord.h"

#include <array>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace orvharness
{

class ParameterSet
{
public:
    // Checks the declaration, stores it with its result, and gives an accepted one its
    // default value.
    AppendResult append(ParameterRecord record);
    // Stores a declaration the host refuses for a reason found before the record was complete.
    AppendResult refuse(ParameterRecord record, AppendResult result);

    const std::vector<ParameterRecord>& records() const { return records_; }
    // The accepted parameter of that name, or null.
    const ParameterRecord* find(std::string_view name) const;

    // Takes the current value of every parameter of `previous` that has the same name and
    // kind here (used when the parameters are declared again).
    void keepValuesFrom(const ParameterSet& previous);

    // Setting values; false with the reason in `error` when the value does not fit.
    bool setText(std::string_view name, const std::string& text, std::string& error);
    bool setNumber(std::string_view name, int32_t component, double value, std::string& error);
    // Empties every reference parameter whose text satisfies `names`.
    template <class Predicate> void clearReferences(Predicate names)
    {
        for (auto& [name, value] : values_)
            if (isReference(value.kind) && names(value.text))
                value.text.clear();
    }

    // Serving values. Unknown names: "" and 0. The text pointer lives until the value is set
    // again or the parameters are declared again.
    const char* text(std::string_view name) const;
    double number(std::string_view name, int32_t component) const;

private:
    struct Value
    {
        ParameterKind kind = ParameterKind::Float;
        std::string text;
        std::array<double, 4> numbers{};
    };

    static AppendResult check(const ParameterRecord& record, const ParameterSet& set);
    static Value defaultValue(const ParameterRecord& record);
    static double fitted(const ParameterRecord& record, int32_t component, double value);

    std::vector<ParameterRecord> records_;
    std::map<std::string, Value, std::less<>> values_;
};

} // namespace orvharness
