#include "tests/tools/test_tally.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <utility>

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

// One gtest program's own report: its cases.
void CountCases(const std::vector<Tag>& report, bool ctestFailed, TestTally& tally) {
    long tests = 0, failures = 0, disabled = 0, skips = 0;
    bool readable = false;
    for (const Tag& tag : report) {
        if (tag.Name == "testsuites") {
            readable = true;
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
    // A crash with no failed case, or a report with no totals, has not passed.
    if ((ctestFailed && failures == 0) || !readable) ++tally.Failed;
}

// Tests that a tree did not run (DISABLED) and the tree's reason, apart:
// the 64-bit twin may run what the 32-bit tree leaves out.
struct NotRunHere {
    std::set<std::string> Ran;
    std::map<std::string, std::string> Reasons;  // test -> why the first tree that left it out did
};

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

void CountTree(const std::string& tree, TestTally& tally, NotRunHere& notRun) {
    const std::string junit = ReadFile(tree + "/ctest-junit.xml");
    if (junit.empty()) {
        ++tally.Failed;  // ctest itself did not finish
        return;
    }
    for (const Tag& test : StartTags(junit)) {
        if (test.Name != "testcase") continue;
        const std::string name = test.Text("name");
        const std::string status = test.Text("status");  // "run" for a pass
        if (status == "disabled") {
            notRun.Reasons.emplace(name, FirstLine(ReadFile(tree + "/not-run-reason.txt")));
            continue;
        }
        notRun.Ran.insert(name);
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

TestTally TallyTrees(const std::vector<std::string>& trees) {
    TestTally tally;
    NotRunHere notRun;
    for (const std::string& tree : trees) CountTree(tree, tally, notRun);
    std::set<std::string> reasons;
    for (const auto& test : notRun.Reasons) {
        if (notRun.Ran.count(test.first) != 0) continue;
        ++tally.NotRun;
        tally.NotRunNames += " " + test.first;
        if (!test.second.empty() && reasons.insert(test.second).second)
            tally.NotRunReasons += (tally.NotRunReasons.empty() ? "" : "; ") + test.second;
    }
    return tally;
}

std::string TallySummary(const TestTally& tally) {
    std::string text;
    if (tally.Skipped > 0)
        text += std::to_string(tally.Skipped) +
                " skipped (see their reports in build/*/test-results):" + tally.SkippedNames + "\n";
    if (tally.NotRun > 0)
        text += std::to_string(tally.NotRun) + " test programs not run, their cases uncounted:" + tally.NotRunNames +
                " (" + (tally.NotRunReasons.empty() ? "disabled in their build trees" : tally.NotRunReasons) + ")\n";
    text += std::to_string(tally.Passed) + " passed, " + std::to_string(tally.Failed) + " failed";
    const long skipped = tally.Skipped + tally.NotRun;
    if (skipped > 0) text += ", " + std::to_string(skipped) + " skipped";
    return text + "\n";
}
