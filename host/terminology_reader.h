// Reads a plug-in's scripting terminology resource (little-endian bytes, as
// the module hands them over) into plain records, checking every length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TerminologyParameter {
    std::string name;
    uint32_t key = 0;
    uint32_t type = 0;
    std::string description;
    uint16_t flags = 0;
};

struct TerminologyEvent {
    std::string name, description;
    uint32_t eventClass = 0, eventId = 0;
    uint32_t replyType = 0;
    std::string replyDescription;
    uint16_t replyFlags = 0;
    uint32_t directType = 0;
    std::string directDescription;
    uint16_t directFlags = 0;
    std::vector<TerminologyParameter> parameters;
};

struct TerminologyEnumerator {
    std::string name;
    uint32_t code = 0;
    std::string description;
};

struct TerminologyEnumeration {
    uint32_t type = 0;
    std::vector<TerminologyEnumerator> entries;
};

struct TerminologySuite {
    std::string vendor, description;
    uint32_t id = 0;
    int16_t level = 0, version = 0;
    std::vector<TerminologyEvent> events;
    std::vector<TerminologyEnumeration> enumerations;
};

struct Terminology {
    uint8_t majorVersion = 0, minorVersion = 0;
    int16_t language = 0, script = 0;
    std::vector<TerminologySuite> suites;
};

// False with a message naming the section ("[event 1] truncated parameter 3")
// for truncated data, bytes left over, or classes and comparison operators,
// which this reader does not understand.
bool parseTerminology(const uint8_t* data, size_t size, Terminology& terminology, std::string& error);
