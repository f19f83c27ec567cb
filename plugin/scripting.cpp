// Reading and writing the scripted settings through the host's descriptor suite.
#include "plugin/scripting.h"

#include "plugin/host_services.h"
#include "model/settings_table.h"

namespace {
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

// Reads the value of the current key into its field; a failed get leaves the
// field at its default.
void readSetting(const ReadDescriptorProcs& procs, PIReadDescriptor reader,
                 const ScriptedSetting& setting, UserSettings& settings) {
    switch (setting.kind) {
        case DescriptorKind::colorChannel: {
            int32_t value = 0;
            if (procs.getIntegerProc(reader, &value) == noErr)
                setSettingField(settings, setting, uint16_t(uint32_t(value) * 256u));
            break;
        }
        case DescriptorKind::integer: {
            int32_t value = 0;
            if (procs.getIntegerProc(reader, &value) == noErr) setSettingField(settings, setting, value);
            break;
        }
        case DescriptorKind::boolean: {
            Boolean value = 0;
            if (procs.getBooleanProc(reader, &value) == noErr)
                setSettingField(settings, setting, int32_t(value ? 1 : 0));
            break;
        }
        case DescriptorKind::glueMode:
        case DescriptorKind::clearAreaShape: {
            DescriptorEnumID code = 0;
            if (procs.getEnumeratedProc(reader, &code) == noErr)
                setSettingField(settings, setting, decodeEnumeration(enumerationType(setting.kind), code));
            break;
        }
        case DescriptorKind::real: {
            double value = 0.0;
            if (procs.getFloatProc(reader, &value) == noErr)
                setSettingField(settings, setting, static_cast<float>(value));
            break;
        }
    }
}

void writeSetting(const WriteDescriptorProcs& procs, PIWriteDescriptor writer,
                  const ScriptedSetting& setting, const UserSettings& settings) {
    switch (setting.kind) {
        case DescriptorKind::colorChannel:
            procs.putIntegerProc(writer, setting.key, settingField<uint16_t>(settings, setting) >> 8);
            break;
        case DescriptorKind::integer:
            procs.putIntegerProc(writer, setting.key, settingField<int32_t>(settings, setting));
            break;
        case DescriptorKind::boolean:
            procs.putBooleanProc(writer, setting.key,
                                 Boolean(uint8_t(settingField<int32_t>(settings, setting))));
            break;
        case DescriptorKind::glueMode:
        case DescriptorKind::clearAreaShape: {
            const DescriptorEnumTypeID type = enumerationType(setting.kind);
            procs.putEnumeratedProc(writer, setting.key, type,
                                    encodeEnumeration(settingField<int32_t>(settings, setting), type));
            break;
        }
        case DescriptorKind::real: {
            const double value = settingField<float>(settings, setting);
            procs.putFloatProc(writer, setting.key, &value);
            break;
        }
    }
}
}  // namespace

bool descriptorPresent(FilterRecord* record) {
    if (!readsDescriptors(record)) return false;
    PIDescriptorParameters& descriptorParameters = *record->descriptorParameters;
    const ReadDescriptorProcs& procs = *descriptorParameters.readDescriptorProcs;
    PIReadDescriptor reader =
        procs.openReadDescriptorProc(descriptorParameters.descriptor, kReaderKeyTable.data());
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
    PIReadDescriptor reader =
        procs.openReadDescriptorProc(descriptorParameters.descriptor, kReaderKeyTable.data());
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
    PIWriteDescriptor writer = procs.openWriteDescriptorProc();
    if (!writer) return;
    for (uint8_t index : kWriterOrder) writeSetting(procs, writer, kScriptedSettings[index], parameters->settings);
    // A descriptor we may not free is left to the host; the new one replaces it.
    disposeDescriptor(record, descriptorParameters);
    PIDescriptorHandle written = nullptr;
    procs.closeWriteDescriptorProc(writer, &written);
    descriptorParameters.descriptor = written;
    descriptorParameters.recordInfo = plugInDialogOptional;
}
