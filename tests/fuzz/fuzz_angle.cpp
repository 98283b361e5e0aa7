// libFuzzer entry for the angle target (see targets.h).
#include "targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzParseAngle(data, size);
    return 0;
}
