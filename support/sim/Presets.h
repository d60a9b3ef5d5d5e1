// Named settings that a user picks by name (`--network wifi`): the lookup and the list of names
// that errors and help texts show, for any settings type with a `name`.
#pragma once

#include <string>
#include <vector>

namespace orvsim
{

// The preset named `name` into `out`; false (out unchanged) when there is none.
template <typename Profile>
bool findPreset(const std::vector<Profile>& presets, const std::string& name, Profile& out)
{
    for (const Profile& preset : presets)
    {
        if (preset.name == name)
        {
            out = preset;
            return true;
        }
    }
    return false;
}

// "ideal, lan, wifi": the names in the presets' order.
template <typename Profile> std::string presetNames(const std::vector<Profile>& presets)
{
    std::string names;
    for (const Profile& preset : presets)
        names += (names.empty() ? "" : ", ") + preset.name;
    return names;
}

} // namespace orvsim
