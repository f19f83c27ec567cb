// Reading and writing the scripted settings through the host's descriptor suite.
#include "plugin/scripting.h"

#include "plugin/host_services.h"
#include "model/settings_table.h"

#include <array>

namespace {
// The keys a reader is opened with, in memory the host may write: hosts
// overwrite each key they return with 'null'. Every reader gets a fresh
// copy that lives until it is closed.
using ReaderKeys = std::array<DescriptorKeyID, kReaderKeyTable.size()>;

bool readsDescriptors(const FilterRecord* record) {
    return record && !hostSkipsDescriptorReading(record) && descriptorSuiteUsable(record);
}

// The descriptor handle belongs to the host's handle suite. Without a usable
// suite it stays where it is, for the host to free: the plug-in's fallback
// memory did not make it and must not free it.
void disposeDescriptor(const FilterRecord* record, PIDescriptorParameters& descriptorParameters) {
    if (!descriptorParameters.descriptor || !handleSuiteUsable(record)) return;
    disposePluginHandle(record, descriptorParameters.descriptor);
    descriptorParameters.descriptor = nullptr;
}

// Reads the value of the current key, as the setting's descriptor type, into
// its field; a failed get leaves the field at its default.
void readSetting(const ReadDescriptorProcs& procs, PIReadDescriptor reader,
                 const ScriptedSetting& setting, UserSettings& settings) {
    DescriptorValue value;
    value.type = descriptorType(setting.kind);
    OSErr got = errMissingParameter;
    switch (value.type) {
        case typeInteger: got = procs.getIntegerProc(reader, &value.integer); break;
        case typeBoolean: {
            Boolean flag = 0;
            got = procs.getBooleanProc(reader, &flag);
            value.boolean = uint8_t(flag);
            break;
        }
        case typeEnumerated: got = procs.getEnumeratedProc(reader, &value.enumValue); break;
        case typeFloat: got = procs.getFloatProc(reader, &value.number); break;
        default: break;
    }
    if (got == noErr) setFromDescriptorValue(settings, setting, value);
}

void writeSetting(const WriteDescriptorProcs& procs, PIWriteDescriptor writer,
                  const ScriptedSetting& setting, const UserSettings& settings) {
    const DescriptorValue value = descriptorValueOf(settings, setting);
    switch (value.type) {
        case typeInteger: procs.putIntegerProc(writer, setting.key, value.integer); break;
        case typeBoolean: procs.putBooleanProc(writer, setting.key, Boolean(value.boolean)); break;
        case typeEnumerated: procs.putEnumeratedProc(writer, setting.key, value.enumType, value.enumValue); break;
        case typeFloat: procs.putFloatProc(writer, setting.key, &value.number); break;
        default: break;
    }
}
}  // namespace

bool descriptorPresent(FilterRecord* record) {
    if (!readsDescriptors(record)) return false;
    PIDescriptorParameters& descriptorParameters = *record->descriptorParameters;
    const ReadDescriptorProcs& procs = *descriptorParameters.readDescriptorProcs;
    ReaderKeys keys = kReaderKeyTable;
    PIReadDescriptor reader = procs.openReadDescriptorProc(descriptorParameters.descriptor, keys.data());
    if (!reader) return false;
    // Closing only ends the probe; the descriptor itself stays with the host.
    procs.closeReadDescriptorProc(reader);
    return true;
}

OSErr readScriptingParameters(FilterRecord* record, FilterParameters* parameters) {
    if (!parameters || !readsDescriptors(record)) return noErr;
    PIDescriptorParameters& descriptorParameters = *record->descriptorParameters;
    const ReadDescriptorProcs& procs = *descriptorParameters.readDescriptorProcs;
    OSErr result = noErr;
    ReaderKeys keys = kReaderKeyTable;
    PIReadDescriptor reader = procs.openReadDescriptorProc(descriptorParameters.descriptor, keys.data());
    if (reader) {
        resetToDefaults(parameters->settings);
        DescriptorKeyID key = 0;
        DescriptorTypeID type = 0;
        int32_t flags = 0;
        while (procs.getKeyProc(reader, &key, &type, &flags)) {
            if (const ScriptedSetting* setting = findScriptedSetting(key))
                readSetting(procs, reader, *setting, parameters->settings);
        }
        const OSErr closeError = procs.closeReadDescriptorProc(reader);
        disposeDescriptor(record, descriptorParameters);
        if (closeError != errMissingParameter) result = closeError;
    }
    parameters->showDialog = descriptorParameters.playInfo == plugInDialogDisplay ? 1 : 0;
    return result;
}

void writeScriptingParameters(FilterRecord* record, const FilterParameters* parameters) {
    if (!parameters || !descriptorSuiteUsable(record)) return;
    PIDescriptorParameters& descriptorParameters = *record->descriptorParameters;
    const WriteDescriptorProcs& procs = *descriptorParameters.writeDescriptorProcs;
    if (!procs.openWriteDescriptorProc || !procs.closeWriteDescriptorProc || !procs.putIntegerProc ||
        !procs.putFloatProc || !procs.putBooleanProc || !procs.putEnumeratedProc)
        return;
    // The host's descriptor can only be replaced when it can be given back
    // through the handle suite; otherwise it stays, rather than being lost.
    if (descriptorParameters.descriptor && !handleSuiteUsable(record)) return;
    PIWriteDescriptor writer = procs.openWriteDescriptorProc();
    if (!writer) return;
    for (uint8_t index : kWriterOrder) writeSetting(procs, writer, kScriptedSettings[index], parameters->settings);
    disposeDescriptor(record, descriptorParameters);
    PIDescriptorHandle written = nullptr;
    procs.closeWriteDescriptorProc(writer, &written);
    descriptorParameters.descriptor = written;
    descriptorParameters.recordInfo = plugInDialogOptional;
}
