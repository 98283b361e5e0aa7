// libFuzzer entry for the map target (see targets.h).
#include "targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzMapPipeline(data, size);
    return 0;
}
