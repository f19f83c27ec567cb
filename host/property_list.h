// Reading a plug-in's property list resource and deciding whether it can
// filter a document.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PropertyList {
    uint32_t kind = 0;
    std::string name, category;
    uint16_t versionMajor = 0, versionMinor = 0;
    std::string entryPoint;  // '8664'
    bool hasTerminology = false;
    uint32_t terminologyClass = 0, terminologyEvent = 0;
    int16_t terminologyId = 0;
    std::string terminologyScope;
    bool hasModes = false;
    uint8_t modes[2] = {0, 0};
    std::string enableExpression;
    std::vector<uint8_t> filterCaseInfo;  // 'fici', 4 bytes per case
};

// Parses the little-endian resource; false with a message naming the fault.
bool parsePropertyList(const std::vector<uint8_t>& bytes, PropertyList& list, std::string& error);

// The 'mode' bit of an image mode (0 when the mode has none).
bool modeBitSet(const PropertyList& list, int16_t imageMode);

// Evaluates the enable expression for an image mode. Supports the forms a
// filter uses: "true", "false", "in (PSHOP_ImageMode, ModeName, ...)", and
// "||" / "&&" between them. false with error for anything else.
bool evaluateEnableExpression(const std::string& expression, int16_t imageMode, bool& enabled,
                              std::string& error);

const char* imageModeName(int16_t imageMode);
