// Procedure arguments made from the table of scripted settings.
#include "gimp/procedure_arguments.h"

#include "model/glue_modes.h"
#include "model/scripting_codes.h"
#include "model/settings_table.h"

#include <cctype>
#include <cmath>
#include <deque>
#include <cstdio>

namespace {
constexpr int kLeadingArguments = 3;  // run-mode, image, drawable

// GIMP's argument names are lower case with hyphens: "CB width" is "cb-width".
std::string argumentName(const std::string& terminologyName) {
    std::string name;
    for (char c : terminologyName) name += c == ' ' ? '-' : char(std::tolower(uint8_t(c)));
    return name;
}

std::string numberText(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", value);
    return buffer;
}

// A colour argument stands for the three channel settings from its red one on.
bool startsColour(const ScriptedSetting& setting) {
    return setting.kind == DescriptorKind::colorChannel && std::string(setting.name).ends_with(" red");
}

std::string colourName(const ScriptedSetting& red) {
    const std::string name = red.name;
    return name.substr(0, name.size() - 4);  // "vignette red" -> "vignette"
}

std::string glueDescription() {
    std::string text = "glue mode, 1..62:";
    for (const GlueMode& mode : kGlueModes)
        text += " " + std::to_string(mode.number) + " " + mode.name + (mode.number < kGlueModeCount ? "," : "");
    return text;
}

std::string shapeDescription() {
    std::string text = "shape of the clear area:";
    for (size_t i = 0; i < kShapeEntries.size(); ++i)
        text += " " + std::to_string(i + 1) + " " + kShapeEntries[i].name + (i + 1 < kShapeEntries.size() ? "," : "");
    return text;
}

struct ArgumentTexts {
    std::string name, description;
};

std::vector<GimpParamDef> makeArguments() {
    static std::deque<ArgumentTexts> texts;  // the definitions point into these; a deque never moves them
    std::vector<GimpParamDef> arguments = {
        {GIMP_PDB_INT32, const_cast<gchar*>("run-mode"),
         const_cast<gchar*>("The run mode { RUN-INTERACTIVE (0), RUN-NONINTERACTIVE (1), RUN-WITH-LAST-VALS (2) }")},
        {GIMP_PDB_IMAGE, const_cast<gchar*>("image"), const_cast<gchar*>("Input image")},
        {GIMP_PDB_DRAWABLE, const_cast<gchar*>("drawable"), const_cast<gchar*>("Input drawable")},
    };
    for (const ScriptedSetting& setting : kScriptedSettings) {
        GimpPDBArgType type = GIMP_PDB_INT32;
        ArgumentTexts text{argumentName(setting.name), std::string(setting.name)};
        switch (setting.kind) {
            case DescriptorKind::colorChannel:
                if (!startsColour(setting)) continue;
                type = GIMP_PDB_COLOR;
                text.name = argumentName(colourName(setting)) + "-color";
                text.description = colourName(setting) + " colour";
                break;
            case DescriptorKind::integer:
                text.description += ", " + numberText(setting.minimum) + ".." + numberText(setting.maximum);
                break;
            case DescriptorKind::boolean: text.description += ", TRUE or FALSE"; break;
            case DescriptorKind::glueMode: text.description = glueDescription(); break;
            case DescriptorKind::clearAreaShape: text.description = shapeDescription(); break;
            case DescriptorKind::real:
                type = GIMP_PDB_FLOAT;
                text.description += ", " + numberText(setting.minimum) + ".." + numberText(setting.maximum) +
                                    " of the image's width or height";
                break;
        }
        texts.push_back(text);
        arguments.push_back({type, const_cast<gchar*>(texts.back().name.c_str()),
                             const_cast<gchar*>(texts.back().description.c_str())});
    }
    return arguments;
}

bool fail(std::string& error, const std::string& message) {
    error = message;
    return false;
}

bool inRange(double value, const ScriptedSetting& setting) {
    return value >= setting.minimum && value <= setting.maximum;
}
}  // namespace

const std::vector<GimpParamDef>& procedureArguments() {
    static const std::vector<GimpParamDef> arguments = makeArguments();
    return arguments;
}

bool descriptorFromArguments(const GimpParam* arguments, int count, Descriptor& descriptor, std::string& error) {
    const std::vector<GimpParamDef>& definitions = procedureArguments();
    if (count != int(definitions.size()))
        return fail(error, "the procedure takes " + std::to_string(definitions.size()) + " arguments, not " +
                               std::to_string(count));
    Descriptor made;
    int index = kLeadingArguments;
    for (size_t i = 0; i < kScriptedSettings.size(); ++i) {
        const ScriptedSetting& setting = kScriptedSettings[i];
        if (setting.kind == DescriptorKind::colorChannel && !startsColour(setting)) continue;
        const GimpParam& argument = arguments[index];
        const GimpParamDef& definition = definitions[size_t(index)];
        const std::string name = definition.name;
        ++index;
        if (argument.type != definition.type) return fail(error, name + ": an argument of another type was given");
        switch (setting.kind) {
            case DescriptorKind::colorChannel: {
                // The colour's three channels, each 0..1 in GIMP, 0..255 here.
                const double channels[3] = {argument.data.d_color.r, argument.data.d_color.g,
                                            argument.data.d_color.b};
                for (int c = 0; c < 3; ++c) {
                    if (!(channels[c] >= 0.0 && channels[c] <= 1.0))
                        return fail(error, name + ": a channel is outside 0..1");
                    made.put(integerItem(kScriptedSettings[i + size_t(c)].key, int32_t(std::lround(channels[c] * 255.0))));
                }
                break;
            }
            case DescriptorKind::integer:
                if (!inRange(argument.data.d_int32, setting))
                    return fail(error, name + ": " + std::to_string(argument.data.d_int32) + " is outside " +
                                           numberText(setting.minimum) + ".." + numberText(setting.maximum));
                made.put(integerItem(setting.key, argument.data.d_int32));
                break;
            case DescriptorKind::boolean:
                if (argument.data.d_int32 != 0 && argument.data.d_int32 != 1)
                    return fail(error, name + ": " + std::to_string(argument.data.d_int32) + " is not TRUE or FALSE");
                made.put(booleanItem(setting.key, argument.data.d_int32 != 0));
                break;
            case DescriptorKind::glueMode:
            case DescriptorKind::clearAreaShape: {
                if (!inRange(argument.data.d_int32, setting))
                    return fail(error, name + ": " + std::to_string(argument.data.d_int32) + " is outside " +
                                           numberText(setting.minimum) + ".." + numberText(setting.maximum));
                const DescriptorEnumTypeID type = enumerationType(setting.kind);
                made.put(enumeratedItem(setting.key, type, encodeEnumeration(argument.data.d_int32, type)));
                break;
            }
            case DescriptorKind::real:
                if (!inRange(argument.data.d_float, setting))
                    return fail(error, name + ": " + numberText(argument.data.d_float) + " is outside " +
                                           numberText(setting.minimum) + ".." + numberText(setting.maximum));
                made.put(floatItem(setting.key, argument.data.d_float));
                break;
        }
    }
    descriptor = std::move(made);
    return true;
}
