// libFuzzer entry for the cmdline target (see targets.h).
#include "targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzCommandLine(data, size);
    return 0;
}
