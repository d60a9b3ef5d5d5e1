// A test-only table plug-in for the harness's own tests. Its table shows what the host
// handed it, so a test can see parameters, references and pulses from the outside:
//   row 0: "Text" parameter (text), bumps so far (number), cooks so far (int)
//   row 1: the "Source" reference as seen ("none", "builtin:<cell 0,0>",
//          "custom:<opType>:<cell 0,0>"), this instance's address, the referenced instance's
//   row 2: getParString of a numeric and of an unknown parameter, the "Mode" menu index
// With "Logcalls" on, both texts handed to the host are the calls of the cook so far.
#include "DAT_CPlusPlusBase.h"
#include "plugin/PluginExport.h"

#include <cstdio>
#include <stdexcept>
#include <string>

#ifndef ECHO_API_VERSION
#define ECHO_API_VERSION TD::DATCPlusPlusAPIVersion
#endif

#define ECHO_EXPORT ORV_PLUGIN_EXPORT

namespace
{

int liveInstances = 0;

std::string addressText(const void* address)
{
    char text[32];
    std::snprintf(text, sizeof text, "%p", address);
    return text;
}

class EchoDat final : public TD::DAT_CPlusPlusBase
{
public:
    EchoDat() { ++liveInstances; }
    ~EchoDat() override { --liveInstances; }

    void getGeneralInfo(TD::DAT_GeneralInfo* info, const TD::OP_Inputs*, void*) override
    {
        calls_ = "getGeneralInfo";
        info->cookEveryFrame = true;
    }

    void execute(TD::DAT_Output* output, const TD::OP_Inputs* inputs, void*) override
    {
        calls_ += " execute";
        ++cooks_;
        logCalls_ = inputs->getParInt("Logcalls") != 0;
        error_ = inputs->getParString("Error");
        warning_.clear();
        if (inputs->getParInt("Throw") != 0)
            throw std::runtime_error("echo was asked to throw");

        if (std::string(inputs->getParString("Mode")) == "text")
        {
            output->setOutputDataType(TD::DAT_OutDataType::Text);
            output->setText(inputs->getParString("Text"));
            return;
        }
        output->setOutputDataType(TD::DAT_OutDataType::Table);
        const int32_t rows = inputs->getParInt("Rows");
        output->setTableSize(rows, 3);
        if (inputs->getParInt("Blank") != 0)
            return;

        output->setCellString(0, 0, inputs->getParString("Text"));
        output->setCellDouble(0, 1, bumps_);
        output->setCellInt(0, 2, cooks_);

        const TD::OP_DATInput* source = inputs->getParDAT("Source");
        std::string seen = "none";
        const void* referenced = nullptr;
        if (source != nullptr)
        {
            const std::string first =
                source->numRows > 0 && source->numCols > 0 ? source->getCell(0, 0) : "";
            if (source->customOP == nullptr)
                seen = "builtin:" + first;
            else
            {
                seen = std::string("custom:") + source->customOP->opType + ":" + first;
                referenced = source->customOP->instance;
            }
        }
        else if (*inputs->getParString("Source") != '\0')
            warning_ = "Source missing";
        output->setCellString(1, 0, seen.c_str());
        output->setCellString(1, 1, addressText(this).c_str());
        output->setCellString(1, 2, addressText(referenced).c_str());

        output->setCellString(2, 0, inputs->getParString("Rows"));
        output->setCellString(2, 1, inputs->getParString("Nosuch"));
        output->setCellInt(2, 2, inputs->getParInt("Mode"));

        if (inputs->getParInt("Overrun") != 0)
            output->setCellString(rows, 0, "past the end");
    }

    void getWarningString(TD::OP_String* warning, void*) override
    {
        calls_ += " getWarningString";
        warning->setString(logCalls_ ? calls_.c_str() : warning_.c_str());
    }

    void getErrorString(TD::OP_String* error, void*) override
    {
        calls_ += " getErrorString";
        error->setString(logCalls_ ? calls_.c_str() : error_.c_str());
    }

    void setupParameters(TD::OP_ParameterManager* manager, void*) override
    {
        // The default text follows the instance, to show when the host asks again.
        const std::string defaultText = bumps_ == 0 ? "hello" : "hello" + std::to_string(bumps_);
        TD::OP_StringParameter text("Text");
        text.label = "Text";
        text.defaultValue = defaultText.c_str();
        manager->appendString(text);

        TD::OP_NumericParameter rows("Rows");
        rows.label = "Rows";
        rows.page = "Echo";
        rows.defaultValues[0] = 3;
        rows.minValues[0] = 0;
        rows.maxValues[0] = 8;
        rows.clampMins[0] = true;
        rows.clampMaxes[0] = true;
        rows.minSliders[0] = 1;
        rows.maxSliders[0] = 6;
        manager->appendInt(rows, 1);

        for (const char* name : {"Blank", "Logcalls", "Overrun", "Throw"})
        {
            TD::OP_NumericParameter toggle(name);
            toggle.label = name;
            manager->appendToggle(toggle);
        }

        TD::OP_StringParameter source("Source");
        source.label = "Source DAT";
        source.defaultValue = "";
        manager->appendDAT(source);

        TD::OP_StringParameter error("Error");
        error.label = "";
        manager->appendString(error);

        const char* names[] = {"table", "text"};
        const char* labels[] = {"Table", "Text"};
        TD::OP_StringParameter mode("Mode");
        mode.label = "Mode";
        mode.defaultValue = "table";
        manager->appendMenu(mode, 2, names, labels);

        TD::OP_NumericParameter bump("Bump");
        manager->appendPulse(bump);

        // Three the host must refuse.
        TD::OP_StringParameter badName("bad name");
        manager->appendString(badName);
        TD::OP_StringParameter duplicate("Text");
        manager->appendString(duplicate);
        TD::OP_NumericParameter tooWide("Wide");
        manager->appendFloat(tooWide, 5);
    }

    void pulsePressed(const char* name, void*) override
    {
        if (std::string(name) == "Bump")
            ++bumps_;
    }

private:
    std::string calls_;
    std::string error_;
    std::string warning_;
    bool logCalls_ = false;
    int32_t bumps_ = 0;
    int32_t cooks_ = 0;
};

} // namespace

extern "C"
{

    ECHO_EXPORT void FillDATPluginInfo(TD::DAT_PluginInfo* info)
    {
        if (!info->setAPIVersion(ECHO_API_VERSION))
            return;
        info->customOPInfo.opType->setString("Echotable");
        info->customOPInfo.opLabel->setString("Echo Table");
        info->customOPInfo.opIcon->setString("ECH");
        info->customOPInfo.authorName->setString("Harness Tests");
        info->customOPInfo.authorEmail->setString("tests@example.org");
        info->customOPInfo.minInputs = 0;
        info->customOPInfo.maxInputs = 1;
        info->customOPInfo.majorVersion = 2;
        info->customOPInfo.minorVersion = 7;
    }

#ifndef ECHO_OMIT_CREATE
    ECHO_EXPORT TD::DAT_CPlusPlusBase* CreateDATInstance(const TD::OP_NodeInfo*)
    {
        return new EchoDat();
    }
#endif

    ECHO_EXPORT void DestroyDATInstance(TD::DAT_CPlusPlusBase* instance)
    {
        delete static_cast<EchoDat*>(instance);
    }

    // Test-only: how many instances exist, so a test can see that the host destroyed them.
    ECHO_EXPORT int EchoLiveInstances()
    {
        return liveInstances;
    }

} // extern "C"
