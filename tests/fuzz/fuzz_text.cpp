// libFuzzer entry for the text target (see targets.h).
#include "targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzText(data, size);
    return 0;
}
