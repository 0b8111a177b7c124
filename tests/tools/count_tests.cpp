// The last lines of the test command: how many tests passed and failed in
// the build trees named on the command line, read from the JUnit reports
// that ctest (ctest-junit.xml) and each gtest program (test-results/) wrote.
//   count_tests [--not-run N] build/native build/windows ...
// A gtest program (named *_tests) counts its cases; it counts as one more
// failure when ctest saw it fail with no failed case (it crashed), and as
// one failure when it left no report. Any other test (a fuzz run, a script)
// counts as one. A skipped case has not passed: skips are counted apart,
// with the N test programs that could not run at all (no Wine here).
// Exits with 1 when anything failed.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

// A start tag and its attributes, whatever their order.
struct Tag {
    std::string Name;
    std::map<std::string, std::string> Attributes;

    long Number(const std::string& name) const {
        auto found = Attributes.find(name);
        return found == Attributes.end() ? 0 : std::atol(found->second.c_str());
    }
    std::string Text(const std::string& name) const {
        auto found = Attributes.find(name);
        return found == Attributes.end() ? "" : found->second;
    }
};

std::string Unescaped(const std::string& text) {
    static const std::pair<const char*, char> entities[] = {
        {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}, {"&amp;", '&'}};
    std::string plain;
    for (size_t i = 0; i < text.size();) {
        bool replaced = false;
        for (const auto& entity : entities) {
            const std::string name = entity.first;
            if (text.compare(i, name.size(), name) == 0) {
                plain += entity.second;
                i += name.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) plain += text[i++];
    }
    return plain;
}

bool IsSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// Where markup that holds no start tag ends, if one starts at `at`: comments,
// CDATA sections (where gtest puts failure messages, whose text must never be
// taken for a tag), declarations, processing instructions and end tags.
size_t EndOfOtherMarkup(const std::string& xml, size_t at) {
    static const std::pair<std::string, std::string> kinds[] = {
        {"<!--", "-->"}, {"<![CDATA[", "]]>"}, {"<?", "?>"}, {"<!", ">"}, {"</", ">"}};
    for (const auto& kind : kinds) {
        if (xml.compare(at, kind.first.size(), kind.first) != 0) continue;
        const size_t end = xml.find(kind.second, at);
        return end == std::string::npos ? xml.size() : end + kind.second.size();
    }
    return std::string::npos;
}

// The start tag at `at`; `at` moves past it.
Tag ReadStartTag(const std::string& xml, size_t& at) {
    Tag tag;
    size_t i = at + 1;
    while (i < xml.size() && !IsSpace(xml[i]) && xml[i] != '>' && xml[i] != '/') tag.Name += xml[i++];
    for (;;) {
        while (i < xml.size() && IsSpace(xml[i])) ++i;
        const size_t equals = xml.find('=', i);
        if (i >= xml.size() || xml[i] == '>' || xml[i] == '/' || equals == std::string::npos) break;
        size_t open = equals + 1;
        while (open < xml.size() && IsSpace(xml[open])) ++open;
        const size_t close = open < xml.size() ? xml.find(xml[open], open + 1) : std::string::npos;
        if (close == std::string::npos) break;
        std::string name = xml.substr(i, equals - i);
        while (!name.empty() && IsSpace(name.back())) name.pop_back();
        tag.Attributes[name] = Unescaped(xml.substr(open + 1, close - open - 1));
        i = close + 1;
    }
    at = i;
    return tag;
}

// The start tags of a document, in order.
std::vector<Tag> StartTags(const std::string& xml) {
    std::vector<Tag> tags;
    size_t at = 0;
    while ((at = xml.find('<', at)) != std::string::npos) {
        const size_t end = EndOfOtherMarkup(xml, at);
        if (end != std::string::npos)
            at = end;
        else
            tags.push_back(ReadStartTag(xml, at));
    }
    return tags;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

struct Tally {
    long Passed = 0;
    long Failed = 0;
    long Skipped = 0;
    std::string SkippedNames;
};

// One gtest program's own report: its cases.
void CountCases(const std::vector<Tag>& report, bool ctestFailed, Tally& tally) {
    long tests = 0, failures = 0, disabled = 0, skips = 0;
    for (const Tag& tag : report) {
        if (tag.Name == "testsuites") {
            tests = tag.Number("tests");
            failures = tag.Number("failures") + tag.Number("errors");
            disabled = tag.Number("disabled");
        } else if (tag.Name == "testsuite") {
            skips += tag.Number("skipped");
        } else if (tag.Name == "testcase" && tag.Text("result") == "skipped") {
            tally.SkippedNames += " " + tag.Text("classname") + "." + tag.Text("name");
        }
    }
    tally.Passed += tests - failures - disabled - skips;
    tally.Failed += failures;
    tally.Skipped += skips;
    if (ctestFailed && failures == 0) ++tally.Failed;
}

void CountTree(const std::string& tree, Tally& tally) {
    const std::string junit = ReadFile(tree + "/ctest-junit.xml");
    if (junit.empty()) {
        ++tally.Failed;  // ctest itself did not finish
        return;
    }
    for (const Tag& test : StartTags(junit)) {
        if (test.Name != "testcase") continue;
        const std::string name = test.Text("name");
        const std::string status = test.Text("status");  // "run" for a pass
        const std::string report = ReadFile(tree + "/test-results/" + name + ".xml");
        if (!report.empty())
            CountCases(StartTags(report), status == "fail", tally);
        else if (!EndsWith(name, "_tests") && status == "run")
            ++tally.Passed;
        else
            ++tally.Failed;
    }
}

}  // namespace

int main(int argc, char** argv) {
    Tally tally;
    long notRun = 0;
    int first = 1;
    if (argc > 2 && std::string(argv[1]) == "--not-run") {
        notRun = std::atol(argv[2]);
        first = 3;
    }
    for (int i = first; i < argc; ++i) CountTree(argv[i], tally);
    if (tally.Skipped > 0)
        std::printf("%ld skipped (see their reports in build/*/test-results):%s\n", tally.Skipped,
                    tally.SkippedNames.c_str());
    const long skipped = tally.Skipped + notRun;
    if (skipped > 0)
        std::printf("%ld passed, %ld failed, %ld skipped\n", tally.Passed, tally.Failed, skipped);
    else
        std::printf("%ld passed, %ld failed\n", tally.Passed, tally.Failed);
    return tally.Failed == 0 ? 0 : 1;
}
