#include "JUnitReport.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

namespace {
size_t Count(const std::string& text, const std::regex& pattern) {
    return static_cast<size_t>(
        std::distance(std::sregex_iterator(text.begin(), text.end(), pattern), {}));
}
}  // namespace

// CI readers refuse a file that is not well-formed or lacks an attribute their schema requires.
TEST(JUnitReport, StaysWellFormedAndCarriesWhatTheCommonSchemasRequire) {
    ValidationReport report;
    LibraryReport library;
    library.path = "lib<1>.so";
    for (int run : {1, 2}) {
        CheckResult crashed;
        crashed.id = "audio-notify";
        crashed.status = CheckStatus::kCrashed;
        crashed.message = "signal 11";
        crashed.child_stderr = std::string("bad \xFF\xC3 byte, bell \x07, esc \x1B, ok \xC3\xA9");
        crashed.run = run;
        library.results.push_back(crashed);
    }
    CheckResult warned;
    warned.id = "pins-codes";
    warned.status = CheckStatus::kWarned;
    warned.message = "pin 0: datatype 7 is the host's own";
    library.results.push_back(warned);
    report.libraries = {library, LibraryReport{"gone.so", "cannot be loaded", {}}};
    std::ostringstream out;
    JUnitReport::Write(out, report);
    const std::string xml = out.str();

    EXPECT_NE(xml.find("bad \xEF\xBF\xBD\xEF\xBF\xBD byte, bell \\x07, esc \\x1B, ok \xC3\xA9"),
              std::string::npos)
        << xml;
    EXPECT_EQ(xml.find_first_of("\x07\x1B"), std::string::npos);
    EXPECT_NE(xml.find("name=\"lib&lt;1&gt;.so\""), std::string::npos);
    const std::regex suite(
        "<testsuite id=\"[0-9]+\" package=\"[^\"]+\" name=\"[^\"]+\" timestamp=\"[0-9]{4}-[0-9]{2}-"
        "[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}\" hostname=\"[^\"]+\" tests=\"[0-9]+\" failures=\"[0-9]+\" "
        "errors=\"[0-9]+\" skipped=\"[0-9]+\" time=\"[0-9]+\\.[0-9]{3}\">");
    EXPECT_EQ(Count(xml, suite), 2u) << xml;
    EXPECT_EQ(Count(xml, std::regex("<testcase classname=\"[^\"]+\" name=\"[^\"]+\" time=\"[0-9.]+\"")),
              4u);
    EXPECT_EQ(Count(xml, std::regex("<system-out>")), 2u);
    EXPECT_EQ(Count(xml, std::regex("<system-err>")), 2u);
    // Repeated runs are told apart; a warning passes and is listed.
    EXPECT_NE(xml.find("name=\"audio-notify (run 1)\""), std::string::npos);
    EXPECT_NE(xml.find("name=\"audio-notify (run 2)\""), std::string::npos);
    EXPECT_NE(xml.find("tests=\"3\" failures=\"2\" errors=\"0\""), std::string::npos);
    EXPECT_NE(xml.find("<system-out>WARNED pins-codes: pin 0"), std::string::npos);
}
