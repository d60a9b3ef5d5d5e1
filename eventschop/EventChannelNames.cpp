#include "EventChannelNames.h"

#include <string>

namespace orvevents
{

namespace
{

bool keptAsIs(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isContinuationByte(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

} // namespace

std::string sanitizedChannelName(std::string_view eventName)
{
    std::string name;
    name.reserve(eventName.size() + 1);
    bool inCharacter = false; // after the lead byte of a character of several bytes
    for (const char byte : eventName)
    {
        const unsigned char c = static_cast<unsigned char>(byte);
        if (keptAsIs(c))
        {
            name.push_back(byte);
            inCharacter = false;
        }
        else if (inCharacter && isContinuationByte(c))
        {
            continue; // the same character: its "_" is already written
        }
        else
        {
            name.push_back('_');
            inCharacter = c >= 0xC0;
        }
    }
    if (name.empty() || isDigit(name.front()))
    {
        name.insert(name.begin(), '_');
    }
    return name;
}

EventChannelNames::EventChannelNames()
{
    takeTrackNames();
}

void EventChannelNames::add(std::string_view eventName)
{
    const std::string wanted = sanitizedChannelName(eventName);
    std::string name = wanted;
    for (int suffix = 2; taken_.count(name) != 0; ++suffix)
    {
        name = wanted + "_" + std::to_string(suffix);
    }
    names_.push_back(name);
    try
    {
        taken_.insert(std::move(name));
    }
    catch (...)
    {
        names_.pop_back(); // added to both or to neither
        throw;
    }
}

void EventChannelNames::clear()
{
    names_.clear();
    taken_.clear();
    takeTrackNames();
}

void EventChannelNames::takeTrackNames()
{
    for (const char* name : kTrackChannelNames)
    {
        taken_.insert(name);
    }
}

} // namespace orvevents
