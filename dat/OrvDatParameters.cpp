#include "OrvDatParameters.h"

namespace orvdat
{

namespace
{

const char* textOrEmpty(const char* text)
{
    return text != nullptr ? text : "";
}

} // namespace

void OrvDatParameters::setup(TD::OP_ParameterManager& manager, const char* defaultIp,
                             std::uint32_t defaultPort)
{
    // Every numeric record keeps the host record's own defaults (range 0 to 1, no clamps) apart
    // from its name, label and, for "Port", the first default value.
    TD::OP_StringParameter ipPar(kIpName);
    ipPar.label = kIpLabel;
    ipPar.defaultValue = defaultIp;
    manager.appendString(ipPar);

    TD::OP_NumericParameter portPar(kPortName);
    portPar.label = kPortLabel;
    portPar.defaultValues[0] = static_cast<double>(defaultPort);
    manager.appendInt(portPar, 1);

    TD::OP_NumericParameter multicastPar(kMulticastName);
    multicastPar.label = kMulticastLabel;
    manager.appendToggle(multicastPar);

    TD::OP_StringParameter ipFilterPar(kIpFilterName);
    ipFilterPar.label = kIpFilterLabel;
    ipFilterPar.defaultValue = "";
    manager.appendString(ipFilterPar);

    TD::OP_NumericParameter reconnectPar(kReconnectName);
    manager.appendPulse(reconnectPar);

    TD::OP_NumericParameter resetPar(kResetName);
    resetPar.label = kResetLabel;
    manager.appendPulse(resetPar);

    // Last, so the six parameters above keep their places.
    TD::OP_NumericParameter activePar(kActiveName);
    activePar.label = kActiveLabel;
    manager.appendToggle(activePar);
}

const char* OrvDatParameters::evalIp(const TD::OP_Inputs& inputs)
{
    return textOrEmpty(inputs.getParString(kIpName));
}

std::uint32_t OrvDatParameters::evalPort(const TD::OP_Inputs& inputs)
{
    return static_cast<std::uint32_t>(inputs.getParInt(kPortName, 0));
}

bool OrvDatParameters::evalMulticast(const TD::OP_Inputs& inputs)
{
    return inputs.getParInt(kMulticastName, 0) != 0;
}

const char* OrvDatParameters::evalIpFilter(const TD::OP_Inputs& inputs)
{
    return textOrEmpty(inputs.getParString(kIpFilterName));
}

bool OrvDatParameters::evalActive(const TD::OP_Inputs& inputs)
{
    return inputs.getParInt(kActiveName, 0) != 0;
}

} // namespace orvdat
