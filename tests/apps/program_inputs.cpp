// The command-line tests' input images.
#include "program_inputs.h"

#include "host/image_files.h"

#include <gtest/gtest.h>

void writePatternImage(const std::string& path, int32_t width, int32_t height) {
    Document d;
    std::string error;
    ASSERT_TRUE(makeDocument(d, width, height, 3, false, SampleDepth::eight, error)) << error;
    for (size_t i = 0; i < d.samples.size(); ++i) d.samples[i] = uint8_t(i * 7 / 3);
    ImageWriteReport report;
    ASSERT_TRUE(writeImageFile(path, d, 8, true, report, error)) << error;
}
