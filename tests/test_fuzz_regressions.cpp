// Every input a fuzzer ever broke the program with, and the seed corpus,
// replayed through the fuzzers' own entry points. A broken promise aborts
// with its reason; the sanitized build also catches what the fuzzer's
// sanitizers caught.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "process.h"
#include "targets.h"

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> inputsIn(const fs::path &folder)
{
    std::vector<fs::path> files;
    if (fs::is_directory(folder))
        for (const auto &entry : fs::directory_iterator(folder))
            if (entry.is_regular_file())
                files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

void replay(const char *kind)
{
    int replayed = 0;
    for (const FuzzTarget &target : fuzz_targets) {
        for (const fs::path &file : inputsIn(fs::path(ORVANE_SOURCE_DIR) / "tests/fuzz" / kind / target.name)) {
            SCOPED_TRACE(file.string());
            std::string bytes = readFile(file.string());
            target.run(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
            replayed++;
        }
    }
    ::testing::Test::RecordProperty("inputs", replayed);
    EXPECT_GT(replayed, 0);
}

} // namespace

TEST(FuzzRegressions, EveryKeptCrashingInputNowHolds)
{
    replay("regressions");
}

TEST(FuzzRegressions, EverySeedInputHolds)
{
    replay("corpus");
}
