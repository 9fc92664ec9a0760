#include "BenchReport.h"

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

namespace {

std::string Nanoseconds(double ns) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", ns);
    return text;
}

nlohmann::json TimingJson(const CallTiming& timing) {
    return {{"median_ns", timing.median_ns},
            {"minimum_ns", timing.minimum_ns},
            {"samples", timing.samples},
            {"settled", timing.settled}};
}

}  // namespace

void BenchReport::PrintTable(std::ostream& out, const ModuleCostReport& report) {
    out << "qvhost bench " << report.library << "\n"
        << "per call, median and minimum over rounds of " << report.samples_per_round
        << " samples until the median settles;\n"
        << "floor: the same call into the host's own object of the same record shape, which only "
           "calls the host back once\n\n";
    char line[160];
    std::snprintf(line, sizeof line, "%-34s %11s %11s %11s %7s %8s\n", "call", "median ns",
                  "minimum ns", "floor ns", "ratio", "samples");
    out << line;
    bool unsettled = false;
    for (const CallCost& cost : report.costs) {
        unsettled = unsettled || !cost.module.settled;
        const std::string floor = cost.floor ? Nanoseconds(cost.floor->median_ns) : "-";
        char ratio[16] = "-";
        if (cost.floor && cost.floor->median_ns > 0.0) {
            std::snprintf(ratio, sizeof ratio, "%.2f",
                          cost.module.median_ns / cost.floor->median_ns);
        }
        std::snprintf(line, sizeof line, "%-34s %11s %11s %11s %7s %7d%s\n", cost.call.c_str(),
                      Nanoseconds(cost.module.median_ns).c_str(),
                      Nanoseconds(cost.module.minimum_ns).c_str(), floor.c_str(), ratio,
                      cost.module.samples, cost.module.settled ? "" : "*");
        out << line;
    }
    if (unsettled) out << "(* the median had not settled when the rounds ran out)\n";
}

void BenchReport::PrintJson(std::ostream& out, const ModuleCostReport& report) {
    nlohmann::json costs = nlohmann::json::array();
    for (const CallCost& cost : report.costs) {
        costs.push_back({{"call", cost.call},
                         {"module", TimingJson(cost.module)},
                         {"floor", cost.floor ? TimingJson(*cost.floor) : nlohmann::json()}});
    }
    const nlohmann::json json = {{"library", report.library},
                                 {"samples_per_round", report.samples_per_round},
                                 {"costs", costs},
                                 {"problems", report.problems}};
    out << json.dump(2) << "\n";
}
