// libFuzzer target: the host's parsers of bytes a plug-in module or a user
// hands it: action files, descriptor bytes, the terminology resource and the
// property list with its enable expression. Every parser sees every input.
#include "host/action_file.h"
#include "host/descriptor_suite_store.h"
#include "host/property_list.h"
#include "host/terminology_reader.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1 << 16)) return 0;
    ActionStep step;
    std::string error;
    if (parseActionText(std::string_view(reinterpret_cast<const char*>(data), size), step, error)) {
        std::string text;
        // What was read must write back.
        if (!actionText(step, text, error)) __builtin_trap();
    }
    Descriptor descriptor;
    if (parseDescriptor(data, size, descriptor)) {
        const std::vector<uint8_t> again = serialiseDescriptor(descriptor);
        Descriptor reread;
        if (!parseDescriptor(again.data(), again.size(), reread)) __builtin_trap();
    }
    Terminology terminology;
    parseTerminology(data, size, terminology, error);
    PropertyList list;
    const std::vector<uint8_t> bytes(data, data + size);
    if (parsePropertyList(bytes, list, error)) {
        bool enabled = false;
        evaluateEnableExpression(list.enableExpression, 3, enabled, error);
    }
    return 0;
}
