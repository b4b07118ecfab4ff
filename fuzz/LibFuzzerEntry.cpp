// A fuzz program's entry: libFuzzer calls it with each input it makes. Built once per target, with
// KESTREL_FUZZ_TARGET naming the function of FuzzTargets.h.
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return kestrel::fuzz::KESTREL_FUZZ_TARGET(data, size);
}
