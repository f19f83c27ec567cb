// Printing the scripting terminology that a module declares.
#include "apps/commands.h"

#include "host/descriptor_suite_store.h"
#include "host/plugin_module.h"
#include "host/terminology_reader.h"

#include <cstdio>

void printTerminology(const PluginModule& module) {
    const std::vector<uint8_t> bytes = module.resource(fourCC("aete"), 16000);
    if (bytes.empty()) {
        std::printf("terminology: none\n");
        return;
    }
    Terminology terminology;
    std::string error;
    if (!parseTerminology(bytes.data(), bytes.size(), terminology, error)) {
        std::printf("terminology: unreadable (%s)\n", error.c_str());
        return;
    }
    for (const TerminologySuite& suite : terminology.suites) {
        std::printf("suite:       \"%s\" (%s), '%s'\n", suite.vendor.c_str(), suite.description.c_str(),
                    fourCCText(suite.id).c_str());
        for (const TerminologyEvent& event : suite.events) {
            std::printf("event:       \"%s\": %s\n", event.name.c_str(), event.description.c_str());
            std::printf("parameters:  %zu\n", event.parameters.size());
            for (const TerminologyParameter& p : event.parameters)
                std::printf("  '%s'  %-16s %-6s flags 0x%04X\n", fourCCText(p.key).c_str(), p.name.c_str(),
                            fourCCText(p.type).c_str(), unsigned(p.flags));
        }
        for (const TerminologyEnumeration& e : suite.enumerations) {
            std::printf("enumeration: '%s', %zu entries\n", fourCCText(e.type).c_str(), e.entries.size());
            for (const TerminologyEnumerator& entry : e.entries)
                std::printf("  '%s'  %s\n", fourCCText(entry.code).c_str(), entry.name.c_str());
        }
    }
}
