// The test command's closing lines for the build trees named:
//   count_tests build/native build/windows ...
// Exits with 1 when anything failed.
#include <cstdio>
#include <string>
#include <vector>

#include "tests/tools/test_tally.h"

int main(int argc, char** argv) {
    const TestTally tally = TallyTrees(std::vector<std::string>(argv + 1, argv + argc));
    std::fputs(TallySummary(tally).c_str(), stdout);
    return tally.Failed == 0 ? 0 : 1;
}
