// libFuzzer target: the action file's writer and reader in turn. A step
// built from the input (keys, types and values of the filter's parameters,
// in and out of their ranges) that the writer accepts must read back equal,
// item for item and bit for bit, and write again to the same text.
#include "host/action_file.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace {

void check(bool condition) {
    if (!condition) __builtin_trap();
}

constexpr DescriptorKeyID kKeys[] = {
    fourCC("0001"), fourCC("0002"), fourCC("0003"), fourCC("0004"), fourCC("0005"), fourCC("0006"),
    fourCC("0007"), fourCC("0008"), fourCC("0009"), fourCC("0010"), fourCC("0011"), fourCC("0012"),
    fourCC("0013"), fourCC("0014"), fourCC("GLUE"), fourCC("0016"), fourCC("0017"), fourCC("MLky"),
    fourCC("0019"), fourCC("0020"), fourCC("0021")};

bool sameItem(const DescriptorItem& a, const DescriptorItem& b) {
    if (a.key != b.key || a.type != b.type) return false;
    switch (a.type) {
        case typeInteger: return a.integer == b.integer;
        case typeBoolean: return (a.boolean != 0) == (b.boolean != 0);
        case typeFloat: return std::memcmp(&a.number, &b.number, sizeof a.number) == 0;
        case typeEnumerated: return a.enumType == b.enumType && a.enumValue == b.enumValue;
        default: return true;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) return 0;
    FuzzedDataProvider in(data, size);
    ActionStep step;
    step.playMode = in.ConsumeIntegralInRange<int16_t>(-1, 3);
    const int count = in.ConsumeIntegralInRange(0, 24);
    for (int i = 0; i < count; ++i) {
        const DescriptorKeyID key = in.ConsumeIntegral<uint8_t>() < 8 ? in.ConsumeIntegral<uint32_t>() : in.PickValueInArray(kKeys);
        switch (in.ConsumeIntegralInRange(0, 4)) {
            case 0: step.descriptor.put(integerItem(key, in.ConsumeBool() ? in.ConsumeIntegralInRange(-101, 256) : in.ConsumeIntegral<int32_t>())); break;
            case 1: step.descriptor.put(booleanItem(key, in.ConsumeBool())); break;
            case 2: step.descriptor.put(floatItem(key, in.ConsumeBool() ? in.ConsumeProbability<double>() : in.ConsumeFloatingPoint<double>())); break;
            case 3: {
                const DescriptorEnumTypeID type = in.PickValueInArray({fourCC("GLty"), fourCC("MLty"), in.ConsumeIntegral<uint32_t>()});
                const uint32_t number = in.ConsumeIntegralInRange<uint32_t>(0, 99);
                const uint32_t code = (type & 0xFFFF0000u) | ((uint32_t('0') + number / 10) << 8) | (uint32_t('0') + number % 10);
                step.descriptor.put(enumeratedItem(key, type, in.ConsumeBool() ? code : in.ConsumeIntegral<uint32_t>()));
                break;
            }
            default: step.descriptor.put(unitFloatItem(key, in.ConsumeIntegral<uint32_t>(), in.ConsumeFloatingPoint<double>())); break;
        }
    }

    std::string text, error;
    if (!actionText(step, text, error)) {
        check(!error.empty());
        return 0;
    }
    ActionStep read;
    if (!parseActionText(text, read, error)) __builtin_trap();  // written, so it must read
    check(read.playMode == step.playMode);
    check(read.descriptor.items.size() == step.descriptor.items.size());
    for (size_t i = 0; i < read.descriptor.items.size(); ++i)
        check(sameItem(read.descriptor.items[i], step.descriptor.items[i]));
    std::string again;
    check(actionText(read, again, error) && again == text);
    return 0;
}
