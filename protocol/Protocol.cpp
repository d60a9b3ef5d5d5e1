#include "protocol/Protocol.h"

namespace orvprotocol
{

const MessageInfo* findMessage(std::uint8_t typeByte)
{
    for (const MessageInfo& message : messageTypes)
    {
        if (static_cast<std::uint8_t>(message.type) == typeByte)
        {
            return &message;
        }
    }
    return nullptr;
}

namespace
{

template <class Record> void addKeys(std::vector<std::string_view>& keys)
{
    for (const auto& key : KeysOf<Record>::keys)
    {
        keys.push_back(key.key);
    }
}

} // namespace

const orvpack::KnownStrings& wireKeys()
{
    // Built on the first decode (thread-safe) and kept for the life of the process, as the
    // values decoded with it require.
    static const orvpack::KnownStrings& keys = []() -> const orvpack::KnownStrings&
    {
        std::vector<std::string_view> all;
        addKeys<Control>(all);
        addKeys<Deck>(all);
        addKeys<Meta>(all);
        addKeys<Event>(all);
        return orvpack::KnownStrings::create(all);
    }();
    return keys;
}

} // namespace orvprotocol
