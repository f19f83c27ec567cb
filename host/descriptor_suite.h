// The host's scripting descriptor suite: 18 read and 16 write procedures over
// the in-memory descriptor, and the PIDescriptorParameters the host hands the
// plug-in with the play and record modes. Tests can make the suite absent,
// short, of a wrong version, or make its readers and writers fail.
#pragma once

#include "host/descriptor_suite_store.h"
#include "interface/host_interface.h"

#include <cstdint>
#include <vector>

// Pinned values that had to be moved into their range.
constexpr OSErr coercedParamErr = 2;
// A get procedure that does not match the type of the current key.
constexpr OSErr errWrongDescriptorType = -1703;

struct DescriptorSuiteConfig {
    bool present = true;  // false: FilterRecord.descriptorParameters is null
    int16_t parametersVersion = kCurrentDescriptorParametersVersion;
    bool withReadProcs = true, withWriteProcs = true;
    int16_t readVersion = kCurrentReadDescriptorProcsVersion;
    int16_t readProcedureCount = 18;
    int16_t writeVersion = kCurrentWriteDescriptorProcsVersion;
    int16_t writeProcedureCount = 16;
    int32_t missingReadProcedure = -1;  // 0..17: that read procedure is left null
    int16_t playInfo = plugInDialogDontDisplay;
    int16_t recordInfo = plugInDialogOptional;
    OSErr readerCloseError = noErr;  // non-zero: closing a reader returns this
    bool openReaderFails = false;
    bool openWriterFails = false;
    // As real hosts do: each key getKey returns is overwritten with 'null'
    // in the key array the plug-in handed to the reader.
    bool marksReadKeys = false;
};

// One run's descriptor parameters. The procedures are process-wide; the
// failure settings of the most recently made suite apply to all of them.
class DescriptorSuiteHost {
public:
    // With a descriptor, the plug-in receives it in a handle of the host's
    // handle suite (the plug-in disposes it through that suite).
    explicit DescriptorSuiteHost(const DescriptorSuiteConfig& config,
                                 const Descriptor* descriptor = nullptr);
    ~DescriptorSuiteHost();
    DescriptorSuiteHost(const DescriptorSuiteHost&) = delete;
    DescriptorSuiteHost& operator=(const DescriptorSuiteHost&) = delete;

    // What goes into FilterRecord.descriptorParameters: null when absent.
    PIDescriptorParameters* parameters();

    // After Finish: the descriptor the plug-in left, taken out of its handle,
    // which is disposed. False when there is none or it is not readable.
    bool takeDescriptor(Descriptor& descriptor);

private:
    DescriptorSuiteConfig config_;
    PIDescriptorParameters parameters_{};
    ReadDescriptorProcs readProcs_{};
    WriteDescriptorProcs writeProcs_{};
};

// Readers and writers opened and not yet closed (a leak check for tests).
int32_t liveDescriptorReaders();
// The keys the most recently opened reader was asked for, as the plug-in's
// array held them at that moment (up to its zero key).
std::vector<DescriptorKeyID> lastAskedDescriptorKeys();
int32_t liveDescriptorWriters();
