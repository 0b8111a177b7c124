#include "tests/tools/test_tally.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

// A file of a build tree, relative to it.
using TreeFile = std::pair<std::string, std::string>;

std::string MakeTree(const std::vector<TreeFile>& files) {
    char folder[] = "/tmp/brasswick-tally-XXXXXX";
    if (mkdtemp(folder) == nullptr) return "/nonexistent";
    const std::string tree = folder;
    mkdir((tree + "/test-results").c_str(), 0700);
    for (const TreeFile& file : files) std::ofstream(tree + "/" + file.first) << file.second;
    return tree;
}

std::string Junit(const std::string& cases) {
    return "<?xml version=\"1.0\"?>\n<testsuite name=\"(empty)\" tests=\"9\">\n" + cases + "</testsuite>\n";
}

const std::string GtestTwoOfThree =  // attributes in gtest's own order
    "<testsuites tests=\"3\" failures=\"1\" disabled=\"0\" errors=\"0\" name=\"AllTests\">\n"
    "<testsuite name=\"A\" tests=\"3\" failures=\"1\" skipped=\"0\">\n"
    "<testcase name=\"x\" classname=\"A\"/><testcase name=\"y\" classname=\"A\">"
    "<failure message=\"a &lt;testcase&gt; in a message\"><![CDATA[<testsuites tests=\"99\">]]></failure>"
    "</testcase><testcase name=\"z\" classname=\"A\"/>\n</testsuite></testsuites>\n";
const std::string GtestOneSkipped =  // the same attributes in another order
    "<testsuites name=\"AllTests\" errors=\"0\" disabled=\"0\" failures=\"0\" tests=\"2\">"
    "<testsuite skipped=\"1\" tests=\"2\" name=\"B\"><testcase classname=\"B\" result=\"skipped\" name=\"guard\"/>"
    "</testsuite></testsuites>";

struct TallyCase {
    const char* Name;
    std::vector<std::vector<TreeFile>> Trees;
    long Counts[4];  // passed, failed, cases skipped, programs not run
    const char* LastLine;
    const char* Reasons;
};

const TallyCase TallyCases[] = {
    {"CasesOfAGtestProgramAndAScript",
     {{{"ctest-junit.xml", Junit("<testcase name=\"wine_tests\" status=\"fail\"/>"
                                 "<testcase status=\"run\" name=\"imports\"/>")},
       {"test-results/wine_tests.xml", GtestTwoOfThree}}},
     {3, 1, 0, 0},
     "3 passed, 1 failed",
     ""},
    {"SkippedCasesCountApart",
     {{{"ctest-junit.xml", Junit("<testcase name=\"e2e_tests\" status=\"run\"/>")},
       {"test-results/e2e_tests.xml", GtestOneSkipped}}},
     {1, 0, 1, 0},
     "1 passed, 0 failed, 1 skipped",
     ""},
    {"CrashWithoutReportOrCtestAbsentFails",
     {{{"ctest-junit.xml", Junit("<testcase name=\"e2e_tests\" status=\"fail\"/><testcase name=\"soak\" "
                                 "status=\"fail\"/><testcase name=\"faults\" status=\"notrun\"/>")}},
      {}},
     {0, 4, 0, 0},
     "0 passed, 4 failed",
     ""},
    {"MalformedReportsCountAsFailures",
     {{{"ctest-junit.xml",
        "<testsuite><testcase name=\"native_tests\" status=\"run\"/>"
        "<testcase name=\"linux\" status=\"run\" <testcase"},
       {"test-results/native_tests.xml", "Segmentation fault <<"}}},
     {1, 2, 0, 0},
     "1 passed, 2 failed",
     ""},
    {"DisabledInEveryTreeIsNotRunWithItsReason",
     {{{"ctest-junit.xml", Junit("<testcase name=\"installer\" status=\"disabled\"/>"
                                 "<testcase name=\"faults\" status=\"disabled\"/>"
                                 "<testcase name=\"imports\" status=\"run\"/>")},
       {"not-run-reason.txt", "32-bit Wine is not installed\n"}},
      {{"ctest-junit.xml", Junit("<testcase name=\"faults\" status=\"run\"/>"
                                 "<testcase name=\"installer\" status=\"disabled\"/>")},
       {"not-run-reason.txt", "only the 32-bit build can show it\n"}}},
     {2, 0, 0, 1},
     "2 passed, 0 failed, 1 skipped",
     "32-bit Wine is not installed"},
};

TEST(TallyTrees, CountsEachRow) {
    for (const TallyCase& row : TallyCases) {
        std::vector<std::string> trees;
        for (const auto& files : row.Trees) trees.push_back(files.empty() ? "/nonexistent" : MakeTree(files));
        const TestTally tally = TallyTrees(trees);
        const std::string summary = TallySummary(tally);
        EXPECT_EQ(std::vector<long>({tally.Passed, tally.Failed, tally.Skipped, tally.NotRun}),
                  std::vector<long>(row.Counts, row.Counts + 4))
            << row.Name;
        EXPECT_EQ(tally.NotRunReasons, row.Reasons) << row.Name;
        EXPECT_EQ(summary.substr(summary.rfind('\n', summary.size() - 2) + 1), std::string(row.LastLine) + "\n")
            << row.Name << ":\n"
            << summary;
        for (const std::string& tree : trees)
            if (tree != "/nonexistent") std::system(("rm -rf '" + tree + "'").c_str());
    }
}

}  // namespace
