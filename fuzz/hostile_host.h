// A host that believes nothing and promises little, for the fuzz target that
// drives PluginMain: every FilterRecord field, suite and callback answer comes
// from the fuzz input. It hands out blocks of exactly the size it claims
// (so the address checker sees every read past them), checks what the
// plug-in gives back (pixel maps, handles, readers), and keeps count of its
// handles and buffers so that a leak is caught at the end of a session.
#pragma once

#include "interface/host_interface.h"

#include "fuzz_input.h"

#include <cstdint>
#include <set>
#include <vector>

// A descriptor item the host's reader returns.
struct HostileItem {
    DescriptorKeyID key;
    DescriptorTypeID type;
    int32_t flags;
    int32_t integer;
    double real;
    uint32_t enumerated;
    OSErr answer;  // what the get procedure returns
};

struct HostileHost {
    FuzzInput* input = nullptr;

    // The record, 608 bytes or the 556 of older hosts, allocated to size.
    FilterRecord* record = nullptr;
    bool olderRecord = false;

    HandleProcs handleProcs{};
    BufferProcs bufferProcs{};
    ReadDescriptorProcs readProcs{};
    WriteDescriptorProcs writeProcs{};
    PIDescriptorParameters descriptorParameters{};
    PlatformData platformData{};

    // Bytes per sample the host really delivers (1, 2 or 4).
    int32_t sampleBytes = 1;
    // advanceState fails at this call (0: never) with this code.
    int32_t failAdvanceAt = 0;
    OSErr advanceFailure = 0;
    // Every advanceState fails with advanceFailure (a large image: see makeHostileHost).
    bool refuseEveryAdvance = false;
    int32_t advanceCalls = 0;
    int32_t abortAtPoll = 0, abortPolls = 0;
    int32_t failHandleAt = 0, handleCalls = 0;
    int32_t failBufferAt = 0, bufferCalls = 0;
    bool bufferLockGivesNull = false;
    OSErr displayAnswer = 0;
    // What the reader hands out, and how opening and closing it go.
    std::vector<HostileItem> items;
    bool readerOpens = true, writerOpens = true;
    OSErr readerCloseAnswer = 0, writerCloseAnswer = 0;

    // Blocks handed to the plug-in for the current request.
    void* inBlock = nullptr;
    void* outBlock = nullptr;
    void* maskBlock = nullptr;

    // What the host keeps track of.
    std::set<Handle> liveHandles;
    std::set<BufferID> liveBuffers;
    int64_t liveBufferBytes = 0;
    std::set<void*> liveReaders, liveWriters;
};

// The host the callbacks serve (they carry no context).
HostileHost& hostileHost();

// Builds the record, the suites and the descriptor from the input.
void makeHostileHost(HostileHost& host, FuzzInput& input);
// Frees what the host itself holds (the record and the current blocks),
// after the session has handed its handles back.
void endHostileHost(HostileHost& host);

// The host's own handle calls, for disposing of what a session leaves.
Handle hostileNewHandle(int32_t size);
void hostileDisposeHandle(Handle handle);
