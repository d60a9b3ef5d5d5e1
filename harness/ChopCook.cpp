#include "harness/Cook.h"

#include "harness/CookTexts.h"
#include "harness/Node.h"
#include "harness/NodeInputs.h"

#include <cstring>
#include <vector>

namespace orvharness
{
namespace
{

// The largest shape the host allocates; a larger one is refused.
constexpr int32_t maxChannels = 1 << 16;
constexpr int64_t maxSamples = int64_t(1) << 24;
constexpr float framesPerSecond = 60.0f;

// Before execute every sample holds this NaN, so the host can tell afterwards which samples
// the plug-in wrote; the others get their previous value back.
constexpr uint32_t unwrittenBits = 0x7FC0DEADu;

float unwrittenMark()
{
    float value;
    std::memcpy(&value, &unwrittenBits, sizeof value);
    return value;
}

bool isUnwrittenMark(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits == unwrittenBits;
}

// A new shape gets new buffers; samples no cook has written read NaN.
void shapeBuffers(ChannelOutput& out, int32_t channels, int32_t samples)
{
    if (out.numChannels == channels && out.numSamples == samples &&
        out.samples.size() == static_cast<size_t>(channels))
        return;
    out.numChannels = channels;
    out.numSamples = samples;
    out.samples.assign(channels, std::vector<float>(samples, neverWrittenSample()));
    out.writtenLastCook.assign(channels, std::vector<bool>(samples, false));
}

void executeMarked(Node& node, TD::CHOP_CPlusPlusBase* instance, NodeInputs& inputs)
{
    ChannelOutput& out = node.channels;
    const std::vector<std::vector<float>> previous = out.samples;
    std::vector<float*> buffers;
    std::vector<const char*> names;
    for (int32_t c = 0; c < out.numChannels; ++c)
    {
        std::fill(out.samples[c].begin(), out.samples[c].end(), unwrittenMark());
        buffers.push_back(out.samples[c].data());
        names.push_back(out.names[c].c_str());
    }

    TD::CHOP_Output output(out.numChannels, out.numSamples, out.sampleRate, out.startIndex,
                           buffers.data(), names.data());
    node.callPlugin("execute", [&] { instance->execute(&output, &inputs, nullptr); });

    for (int32_t c = 0; c < out.numChannels; ++c)
        for (int32_t s = 0; s < out.numSamples; ++s)
        {
            float& sample = out.samples[c][s];
            const bool written = !isUnwrittenMark(sample);
            out.writtenLastCook[c][s] = written;
            if (!written)
                sample = previous[c][s];
        }
}

} // namespace

void cookChop(const Network& network, Node& node, int64_t frame)
{
    TD::CHOP_CPlusPlusBase* instance = node.chop;
    NodeInputs inputs(network, node, frame);
    ++node.cookCount;

    TD::CHOP_GeneralInfo general{};
    if (node.callPlugin("getGeneralInfo",
                        [&] { instance->getGeneralInfo(&general, &inputs, nullptr); }))
        node.cookEveryFrame = general.cookEveryFrame;

    // Prefilled with what the host outputs without the plug-in's shape: no input, no channel.
    TD::CHOP_OutputInfo info{};
    info.numChannels = 0;
    info.numSamples = 1;
    info.startIndex = 0;
    info.sampleRate = framesPerSecond;
    bool answered = false;
    node.callPlugin("getOutputInfo",
                    [&] { answered = instance->getOutputInfo(&info, &inputs, nullptr); });
    if (!answered)
    {
        info.numChannels = 0;
        info.numSamples = 1;
        info.startIndex = 0;
        info.sampleRate = framesPerSecond;
    }

    const int64_t samples = int64_t(info.numChannels) * info.numSamples;
    if (info.numChannels < 0 || info.numChannels > maxChannels || info.numSamples < 1 ||
        samples > maxSamples)
    {
        node.reportHostError("refused channel shape of " + std::to_string(info.numChannels) +
                             " channels by " + std::to_string(info.numSamples) + " samples");
        collectCookTexts(node, instance);
        return;
    }

    ChannelOutput& out = node.channels;
    out.shapeFromPlugin = answered;
    out.sampleRate = info.sampleRate;
    out.startIndex = info.startIndex;
    shapeBuffers(out, info.numChannels, info.numSamples);

    out.names.assign(info.numChannels, std::string());
    for (int32_t c = 0; c < info.numChannels; ++c)
    {
        HostString name;
        if (answered)
            node.callPlugin("getChannelName",
                            [&] { instance->getChannelName(c, &name, &inputs, nullptr); });
        out.names[c] = name.wasSet() ? name.text() : "chan" + std::to_string(c + 1);
    }

    executeMarked(node, instance, inputs);
    collectCookTexts(node, instance);
}

} // namespace orvharness
