// The descriptor read and write procedures over the in-memory descriptor.
#include "host/descriptor_suite.h"

#include "host/handle_suite.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

namespace {
// The plug-in's key array ends with a zero key; a runaway array stops here.
constexpr size_t kMostAskedKeys = 4096;

struct Behaviour {
    OSErr readerCloseError = noErr;
    bool openReaderFails = false;
    bool openWriterFails = false;
    bool marksReadKeys = false;
};
Behaviour gBehaviour;
std::vector<DescriptorKeyID> gLastAskedKeys;
int32_t gLiveReaders = 0;
int32_t gLiveWriters = 0;

struct HostReader {
    Descriptor descriptor;
    std::vector<DescriptorKeyID> askedKeys;
    // The plug-in's own array, for marking the keys returned.
    DescriptorKeyID* keyArray = nullptr;
    size_t next = 0;
    const DescriptorItem* current = nullptr;
    OSErr firstError = noErr;
};

struct HostWriter {
    Descriptor descriptor;
};

HostReader* asReader(PIReadDescriptor reader) { return static_cast<HostReader*>(reader); }
HostWriter* asWriter(PIWriteDescriptor writer) { return static_cast<HostWriter*>(writer); }

// The current item when it has one of the two types; otherwise the mismatch
// is recorded for close and null comes back.
const DescriptorItem* currentOf(PIReadDescriptor reader, DescriptorTypeID type,
                                DescriptorTypeID otherType = 0) {
    HostReader* r = asReader(reader);
    if (!r) return nullptr;
    const DescriptorItem* item = r->current;
    const bool matches = item && (item->type == type || (otherType != 0 && item->type == otherType));
    if (!matches) {
        if (r->firstError == noErr) r->firstError = errWrongDescriptorType;
        return nullptr;
    }
    return item;
}

Handle handleWithBytes(const std::vector<uint8_t>& bytes) {
    if (bytes.size() > size_t(std::numeric_limits<int32_t>::max())) return nullptr;
    Handle handle = hostNewHandle(int32_t(bytes.size()));
    if (!handle) return nullptr;
    if (!bytes.empty()) std::memcpy(hostLockHandle(handle, 1), bytes.data(), bytes.size());
    hostUnlockHandle(handle);
    return handle;
}

std::vector<uint8_t> bytesOfHandle(Handle handle) {
    std::vector<uint8_t> bytes;
    if (!handle) return bytes;
    const int32_t size = hostHandleSize(handle);
    const Ptr data = hostLockHandle(handle, 0);
    if (data && size > 0) bytes.assign(data, data + size);
    hostUnlockHandle(handle);
    return bytes;
}

// ---- Read procedures ----
PIReadDescriptor openReader(PIDescriptorHandle descriptor, DescriptorKeyIDArray keys) {
    if (gBehaviour.openReaderFails || !descriptor) return nullptr;
    auto* reader = new (std::nothrow) HostReader;
    if (!reader) return nullptr;
    if (!descriptorFromHandle(descriptor, reader->descriptor)) {
        delete reader;
        return nullptr;
    }
    for (size_t i = 0; keys && i < kMostAskedKeys && keys[i] != 0; ++i) reader->askedKeys.push_back(keys[i]);
    gLastAskedKeys = reader->askedKeys;
    if (gBehaviour.marksReadKeys) reader->keyArray = keys;
    ++gLiveReaders;
    return reader;
}

OSErr closeReader(PIReadDescriptor descriptor) {
    HostReader* reader = asReader(descriptor);
    if (!reader) return nilHandleErr;
    OSErr result = reader->firstError;
    if (result == noErr) {
        for (const DescriptorItem& item : reader->descriptor.items) {
            if (std::find(reader->askedKeys.begin(), reader->askedKeys.end(), item.key) ==
                reader->askedKeys.end()) {
                result = errMissingParameter;
                break;
            }
        }
    }
    if (gBehaviour.readerCloseError != noErr) result = gBehaviour.readerCloseError;
    delete reader;
    --gLiveReaders;
    return result;
}

Boolean getKey(PIReadDescriptor descriptor, DescriptorKeyID* key, DescriptorTypeID* type, int32_t* flags) {
    HostReader* reader = asReader(descriptor);
    if (!reader || reader->next >= reader->descriptor.items.size()) {
        if (reader) reader->current = nullptr;
        return false;
    }
    reader->current = &reader->descriptor.items[reader->next++];
    if (reader->keyArray) {
        for (size_t i = 0; i < reader->askedKeys.size(); ++i)
            if (reader->keyArray[i] == reader->current->key) reader->keyArray[i] = typeNull;
    }
    if (key) *key = reader->current->key;
    if (type) *type = reader->current->type;
    if (flags) *flags = 0;
    return true;
}

OSErr getInteger(PIReadDescriptor reader, int32_t* value) {
    const DescriptorItem* item = currentOf(reader, typeInteger);
    if (!item) return errWrongDescriptorType;
    if (value) *value = item->integer;
    return noErr;
}

OSErr getFloat(PIReadDescriptor reader, double* value) {
    const DescriptorItem* item = currentOf(reader, typeFloat);
    if (!item) return errWrongDescriptorType;
    if (value) *value = item->number;
    return noErr;
}

OSErr getUnitFloat(PIReadDescriptor reader, DescriptorUnitID* unit, double* value) {
    const DescriptorItem* item = currentOf(reader, typeUnitFloat);
    if (!item) return errWrongDescriptorType;
    if (unit) *unit = item->unit;
    if (value) *value = item->number;
    return noErr;
}

OSErr getBoolean(PIReadDescriptor reader, Boolean* value) {
    const DescriptorItem* item = currentOf(reader, typeBoolean);
    if (!item) return errWrongDescriptorType;
    if (value) *value = item->boolean;
    return noErr;
}

OSErr getBytesAsHandle(PIReadDescriptor reader, DescriptorTypeID type, Handle* handle) {
    const DescriptorItem* item = currentOf(reader, type);
    if (!item) return errWrongDescriptorType;
    if (!handle) return noErr;
    *handle = handleWithBytes(item->bytes);
    return *handle ? noErr : memFullErr;
}

OSErr getText(PIReadDescriptor reader, Handle* handle) { return getBytesAsHandle(reader, typeText, handle); }
OSErr getAlias(PIReadDescriptor reader, Handle* handle) { return getBytesAsHandle(reader, typeAlias, handle); }

OSErr getEnumerated(PIReadDescriptor reader, DescriptorEnumID* value) {
    const DescriptorItem* item = currentOf(reader, typeEnumerated);
    if (!item) return errWrongDescriptorType;
    if (value) *value = item->enumValue;
    return noErr;
}

OSErr getClass(PIReadDescriptor reader, DescriptorClassID* value) {
    const DescriptorItem* item = currentOf(reader, typeType, typeGlobalClass);
    if (!item) return errWrongDescriptorType;
    if (value) *value = item->classId;
    return noErr;
}

OSErr getSimpleReference(PIReadDescriptor reader, void* reference) {
    const DescriptorItem* item = currentOf(reader, typeObjectSpecifier);
    if (!item) return errWrongDescriptorType;
    if (reference) std::memcpy(reference, item->bytes.data(), sizeof(DescriptorSimpleReference));
    return noErr;
}

OSErr getObject(PIReadDescriptor reader, DescriptorClassID* classId, PIDescriptorHandle* handle) {
    const DescriptorItem* item = currentOf(reader, typeObject, typeGlobalObject);
    if (!item) return errWrongDescriptorType;
    if (classId) *classId = item->classId;
    if (!handle) return noErr;
    *handle = handleWithBytes(item->bytes);
    return *handle ? noErr : memFullErr;
}

OSErr getCount(PIReadDescriptor reader, uint32_t* count) {
    const DescriptorItem* item = currentOf(reader, typeInteger);
    if (!item) return errWrongDescriptorType;
    if (count) *count = uint32_t(item->integer);
    return noErr;
}

OSErr getString(PIReadDescriptor reader, Str255* text) {
    const DescriptorItem* item = currentOf(reader, typeText);
    if (!item) return errWrongDescriptorType;
    if (!text) return noErr;
    const size_t length = std::min<size_t>(item->bytes.size(), 255);
    (*text)[0] = uint8_t(length);
    if (length > 0) std::memcpy(&(*text)[1], item->bytes.data(), length);
    return noErr;
}

OSErr getPinnedInteger(PIReadDescriptor reader, int32_t minimum, int32_t maximum, int32_t* value) {
    const DescriptorItem* item = currentOf(reader, typeInteger);
    if (!item) return errWrongDescriptorType;
    int32_t pinned = item->integer;
    if (pinned < minimum) pinned = minimum;
    if (pinned > maximum) pinned = maximum;
    if (value) *value = pinned;
    return pinned == item->integer ? OSErr(noErr) : coercedParamErr;
}

double pinned(double value, const double* minimum, const double* maximum) {
    if (minimum && value < *minimum) value = *minimum;
    if (maximum && value > *maximum) value = *maximum;
    return value;
}

OSErr getPinnedFloat(PIReadDescriptor reader, const double* minimum, const double* maximum, double* value) {
    const DescriptorItem* item = currentOf(reader, typeFloat);
    if (!item) return errWrongDescriptorType;
    const double result = pinned(item->number, minimum, maximum);
    if (value) *value = result;
    return result == item->number ? OSErr(noErr) : coercedParamErr;
}

OSErr getPinnedUnitFloat(PIReadDescriptor reader, const double* minimum, const double* maximum,
                         DescriptorUnitID* unit, double* value) {
    const DescriptorItem* item = currentOf(reader, typeUnitFloat);
    if (!item) return errWrongDescriptorType;
    const double result = pinned(item->number, minimum, maximum);
    if (unit) *unit = item->unit;
    if (value) *value = result;
    return result == item->number ? OSErr(noErr) : coercedParamErr;
}

// ---- Write procedures ----
PIWriteDescriptor openWriter() {
    if (gBehaviour.openWriterFails) return nullptr;
    auto* writer = new (std::nothrow) HostWriter;
    if (writer) ++gLiveWriters;
    return writer;
}

OSErr closeWriter(PIWriteDescriptor descriptor, PIDescriptorHandle* handle) {
    HostWriter* writer = asWriter(descriptor);
    if (!writer) return nilHandleErr;
    Handle written = descriptorToHandle(writer->descriptor);
    delete writer;
    --gLiveWriters;
    if (handle) {
        *handle = written;
    } else {
        hostDisposeHandle(written);
    }
    return written ? noErr : memFullErr;
}

OSErr put(PIWriteDescriptor descriptor, const DescriptorItem& item) {
    HostWriter* writer = asWriter(descriptor);
    if (!writer) return nilHandleErr;
    writer->descriptor.put(item);
    return noErr;
}

DescriptorItem itemOf(DescriptorKeyID key, DescriptorTypeID type) {
    DescriptorItem item;
    item.key = key;
    item.type = type;
    return item;
}

OSErr putInteger(PIWriteDescriptor writer, DescriptorKeyID key, int32_t value) {
    return put(writer, integerItem(key, value));
}

OSErr putFloat(PIWriteDescriptor writer, DescriptorKeyID key, const double* value) {
    if (!value) return paramErr;
    return put(writer, floatItem(key, *value));
}

OSErr putUnitFloat(PIWriteDescriptor writer, DescriptorKeyID key, DescriptorUnitID unit, const double* value) {
    if (!value) return paramErr;
    return put(writer, unitFloatItem(key, unit, *value));
}

OSErr putBoolean(PIWriteDescriptor writer, DescriptorKeyID key, Boolean value) {
    return put(writer, booleanItem(key, value != 0));
}

OSErr putBytes(PIWriteDescriptor writer, DescriptorKeyID key, DescriptorTypeID type, Handle handle) {
    DescriptorItem item = itemOf(key, type);
    item.bytes = bytesOfHandle(handle);
    return put(writer, item);
}

OSErr putText(PIWriteDescriptor writer, DescriptorKeyID key, Handle handle) {
    return putBytes(writer, key, typeText, handle);
}

OSErr putAlias(PIWriteDescriptor writer, DescriptorKeyID key, Handle handle) {
    return putBytes(writer, key, typeAlias, handle);
}

OSErr putEnumerated(PIWriteDescriptor writer, DescriptorKeyID key, DescriptorTypeID type, DescriptorEnumID value) {
    return put(writer, enumeratedItem(key, type, value));
}

OSErr putClass(PIWriteDescriptor writer, DescriptorKeyID key, DescriptorTypeID classId) {
    DescriptorItem item = itemOf(key, typeType);
    item.classId = classId;
    return put(writer, item);
}

OSErr putScopedClass(PIWriteDescriptor writer, DescriptorKeyID key, DescriptorTypeID classId) {
    DescriptorItem item = itemOf(key, typeGlobalClass);
    item.classId = classId;
    return put(writer, item);
}

OSErr putSimpleReference(PIWriteDescriptor writer, DescriptorKeyID key, const void* reference) {
    if (!reference) return paramErr;
    DescriptorItem item = itemOf(key, typeObjectSpecifier);
    const auto* bytes = static_cast<const uint8_t*>(reference);
    item.bytes.assign(bytes, bytes + sizeof(DescriptorSimpleReference));
    return put(writer, item);
}

// A nested descriptor must be one of ours, so that a reader can open it later.
OSErr putNestedObject(PIWriteDescriptor writer, DescriptorKeyID key, DescriptorTypeID type,
                      DescriptorClassID classId, PIDescriptorHandle handle) {
    DescriptorItem item = itemOf(key, type);
    item.classId = classId;
    item.bytes = bytesOfHandle(handle);
    Descriptor nested;
    if (!parseDescriptor(item.bytes.data(), item.bytes.size(), nested)) return paramErr;
    return put(writer, item);
}

OSErr putObject(PIWriteDescriptor writer, DescriptorKeyID key, DescriptorTypeID classId, PIDescriptorHandle handle) {
    return putNestedObject(writer, key, typeObject, classId, handle);
}

OSErr putScopedObject(PIWriteDescriptor writer, DescriptorKeyID key, DescriptorTypeID classId,
                      PIDescriptorHandle handle) {
    return putNestedObject(writer, key, typeGlobalObject, classId, handle);
}

OSErr putCount(PIWriteDescriptor writer, DescriptorKeyID key, uint32_t count) {
    return put(writer, integerItem(key, int32_t(count)));
}

OSErr putString(PIWriteDescriptor writer, DescriptorKeyID key, const unsigned char* text) {
    if (!text) return paramErr;
    DescriptorItem item = itemOf(key, typeText);
    item.bytes.assign(text + 1, text + 1 + text[0]);
    return put(writer, item);
}

void fillReadProcs(ReadDescriptorProcs& procs, const DescriptorSuiteConfig& config) {
    procs.readDescriptorProcsVersion = config.readVersion;
    procs.numReadDescriptorProcs = config.readProcedureCount;
    procs.openReadDescriptorProc = openReader;
    procs.closeReadDescriptorProc = closeReader;
    procs.getKeyProc = getKey;
    procs.getIntegerProc = getInteger;
    procs.getFloatProc = getFloat;
    procs.getUnitFloatProc = getUnitFloat;
    procs.getBooleanProc = getBoolean;
    procs.getTextProc = getText;
    procs.getAliasProc = getAlias;
    procs.getEnumeratedProc = getEnumerated;
    procs.getClassProc = getClass;
    procs.getSimpleReferenceProc = getSimpleReference;
    procs.getObjectProc = getObject;
    procs.getCountProc = getCount;
    procs.getStringProc = getString;
    procs.getPinnedIntegerProc = getPinnedInteger;
    procs.getPinnedFloatProc = getPinnedFloat;
    procs.getPinnedUnitFloatProc = getPinnedUnitFloat;
    // The procedure slots follow the header word; clear the one a test asks to lose.
    if (config.missingReadProcedure >= 0 && config.missingReadProcedure < 18) {
        void* slot = reinterpret_cast<unsigned char*>(&procs) + offsetof(ReadDescriptorProcs, openReadDescriptorProc) +
                     size_t(config.missingReadProcedure) * sizeof(void*);
        std::memset(slot, 0, sizeof(void*));
    }
}

void fillWriteProcs(WriteDescriptorProcs& procs, const DescriptorSuiteConfig& config) {
    procs.writeDescriptorProcsVersion = config.writeVersion;
    procs.numWriteDescriptorProcs = config.writeProcedureCount;
    procs.openWriteDescriptorProc = openWriter;
    procs.closeWriteDescriptorProc = closeWriter;
    procs.putIntegerProc = putInteger;
    procs.putFloatProc = putFloat;
    procs.putUnitFloatProc = putUnitFloat;
    procs.putBooleanProc = putBoolean;
    procs.putTextProc = putText;
    procs.putAliasProc = putAlias;
    procs.putEnumeratedProc = putEnumerated;
    procs.putClassProc = putClass;
    procs.putSimpleReferenceProc = putSimpleReference;
    procs.putObjectProc = putObject;
    procs.putCountProc = putCount;
    procs.putStringProc = putString;
    procs.putScopedClassProc = putScopedClass;
    procs.putScopedObjectProc = putScopedObject;
}
}  // namespace

DescriptorSuiteHost::DescriptorSuiteHost(const DescriptorSuiteConfig& config, const Descriptor* descriptor)
    : config_(config) {
    gBehaviour.readerCloseError = config.readerCloseError;
    gBehaviour.openReaderFails = config.openReaderFails;
    gBehaviour.openWriterFails = config.openWriterFails;
    gBehaviour.marksReadKeys = config.marksReadKeys;
    fillReadProcs(readProcs_, config);
    fillWriteProcs(writeProcs_, config);
    parameters_.descriptorParametersVersion = config.parametersVersion;
    parameters_.playInfo = config.playInfo;
    parameters_.recordInfo = config.recordInfo;
    parameters_.descriptor = descriptor ? descriptorToHandle(*descriptor) : nullptr;
    parameters_.readDescriptorProcs = config.withReadProcs ? &readProcs_ : nullptr;
    parameters_.writeDescriptorProcs = config.withWriteProcs ? &writeProcs_ : nullptr;
}

DescriptorSuiteHost::~DescriptorSuiteHost() {
    hostDisposeHandle(parameters_.descriptor);
}

PIDescriptorParameters* DescriptorSuiteHost::parameters() {
    return config_.present ? &parameters_ : nullptr;
}

bool DescriptorSuiteHost::takeDescriptor(Descriptor& descriptor) {
    if (!parameters_.descriptor) return false;
    const bool ok = descriptorFromHandle(parameters_.descriptor, descriptor);
    hostDisposeHandle(parameters_.descriptor);
    parameters_.descriptor = nullptr;
    return ok;
}

int32_t liveDescriptorReaders() { return gLiveReaders; }
std::vector<DescriptorKeyID> lastAskedDescriptorKeys() { return gLastAskedKeys; }
int32_t liveDescriptorWriters() { return gLiveWriters; }
