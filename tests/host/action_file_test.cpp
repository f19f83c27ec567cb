// Action files: a recorded step read into a descriptor, written back, and
// malformed or hostile files refused with a message that names the problem.
#include "host/action_file.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {
uint32_t code(const char (&text)[5]) { return fourCC(text); }

// A file with the given parameter entries (JSON text of the list's items).
std::string fileWith(const std::string& parameters, const std::string& extra = "") {
    return R"({"format": "Twilightomator action", "version": 1, "playMode": 1)" + extra +
           R"(, "parameters": [)" + parameters + "]}";
}

std::string refusal(const std::string& text) {
    ActionStep step;
    std::string error;
    EXPECT_FALSE(parseActionText(text, step, error)) << text;
    return error;
}

TEST(ActionFile, ReadsAStepInTheFilesOrder) {
    const std::string text = R"({
      "format": "Twilightomator action",
      "version": 1,
      "playMode": 2,
      "parameters": [
        {"name": "focus", "type": "long", "value": 80},
        {"name": "vignette red", "type": "long", "value": 255},
        {"name": "saturation", "type": "long", "value": -100},
        {"name": "high quality", "type": "bool", "value": true},
        {"name": "glue", "type": "enum", "enumType": "GLty", "value": "GL62"},
        {"name": "shape", "type": "enum", "enumType": "MLty", "value": "ML02"},
        {"name": "X center", "type": "doub", "value": 0.25},
        {"name": "Y center", "type": "doub", "value": 1}
      ]
    })";
    ActionStep step;
    std::string error;
    ASSERT_TRUE(parseActionText(text, step, error)) << error;
    EXPECT_EQ(step.playMode, 2);
    const auto& items = step.descriptor.items;
    ASSERT_EQ(items.size(), 8u);
    EXPECT_EQ(items[0].key, code("0007"));
    EXPECT_EQ(items[0].type, typeInteger);
    EXPECT_EQ(items[0].integer, 80);
    EXPECT_EQ(items[1].key, code("0001"));
    EXPECT_EQ(items[1].integer, 255);
    EXPECT_EQ(items[2].integer, -100);
    EXPECT_EQ(items[3].key, code("0021"));
    EXPECT_EQ(items[3].type, typeBoolean);
    EXPECT_EQ(items[3].boolean, 1);
    EXPECT_EQ(items[4].key, code("GLUE"));
    EXPECT_EQ(items[4].type, typeEnumerated);
    EXPECT_EQ(items[4].enumType, code("GLty"));
    EXPECT_EQ(items[4].enumValue, code("GL62"));
    EXPECT_EQ(items[5].key, code("MLky"));
    EXPECT_EQ(items[5].enumValue, code("ML02"));
    EXPECT_EQ(items[6].key, code("0019"));
    EXPECT_EQ(items[6].type, typeFloat);
    EXPECT_EQ(items[6].number, 0.25);
    EXPECT_EQ(items[7].number, 1.0);
}

TEST(ActionFile, PlayModeIsOptional) {
    ActionStep step;
    std::string error;
    const std::string text = R"({"format": "Twilightomator action", "version": 1, "parameters": [
        {"name": "glue", "type": "enum", "enumType": "GLty", "value": "GL61"}]})";
    ASSERT_TRUE(parseActionText(text, step, error)) << error;
    EXPECT_EQ(step.playMode, plugInDialogDontDisplay);
    ASSERT_EQ(step.descriptor.items.size(), 1u);
    EXPECT_EQ(step.descriptor.items[0].enumValue, code("GL61"));
}

// Every value must lie in its parameter's range, at both ends, in both
// directions: a value outside it would sit in the cached settings and
// govern every later run.
TEST(ActionFile, ValuesOutsideTheirRangesAreRefusedByName) {
    EXPECT_EQ(refusal(fileWith(R"({"name": "focus", "type": "long", "value": 101})")),
              "parameter 1 (\"focus\"): 101 is outside 0..100");
    EXPECT_EQ(refusal(fileWith(R"({"name": "focus", "type": "long", "value": -1})")),
              "parameter 1 (\"focus\"): -1 is outside 0..100");
    EXPECT_EQ(refusal(fileWith(R"({"name": "focus", "type": "long", "value": 2147483647})")),
              "parameter 1 (\"focus\"): 2147483647 is outside 0..100");
    EXPECT_EQ(refusal(fileWith(R"({"name": "saturation", "type": "long", "value": -101})")),
              "parameter 1 (\"saturation\"): -101 is outside -100..100");
    EXPECT_EQ(refusal(fileWith(R"({"name": "sepia blue", "type": "long", "value": 256})")),
              "parameter 1 (\"sepia blue\"): 256 is outside 0..255");
    EXPECT_EQ(refusal(fileWith(R"({"name": "Y center", "type": "doub", "value": 1.0000001})")),
              "parameter 1 (\"Y center\"): 1.0000001 is outside 0..1");
    EXPECT_EQ(refusal(fileWith(R"({"name": "X center", "type": "doub", "value": -0.5})")),
              "parameter 1 (\"X center\"): -0.5 is outside 0..1");
    EXPECT_EQ(refusal(fileWith(R"({"name": "glue", "type": "enum", "enumType": "GLty", "value": "GL63"})")),
              "parameter 1 (\"glue\"): \"GL63\" is not one of \"GL01\"..\"GL62\"");
    EXPECT_EQ(refusal(fileWith(R"({"name": "glue", "type": "enum", "enumType": "GLty", "value": "GLXX"})")),
              "parameter 1 (\"glue\"): \"GLXX\" is not one of \"GL01\"..\"GL62\"");
    EXPECT_EQ(refusal(fileWith(R"({"name": "shape", "type": "enum", "enumType": "MLty", "value": "ML00"})")),
              "parameter 1 (\"shape\"): \"ML00\" is not one of \"ML01\"..\"ML03\"");
    // The ends themselves are values.
    ActionStep step;
    std::string error;
    EXPECT_TRUE(parseActionText(fileWith(R"({"name": "saturation", "type": "long", "value": -100},
        {"name": "sepia red", "type": "long", "value": 255}, {"name": "X center", "type": "doub", "value": 0},
        {"name": "shape", "type": "enum", "enumType": "MLty", "value": "ML03"},
        {"name": "glue", "type": "enum", "enumType": "GLty", "value": "GL01"})"), step, error))
        << error;
    // Writing refuses the same values, so that every written file reads back.
    std::string text;
    step.descriptor.items = {integerItem(code("0007"), 101)};
    EXPECT_FALSE(actionText(step, text, error));
    EXPECT_EQ(error, "\"focus\": 101 is outside 0..100");
    step.descriptor.items = {enumeratedItem(code("GLUE"), code("GLty"), code("<NO>"))};
    EXPECT_FALSE(actionText(step, text, error));
}

TEST(ActionFile, MalformedFilesAreRefusedByName) {
    EXPECT_EQ(refusal("").rfind("not valid JSON at byte ", 0), 0u);
    EXPECT_EQ(refusal("{\"format\": ").rfind("not valid JSON at byte ", 0), 0u);
    EXPECT_EQ(refusal("[1, 2]"), "the file must hold one JSON object");
    EXPECT_EQ(refusal(fileWith("", R"(, "colour": 3)")), "unknown field \"colour\"");
    EXPECT_EQ(refusal(R"({"version": 1, "parameters": []})"), "\"format\" must be \"Twilightomator action\"");
    EXPECT_EQ(refusal(R"({"format": "Twilightomator action", "version": 2, "parameters": []})"),
              "\"version\" must be 1");
    EXPECT_EQ(refusal(R"({"format": "Twilightomator action", "version": 1, "playMode": 3, "parameters": []})"),
              "\"playMode\" must be 0, 1 or 2");
    EXPECT_EQ(refusal(R"({"format": "Twilightomator action", "version": 1, "playMode": "1", "parameters": []})"),
              "\"playMode\" must be 0, 1 or 2");
    EXPECT_EQ(refusal(R"({"format": "Twilightomator action", "version": 1, "parameters": {}})"),
              "\"parameters\" must be a list");
    EXPECT_EQ(refusal(fileWith("7")), "parameter 1 must be an object");
    EXPECT_EQ(refusal(fileWith(R"({"type": "long", "value": 1})")), "parameter 1: \"name\" must be given as text");
}

TEST(ActionFile, HostileParametersAreRefusedByName) {
    EXPECT_EQ(refusal(fileWith(R"({"name": "sharpness", "type": "long", "value": 1})")),
              "parameter 1 (\"sharpness\"): not a filter parameter");
    EXPECT_EQ(refusal(fileWith(R"({"name": "focus", "type": "long", "value": 1},
                                  {"name": "focus", "type": "long", "value": 2})")),
              "parameter 2 (\"focus\"): given twice");
    EXPECT_EQ(refusal(fileWith(R"({"name": "focus", "type": "long", "value": 1, "value": 2})")),
              "the key \"value\" is given twice");
    EXPECT_EQ(refusal(fileWith(R"({"name": "focus", "type": "long", "value": 1, "unit": "px"})")),
              "parameter 1 (\"focus\"): unknown field \"unit\"");
    EXPECT_EQ(refusal(fileWith(R"({"name": "X center", "type": "long", "value": 1})")),
              "parameter 1 (\"X center\"): type \"long\" should be \"doub\"");
    EXPECT_EQ(refusal(fileWith(R"({"name": "focus", "value": 1})")),
              "parameter 1 (\"focus\"): \"type\" must be given as text");
    EXPECT_EQ(refusal(fileWith(R"({"name": "focus", "type": "long"})")),
              "parameter 1 (\"focus\"): \"value\" is missing");
    EXPECT_EQ(refusal(fileWith(R"({"name": "focus", "type": "long", "value": "80"})")),
              "parameter 1 (\"focus\"): \"value\" must be a whole number");
    EXPECT_EQ(refusal(fileWith(R"({"name": "focus", "type": "long", "value": 1.5})")),
              "parameter 1 (\"focus\"): \"value\" must be a whole number");
    EXPECT_EQ(refusal(fileWith(R"({"name": "focus", "type": "long", "value": 2147483648})")),
              "parameter 1 (\"focus\"): 2147483648 is outside the 32-bit integer range");
    EXPECT_EQ(refusal(fileWith(R"({"name": "focus", "type": "long", "value": -2147483649})")),
              "parameter 1 (\"focus\"): -2147483649 is outside the 32-bit integer range");
    EXPECT_EQ(refusal(fileWith(R"({"name": "focus", "type": "long", "value": 18446744073709551616})")),
              "parameter 1 (\"focus\"): \"value\" must be a whole number");
    EXPECT_EQ(refusal(fileWith(R"({"name": "X center", "type": "doub", "value": 1e400})")),
              "a number is too large");
    EXPECT_EQ(refusal(fileWith(R"({"name": "high quality", "type": "bool", "value": 1})")),
              "parameter 1 (\"high quality\"): \"value\" must be true or false");
    EXPECT_EQ(refusal(fileWith(R"({"name": "glue", "type": "enum", "value": "GL01"})")),
              "parameter 1 (\"glue\"): \"enumType\" must be given as a four-character code");
    EXPECT_EQ(refusal(fileWith(R"({"name": "glue", "type": "enum", "enumType": "MLty", "value": "GL01"})")),
              "parameter 1 (\"glue\"): \"enumType\" must be \"GLty\"");
    EXPECT_EQ(refusal(fileWith(R"({"name": "glue", "type": "enum", "enumType": "GLty", "value": "GL1"})")),
              "parameter 1 (\"glue\"): \"value\" must be a four-character enumeration code");
    EXPECT_EQ(refusal(fileWith(R"({"name": "glue", "type": "enum", "enumType": "GLty", "value": 12})")),
              "parameter 1 (\"glue\"): \"value\" must be a four-character enumeration code");
    EXPECT_EQ(refusal(fileWith(R"({"name": "focus", "type": "long", "value": 1, "enumType": "GLty"})")),
              "parameter 1 (\"focus\"): unknown field \"enumType\"");
}

TEST(ActionFile, DeepNestingAndHugeFilesAreRefused) {
    const std::string deep = fileWith(R"({"name": "focus", "type": "long", "value": )" + std::string(50, '[') +
                                      std::string(50, ']') + "}");
    EXPECT_EQ(refusal(deep), "the file is nested too deeply");
    const std::string huge(kActionFileMostBytes + 1, ' ');
    EXPECT_EQ(refusal(huge), "the file is larger than an action file can be");
    // Nesting far beyond any stack depth must not crash the reader either.
    const std::string abyss = std::string(200000, '[') + std::string(200000, ']');
    EXPECT_EQ(refusal(abyss), "the file is nested too deeply");
}

TEST(ActionFile, WrittenStepsReadBack) {
    ActionStep step;
    step.playMode = plugInDialogDisplay;
    step.descriptor.items = {integerItem(code("0001"), 255), booleanItem(code("0021"), false),
                             enumeratedItem(code("GLUE"), code("GLty"), code("GL07")),
                             floatItem(code("0019"), 0.30000001192092896)};
    std::string text, error;
    ASSERT_TRUE(actionText(step, text, error)) << error;
    const std::string path = testTemporaryFolder() + "/step.json";
    ASSERT_TRUE(writeActionFile(path, step, true, error)) << error;
    ActionStep back;
    ASSERT_TRUE(readActionFile(path, back, error)) << error;
    EXPECT_EQ(back.playMode, 1);
    ASSERT_EQ(back.descriptor.items.size(), 4u);
    EXPECT_EQ(back.descriptor.items[0].integer, 255);
    EXPECT_EQ(back.descriptor.items[1].type, typeBoolean);
    EXPECT_EQ(back.descriptor.items[1].boolean, 0);
    EXPECT_EQ(back.descriptor.items[2].enumValue, code("GL07"));
    EXPECT_EQ(back.descriptor.items[3].number, 0.30000001192092896) << "doubles survive exactly";
    // The text names the parameters as the terminology does.
    EXPECT_NE(text.find("\"name\": \"vignette red\""), std::string::npos);
    EXPECT_NE(text.find("\"enumType\": \"GLty\""), std::string::npos);
}

TEST(ActionFile, WritingRefusesWhatTheFormatCannotHold) {
    std::string text, error;
    ActionStep step;
    step.descriptor.items = {integerItem(code("abcd"), 1)};
    EXPECT_FALSE(actionText(step, text, error));
    EXPECT_EQ(error, "the descriptor key 'abcd' is not a filter parameter");
    step.descriptor.items = {integerItem(code("0019"), 1)};
    EXPECT_FALSE(actionText(step, text, error));
    EXPECT_EQ(error, "\"X center\" has type 'long', not 'doub'");
    step.descriptor.items = {enumeratedItem(code("GLUE"), code("GLty"), 0x01020304)};
    EXPECT_FALSE(actionText(step, text, error));
    step.descriptor.items = {};
    step.playMode = 5;
    EXPECT_FALSE(actionText(step, text, error));
}

TEST(ActionFile, FileErrorsNameThePath) {
    ActionStep step;
    std::string error;
    const std::string missing = testTemporaryFolder() + "/no such step.json";
    EXPECT_FALSE(readActionFile(missing, step, error));
    EXPECT_EQ(error, "cannot open " + missing);
    const std::string nowhere = testTemporaryFolder() + "/no folder/step.json";
    EXPECT_FALSE(writeActionFile(nowhere, step, false, error));
    EXPECT_EQ(error.rfind("cannot write " + nowhere + ": cannot create a file in ", 0), 0u) << error;
    const std::string broken = testTemporaryFolder() + "/broken.json";
    std::ofstream(broken) << "{";
    EXPECT_FALSE(readActionFile(broken, step, error));
    EXPECT_EQ(error.rfind(broken + ": not valid JSON at byte ", 0), 0u) << error;
}
}  // namespace
