#include "JsonReport.h"

#include <nlohmann/json.hpp>

void JsonReport::Write(std::ostream& out, const ValidationReport& report) {
    nlohmann::json libraries = nlohmann::json::array();
    for (const LibraryReport& library : report.libraries) {
        nlohmann::json results = nlohmann::json::array();
        for (const CheckResult& result : library.results) {
            nlohmann::json entry{{"id", result.id},
                                 {"result", CheckResult::StatusName(result.status)},
                                 {"message", result.message}};
            if (!result.child_stdout.empty()) entry["stdout"] = result.child_stdout;
            if (!result.child_stderr.empty()) entry["stderr"] = result.child_stderr;
            if (result.run != 0) entry["run"] = result.run;
            if (!result.trace.empty()) entry["trace"] = result.trace;
            results.push_back(entry);
        }
        nlohmann::json entry{{"path", library.path},
                             {"passed", library.Passed()},
                             {"failed", library.Failed()},
                             {"warned", library.Warned()},
                             {"skipped", library.Skipped()},
                             {"results", results}};
        if (!library.load_error.empty()) entry["load_error"] = library.load_error;
        if (library.interrupted) {
            entry["interrupted"] = true;
            entry["planned"] = library.planned;
        }
        libraries.push_back(entry);
    }
    const nlohmann::json document{
        {"seed", report.seed}, {"success", report.Success()}, {"libraries", libraries}};
    // Texts from a module may hold any bytes; they are replaced rather than refused.
    out << document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
}

bool JsonReport::ReadLoadError(const std::string& document, std::string* load_error) {
    const nlohmann::json parsed = nlohmann::json::parse(document, nullptr, false);
    if (parsed.is_discarded()) return false;
    try {
        const nlohmann::json& library = parsed.at("libraries").at(0);
        *load_error = library.contains("load_error") ? library.at("load_error").get<std::string>()
                                                     : std::string();
    } catch (const nlohmann::json::exception&) {
        return false;
    }
    return true;
}

bool JsonReport::ReadFirstResult(const std::string& document, CheckResult* result) {
    const nlohmann::json parsed = nlohmann::json::parse(document, nullptr, false);
    if (parsed.is_discarded()) return false;
    const nlohmann::json* entry = nullptr;
    try {
        entry = &parsed.at("libraries").at(0).at("results").at(0);
        result->id = entry->at("id").get<std::string>();
        result->message = entry->at("message").get<std::string>();
        if (!CheckResult::StatusFromName(entry->at("result").get<std::string>(), &result->status)) {
            return false;
        }
        if (entry->contains("trace")) {
            result->trace = entry->at("trace").get<std::vector<std::string>>();
        }
    } catch (const nlohmann::json::exception&) {
        return false;
    }
    return true;
}
