#include "harness/NodeInputs.h"

#include "harness/Node.h"

#include <cmath>
#include <limits>

namespace orvharness
{

// What a DAT reference hands the plug-in: the host's record, the customOP block, and the
// copies of every text they point at.
struct NodeInputs::DatRecord
{
    TD::OP_DATInput input{};
    TD::OP_CustomOPInstance<TD::DAT_CPlusPlusBase> customOP;
    std::string path;
    std::string opType;
    std::vector<std::string> cells;
    std::vector<const char*> cellPointers;
};

namespace
{

constexpr double framesPerSecond = 60.0;

int32_t nearestInt(double value)
{
    if (std::isnan(value))
        return 0;
    constexpr double lowest = std::numeric_limits<int32_t>::min();
    constexpr double highest = std::numeric_limits<int32_t>::max();
    if (value <= lowest)
        return std::numeric_limits<int32_t>::min();
    if (value >= highest)
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::lround(value));
}

} // namespace

NodeInputs::NodeInputs(const Network& network, const Node& node, int64_t frame)
    : network_(network), node_(node)
{
    time_.absFrame = frame;
    time_.frame = static_cast<double>(frame);
    time_.rate = framesPerSecond;
    time_.rootFrame = static_cast<double>(frame);
    time_.rootRate = framesPerSecond;
    time_.deltaFrames = 1.0;
    time_.deltaMS = 1000.0 / framesPerSecond;
}

NodeInputs::~NodeInputs() = default;

double NodeInputs::getParDouble(const char* name, int32_t index) const noexcept
{
    if (name == nullptr)
        return 0.0;
    return node_.parameters.number(name, index);
}

int32_t NodeInputs::getParInt(const char* name, int32_t index) const noexcept
{
    return nearestInt(getParDouble(name, index));
}

bool NodeInputs::numericComponents(const char* name, int32_t count, double* values) const noexcept
{
    if (name == nullptr)
        return false;
    const ParameterRecord* record = node_.parameters.find(name);
    if (record == nullptr || !isNumeric(record->kind) || record->componentCount < count)
        return false;
    for (int32_t c = 0; c < count; ++c)
        values[c] = node_.parameters.number(name, c);
    return true;
}

bool NodeInputs::getParDouble2(const char* name, double& v0, double& v1) const noexcept
{
    double v[2];
    if (!numericComponents(name, 2, v))
        return false;
    v0 = v[0];
    v1 = v[1];
    return true;
}

bool NodeInputs::getParDouble3(const char* name, double& v0, double& v1, double& v2) const noexcept
{
    double v[3];
    if (!numericComponents(name, 3, v))
        return false;
    v0 = v[0];
    v1 = v[1];
    v2 = v[2];
    return true;
}

bool NodeInputs::getParDouble4(const char* name, double& v0, double& v1, double& v2,
                               double& v3) const noexcept
{
    double v[4];
    if (!numericComponents(name, 4, v))
        return false;
    v0 = v[0];
    v1 = v[1];
    v2 = v[2];
    v3 = v[3];
    return true;
}

bool NodeInputs::getParInt2(const char* name, int32_t& v0, int32_t& v1) const noexcept
{
    double v[2];
    if (!numericComponents(name, 2, v))
        return false;
    v0 = nearestInt(v[0]);
    v1 = nearestInt(v[1]);
    return true;
}

bool NodeInputs::getParInt3(const char* name, int32_t& v0, int32_t& v1, int32_t& v2) const noexcept
{
    double v[3];
    if (!numericComponents(name, 3, v))
        return false;
    v0 = nearestInt(v[0]);
    v1 = nearestInt(v[1]);
    v2 = nearestInt(v[2]);
    return true;
}

bool NodeInputs::getParInt4(const char* name, int32_t& v0, int32_t& v1, int32_t& v2,
                            int32_t& v3) const noexcept
{
    double v[4];
    if (!numericComponents(name, 4, v))
        return false;
    v0 = nearestInt(v[0]);
    v1 = nearestInt(v[1]);
    v2 = nearestInt(v[2]);
    v3 = nearestInt(v[3]);
    return true;
}

const char* NodeInputs::getParString(const char* name) const noexcept
{
    if (name == nullptr)
        return "";
    return node_.parameters.text(name);
}

const char* NodeInputs::getParFilePath(const char* name) const noexcept
{
    if (name == nullptr)
        return "";
    const ParameterRecord* record = node_.parameters.find(name);
    if (record == nullptr ||
        (record->kind != ParameterKind::File && record->kind != ParameterKind::Folder))
        return "";
    return node_.parameters.text(name);
}

const TD::OP_DATInput* NodeInputs::getParDAT(const char* name) const noexcept
{
    if (name == nullptr)
        return nullptr;
    const ParameterRecord* record = node_.parameters.find(name);
    if (record == nullptr || record->kind != ParameterKind::Dat)
        return nullptr;
    try
    {
        return datRecordFor(node_.parameters.text(name));
    }
    catch (...)
    {
        return nullptr;
    }
}

const TD::OP_DATInput* NodeInputs::getDAT(const char* path) const noexcept
{
    if (path == nullptr)
        return nullptr;
    try
    {
        return datRecordFor(path);
    }
    catch (...)
    {
        return nullptr;
    }
}

const TD::OP_DATInput* NodeInputs::datRecordFor(const std::string& reference) const
{
    const Node* target = network_.resolve(reference);
    if (target == nullptr || target->kind == NodeKind::PluginChop)
        return nullptr;

    std::unique_ptr<DatRecord>& slot = datRecords_[target->id];
    if (!slot)
        slot = std::make_unique<DatRecord>();
    DatRecord& record = *slot;

    record.path = target->path;
    const Table& table = target->table;
    const bool isTable = table.outputType() == OutputType::Table;
    const int32_t rows = isTable ? table.rows() : 1;
    const int32_t cols = isTable ? table.cols() : 1;
    record.cells.clear();
    if (isTable)
    {
        for (int32_t r = 0; r < rows; ++r)
            for (int32_t c = 0; c < cols; ++c)
                record.cells.push_back(table.cell(r, c).text);
    }
    else
    {
        record.cells.push_back(table.text());
    }
    record.cellPointers.clear();
    for (const std::string& cell : record.cells)
        record.cellPointers.push_back(cell.c_str());

    TD::OP_DATInput& input = record.input;
    input = TD::OP_DATInput{};
    input.opPath = record.path.c_str();
    input.opId = target->id;
    input.numRows = rows;
    input.numCols = cols;
    input.isTable = isTable;
    input.cellData = record.cellPointers.data();
    input.totalCooks = target->cookCount;
    input.customOP = nullptr;

    if (target->kind == NodeKind::PluginDat)
    {
        record.opType = target->reportedOpType;
        record.customOP.instance = target->dat;
        record.customOP.opType = record.opType.c_str();
        record.customOP.majorVersion = target->bundle->info().majorVersion;
        record.customOP.minorVersion = target->bundle->info().minorVersion;
        input.customOP = &record.customOP;
    }
    return &input;
}

} // namespace orvharness
