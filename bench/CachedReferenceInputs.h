// The host's inputs for a channel node's cook, with the DAT reference resolved once.
//
// The headless host rebuilds a DAT reference's record on every getParDAT, copying every cell
// of the referenced table, so that tests see the table as it is now. The real host hands out
// a record it keeps, and OrvChannels asks for it on every cook: to time the plug-in and not
// the harness's copy, this forwards every call to the harness's inputs except that it answers
// getParDAT and getDAT from the first answer it got.
#pragma once

#include "harness/NodeInputs.h"

#include <functional>
#include <map>
#include <string>

namespace orvbench
{

class CachedReferenceInputs final : public TD::OP_Inputs
{
public:
    explicit CachedReferenceInputs(const orvharness::NodeInputs& inputs) : inputs_(inputs) {}

    const TD::OP_DATInput* getParDAT(const char* name) const override
    {
        return cached(parRecords_, name, [&] { return inputs_.getParDAT(name); });
    }
    const TD::OP_DATInput* getDAT(const char* path) const override
    {
        return cached(pathRecords_, path, [&] { return inputs_.getDAT(path); });
    }

    int32_t getNumInputs() const override { return inputs_.getNumInputs(); }
    const TD::OP_CHOPInput* getInputCHOP(int32_t i) const override
    {
        return inputs_.getInputCHOP(i);
    }
    const TD::OP_CHOPInput* getParCHOP(const char* n) const override
    {
        return inputs_.getParCHOP(n);
    }
    const TD::OP_ObjectInput* getParObject(const char* n) const override
    {
        return inputs_.getParObject(n);
    }
    double getParDouble(const char* n, int32_t i) const override
    {
        return inputs_.getParDouble(n, i);
    }
    bool getParDouble2(const char* n, double& a, double& b) const override
    {
        return inputs_.getParDouble2(n, a, b);
    }
    bool getParDouble3(const char* n, double& a, double& b, double& c) const override
    {
        return inputs_.getParDouble3(n, a, b, c);
    }
    bool getParDouble4(const char* n, double& a, double& b, double& c, double& d) const override
    {
        return inputs_.getParDouble4(n, a, b, c, d);
    }
    int32_t getParInt(const char* n, int32_t i) const override { return inputs_.getParInt(n, i); }
    bool getParInt2(const char* n, int32_t& a, int32_t& b) const override
    {
        return inputs_.getParInt2(n, a, b);
    }
    bool getParInt3(const char* n, int32_t& a, int32_t& b, int32_t& c) const override
    {
        return inputs_.getParInt3(n, a, b, c);
    }
    bool getParInt4(const char* n, int32_t& a, int32_t& b, int32_t& c, int32_t& d) const override
    {
        return inputs_.getParInt4(n, a, b, c, d);
    }
    const char* getParString(const char* n) const override { return inputs_.getParString(n); }
    const char* getParFilePath(const char* n) const override { return inputs_.getParFilePath(n); }
    bool getRelativeTransform(const char* f, const char* t, double m[4][4]) const override
    {
        return inputs_.getRelativeTransform(f, t, m);
    }
    void enablePar(const char* n, bool on) const override { inputs_.enablePar(n, on); }
    const TD::OP_CHOPInput* getCHOP(const char* p) const override { return inputs_.getCHOP(p); }
    const TD::OP_ObjectInput* getObject(const char* p) const override
    {
        return inputs_.getObject(p);
    }
    const TD::OP_SOPInput* getParSOP(const char* n) const override { return inputs_.getParSOP(n); }
    const TD::OP_SOPInput* getInputSOP(int32_t i) const override { return inputs_.getInputSOP(i); }
    const TD::OP_SOPInput* getSOP(const char* p) const override { return inputs_.getSOP(p); }
    const TD::OP_DATInput* getInputDAT(int32_t i) const override { return inputs_.getInputDAT(i); }
    PyObject* getParPython(const char* n) const override { return inputs_.getParPython(n); }
    const TD::OP_TimeInfo* getTimeInfo() const override { return inputs_.getTimeInfo(); }
    const TD::OP_TOPInput* getTOP(const char* p) const override { return inputs_.getTOP(p); }
    const TD::OP_TOPInput* getInputTOP(int32_t i) const override { return inputs_.getInputTOP(i); }
    const TD::OP_TOPInput* getParTOP(const char* n) const override { return inputs_.getParTOP(n); }

private:
    // The GL-era slots the plug-ins never use.
    const void* getInputTOPOpenGL(int32_t) const override { return nullptr; }
    const void* getParTOPOpenGL(const char*) const override { return nullptr; }
    const void* getTOPOpenGL(const char*) const override { return nullptr; }
    void* getTOPDataInCPUMemory(const TD::OP_TOPInput*, const void*) const override
    {
        return nullptr;
    }

    template <class Resolve>
    const TD::OP_DATInput*
    cached(std::map<std::string, const TD::OP_DATInput*, std::less<>>& records, const char* key,
           Resolve resolve) const
    {
        if (key == nullptr)
        {
            return nullptr;
        }
        const auto known = records.find(key);
        if (known != records.end())
        {
            return known->second;
        }
        return records.emplace(key, resolve()).first->second;
    }

    const orvharness::NodeInputs& inputs_;
    mutable std::map<std::string, const TD::OP_DATInput*, std::less<>> parRecords_;
    mutable std::map<std::string, const TD::OP_DATInput*, std::less<>> pathRecords_;
};

} // namespace orvbench
