// The last lines of the test command: how many tests passed, failed and were
// skipped in the build trees named, read from the JUnit reports that ctest
// (ctest-junit.xml) and each gtest program (test-results/NAME.xml) wrote.
// A gtest program (named *_tests) counts its cases; it counts as one more
// failure when ctest saw it fail with no failed case (it crashed), and as
// one failure when it left no report. Any other test (a fuzz run, a script)
// counts as one. A skipped case has not passed: skips are counted apart,
// with the test programs that no tree ran (DISABLED in each tree that has
// them), whose reason the tree's not-run-reason.txt gives.
#pragma once
#include <string>
#include <vector>

struct TestTally {
    long Passed = 0;
    long Failed = 0;
    long Skipped = 0;  // cases that skipped themselves
    std::string SkippedNames;
    long NotRun = 0;  // test programs that no tree ran
    std::string NotRunNames;
    std::string NotRunReasons;
};

TestTally TallyTrees(const std::vector<std::string>& trees);

// What the test command prints last, ending with "N passed, N failed" and
// ", N skipped" when anything was.
std::string TallySummary(const TestTally& tally);
