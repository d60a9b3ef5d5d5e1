// The host's side of TD::OP_Inputs for one cook of one node: serves the node's parameter
// values and resolves references to other nodes of the network. Records handed out stay
// valid until the cook ends; asking again for the same node refreshes the same record.
// The node has no wired inputs.
#pragma once

#include "CPlusPlus_Common.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace orvharness
{

class Network;
class Node;

class NodeInputs final : public TD::OP_Inputs
{
public:
    NodeInputs(const Network& network, const Node& node, int64_t frame);
    ~NodeInputs();

    int32_t getNumInputs() const noexcept override { return 0; }
    const TD::OP_CHOPInput* getInputCHOP(int32_t) const noexcept override { return nullptr; }
    const TD::OP_DATInput* getParDAT(const char* name) const noexcept override;
    const TD::OP_CHOPInput* getParCHOP(const char*) const noexcept override { return nullptr; }
    const TD::OP_ObjectInput* getParObject(const char*) const noexcept override { return nullptr; }

    double getParDouble(const char* name, int32_t index) const noexcept override;
    bool getParDouble2(const char* name, double& v0, double& v1) const noexcept override;
    bool getParDouble3(const char* name, double& v0, double& v1,
                       double& v2) const noexcept override;
    bool getParDouble4(const char* name, double& v0, double& v1, double& v2,
                       double& v3) const noexcept override;
    int32_t getParInt(const char* name, int32_t index) const noexcept override;
    bool getParInt2(const char* name, int32_t& v0, int32_t& v1) const noexcept override;
    bool getParInt3(const char* name, int32_t& v0, int32_t& v1,
                    int32_t& v2) const noexcept override;
    bool getParInt4(const char* name, int32_t& v0, int32_t& v1, int32_t& v2,
                    int32_t& v3) const noexcept override;
    const char* getParString(const char* name) const noexcept override;
    const char* getParFilePath(const char* name) const noexcept override;
    bool getRelativeTransform(const char*, const char*, double[4][4]) const noexcept override
    {
        return false;
    }
    void enablePar(const char*, bool) const noexcept override {}
    const TD::OP_DATInput* getDAT(const char* path) const noexcept override;
    const TD::OP_CHOPInput* getCHOP(const char*) const noexcept override { return nullptr; }
    const TD::OP_ObjectInput* getObject(const char*) const noexcept override { return nullptr; }
    const TD::OP_SOPInput* getParSOP(const char*) const noexcept override { return nullptr; }
    const TD::OP_SOPInput* getInputSOP(int32_t) const noexcept override { return nullptr; }
    const TD::OP_SOPInput* getSOP(const char*) const noexcept override { return nullptr; }
    const TD::OP_DATInput* getInputDAT(int32_t) const noexcept override { return nullptr; }
    PyObject* getParPython(const char*) const noexcept override { return nullptr; }
    const TD::OP_TimeInfo* getTimeInfo() const noexcept override { return &time_; }
    const TD::OP_TOPInput* getTOP(const char*) const noexcept override { return nullptr; }
    const TD::OP_TOPInput* getInputTOP(int32_t) const noexcept override { return nullptr; }
    const TD::OP_TOPInput* getParTOP(const char*) const noexcept override { return nullptr; }

private:
    // The deprecated GL-era slots: nothing to hand out.
    const void* getInputTOPOpenGL(int32_t) const noexcept override { return nullptr; }
    const void* getParTOPOpenGL(const char*) const noexcept override { return nullptr; }
    const void* getTOPOpenGL(const char*) const noexcept override { return nullptr; }
    void* getTOPDataInCPUMemory(const TD::OP_TOPInput*, const void*) const noexcept override
    {
        return nullptr;
    }

    struct DatRecord;

    bool numericComponents(const char* name, int32_t count, double* values) const noexcept;
    const TD::OP_DATInput* datRecordFor(const std::string& reference) const;

    const Network& network_;
    const Node& node_;
    TD::OP_TimeInfo time_{};
    mutable std::map<uint32_t, std::unique_ptr<DatRecord>> datRecords_;
};

} // namespace orvharness
