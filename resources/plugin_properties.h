// The plug-in's property list: how a host finds, names and enables the filter.
#pragma once

#include <cstdint>
#include <vector>

constexpr int16_t kPropertyListResourceId = 16000;
constexpr int16_t kTerminologyResourceId = 16000;

struct FilterCaseInfo {
    uint8_t inputHandling, outputHandling, flags1, flags2;
};

struct PluginProperties {
    uint32_t kind;
    const char* name;
    const char* category;
    uint16_t versionMajor, versionMinor;
    const char* entryPoint;
    uint32_t terminologyClass, terminologyEvent;
    int16_t terminologyId;
    const char* terminologyScope;
    uint8_t modes[2];
    const char* enableExpression;
    FilterCaseInfo filterCases[7];
};

extern const PluginProperties kPluginProperties;

// The property list resource as the Windows resource section holds it.
std::vector<uint8_t> propertyListResourceBytes();
