// The job runner: splits a row span or a rectangle into N jobs and runs them.
// N = 1 is the reference; with more jobs each runs on its own thread and
// writes only its own span, so results never depend on N.
#pragma once

#include "kernels/pyramid.h"

enum JobKind : int {
    kJobRowSpan = 1,         // compute the columns firstColumn..lastColumn of `row`
    kJobLevelReduce = -1000, // reduce `rect` of the next level (level building)
    kJobImageRect = -1001,   // another whole-image operation over `rect`
};

constexpr int kMaxJobs = 64;

struct Job {
    int kind = 0;
    int count = 1;  // jobs made by the split
    int index = 0;
    int firstColumn = 0, lastColumn = -1;  // this job's columns (row jobs, inclusive)
    int spanFirst = 0, spanLast = -1;      // the whole span that was split
    int row = 0;
    PixelRect rect;                        // rectangle jobs
    int level = 0;                         // rectangle jobs: the level they work on
    void* owner = nullptr;                 // the caller's state (globals, operation)
    const Pyramid* image = nullptr;        // the image to sample or to work on
    void (*routine)(const Job& job) = nullptr;
};

// Row job split of columns first..last into `count` jobs (1..kMaxJobs):
// job i covers first + floor(i*c/N) .. first + floor((i+1)*c/N) - 1 with
// c = last - first + 1. Empty jobs are not made; none when c < 1. Copies
// `pattern` into each job made and returns how many were made.
int splitRowJobs(const Job& pattern, int first, int last, int count, Job* jobs);

// Band split of `rect` along its longer side (rows when width < height,
// else columns) into `count` bands floor(i*len/N) .. floor((i+1)*len/N).
// None when the longer side is 0 or less; empty bands are not made.
int splitBandJobs(const Job& pattern, PixelRect rect, int count, Job* jobs);

// Runs one job: kinds 1, -1000 and -1001 call its routine; others do nothing.
void runJob(const Job& job);

// Runs every job. One job runs at once on the calling thread; with more,
// jobs 1.. run on worker threads while the calling thread runs job 0, and
// the call returns when all are done. When a thread cannot be started its
// job runs on the calling thread instead.
void runJobs(const Job* jobs, int jobCount);
