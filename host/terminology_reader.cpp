// Terminology reader: section by section, each read checked against the end.
#include "host/terminology_reader.h"

#include "host/little_endian_reader.h"

namespace {
using Cursor = LittleEndianReader;

bool fail(std::string& error, const std::string& message) {
    error = message;
    return false;
}

bool readParameter(Cursor& in, TerminologyParameter& parameter) {
    return in.pascal(parameter.name) && in.u32(parameter.key) && in.u32(parameter.type) &&
           in.pascal(parameter.description) && in.u16(parameter.flags);
}

bool readEvent(Cursor& in, TerminologyEvent& event, const std::string& where, std::string& error) {
    if (!in.pascal(event.name) || !in.pascal(event.description) || !in.u32(event.eventClass) ||
        !in.u32(event.eventId) || !in.u32(event.replyType) || !in.pascal(event.replyDescription) ||
        !in.u16(event.replyFlags) || !in.u32(event.directType) || !in.pascal(event.directDescription) ||
        !in.u16(event.directFlags))
        return fail(error, where + " truncated header");
    uint16_t count;
    if (!in.u16(count)) return fail(error, where + " truncated parameter count");
    for (uint16_t i = 0; i < count; ++i) {
        TerminologyParameter parameter;
        if (!readParameter(in, parameter))
            return fail(error, where + " truncated parameter " + std::to_string(i + 1));
        event.parameters.push_back(std::move(parameter));
    }
    return true;
}

bool readEnumeration(Cursor& in, TerminologyEnumeration& enumeration, const std::string& where,
                     std::string& error) {
    uint16_t count;
    if (!in.u32(enumeration.type) || !in.u16(count)) return fail(error, where + " truncated header");
    for (uint16_t i = 0; i < count; ++i) {
        TerminologyEnumerator entry;
        if (!in.pascal(entry.name) || !in.u32(entry.code) || !in.pascal(entry.description))
            return fail(error, where + " truncated entry " + std::to_string(i + 1));
        enumeration.entries.push_back(std::move(entry));
    }
    return true;
}

bool readSuite(Cursor& in, TerminologySuite& suite, const std::string& where, std::string& error) {
    uint16_t eventCount;
    if (!in.pascal(suite.vendor) || !in.pascal(suite.description) || !in.u32(suite.id) ||
        !in.i16(suite.level) || !in.i16(suite.version) || !in.u16(eventCount))
        return fail(error, where + " truncated header");
    for (uint16_t i = 0; i < eventCount; ++i) {
        TerminologyEvent event;
        if (!readEvent(in, event, "[event " + std::to_string(i + 1) + "]", error)) return false;
        suite.events.push_back(std::move(event));
    }
    uint16_t classCount, comparisonCount, enumerationCount;
    if (!in.u16(classCount) || !in.u16(comparisonCount) || !in.u16(enumerationCount))
        return fail(error, where + " truncated counts");
    if (classCount != 0) return fail(error, where + " has classes, which are not supported");
    if (comparisonCount != 0) return fail(error, where + " has comparison operators, which are not supported");
    for (uint16_t i = 0; i < enumerationCount; ++i) {
        TerminologyEnumeration enumeration;
        if (!readEnumeration(in, enumeration, "[enumeration " + std::to_string(i + 1) + "]", error))
            return false;
        suite.enumerations.push_back(std::move(enumeration));
    }
    return true;
}
}  // namespace

bool parseTerminology(const uint8_t* data, size_t size, Terminology& terminology, std::string& error) {
    if (!data) return fail(error, "[header] no data");
    Cursor in(data, size);
    uint16_t leadWord, suiteCount;
    Terminology parsed;
    if (!in.u16(leadWord) || !in.u8(parsed.majorVersion) || !in.u8(parsed.minorVersion) ||
        !in.i16(parsed.language) || !in.i16(parsed.script) || !in.u16(suiteCount))
        return fail(error, "[header] truncated");
    if (parsed.majorVersion != 1) return fail(error, "[header] unknown version " + std::to_string(parsed.majorVersion));
    for (uint16_t i = 0; i < suiteCount; ++i) {
        TerminologySuite suite;
        if (!readSuite(in, suite, "[suite " + std::to_string(i + 1) + "]", error)) return false;
        parsed.suites.push_back(std::move(suite));
    }
    if (in.remaining() != 0)
        return fail(error, "[end] " + std::to_string(in.remaining()) + " bytes after the last suite");
    terminology = std::move(parsed);
    error.clear();
    return true;
}
