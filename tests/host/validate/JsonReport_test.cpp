#include "JsonReport.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <utility>
#include <vector>

// A child hands its result to the validator through this document: what goes in must come out.
TEST(JsonReport, CarriesAChildsResultBack) {
    ValidationReport report;
    report.seed = 12;
    LibraryReport library;
    library.path = "lib.so";
    CheckResult sent;
    sent.id = "audio-notify";
    sent.status = CheckStatus::kFailed;
    sent.message = "audio MOD_OP_NOTIFY index -1 answered 5, expected 0";
    sent.trace = {"host -> audio MOD_OP_NOTIFY", "  <- 5"};
    library.results.push_back(sent);
    report.libraries.push_back(library);
    std::ostringstream document;
    JsonReport::Write(document, report);

    CheckResult received;
    ASSERT_TRUE(JsonReport::ReadFirstResult(document.str(), &received));
    EXPECT_EQ(received.id, sent.id);
    EXPECT_EQ(received.status, sent.status);
    EXPECT_EQ(received.message, sent.message);
    EXPECT_EQ(received.trace, sent.trace);
    for (const char* broken : {"", "{", "{\"libraries\": []}", "Segmentation fault"}) {
        EXPECT_FALSE(JsonReport::ReadFirstResult(broken, &received)) << broken;
    }
}

// A dashboard reads the counts, not the results: each counts its own outcome.
TEST(JsonReport, CountsEachOutcomeSeparately) {
    LibraryReport library;
    for (const CheckStatus status :
         {CheckStatus::kPassed, CheckStatus::kWarned, CheckStatus::kSkipped, CheckStatus::kSkipped,
          CheckStatus::kFailed, CheckStatus::kTimeout}) {
        CheckResult result;
        result.status = status;
        library.results.push_back(result);
    }
    ValidationReport report;
    report.libraries.push_back(library);
    std::ostringstream document;
    JsonReport::Write(document, report);
    const nlohmann::json counts = nlohmann::json::parse(document.str()).at("libraries").at(0);
    for (const auto& [name, count] : std::vector<std::pair<const char*, int>>{
             {"passed", 1}, {"warned", 1}, {"skipped", 2}, {"failed", 2}}) {
        EXPECT_EQ(counts.at(name).get<int>(), count) << name;
    }
}
