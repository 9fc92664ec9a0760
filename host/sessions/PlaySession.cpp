#include "PlaySession.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <tuple>

#include "HeapCallWatch.h"
#include "HostError.h"
#include "PinSetting.h"
#include "PlayEventOrder.h"
#include "PlayedObject.h"

PlayAction PlaySession::ParseTimed(const std::string& text, uint32_t samples) {
    const size_t colon = text.find(':');
    char* end = nullptr;
    errno = 0;
    const unsigned long long sample = std::strtoull(text.c_str(), &end, 10);
    if (colon == std::string::npos || colon == 0 || end != text.c_str() + colon ||
        !std::isdigit(static_cast<unsigned char>(text[0]))) {
        throw UsageError("--at " + text + ": not SAMPLE:PIN=VALUE");
    }
    if (errno == ERANGE || sample >= samples) {
        throw UsageError("--at " + text + ": sample " + text.substr(0, colon) +
                         " is not within the run, 0 to " + std::to_string(samples - 1));
    }
    PlayAction action;
    action.sample = static_cast<uint32_t>(sample);
    try {
        std::tie(action.pin, action.value) = PinSetting::Split(text.substr(colon + 1));
    } catch (const UsageError& refused) {
        throw UsageError("--at " + text + ": " + refused.what());
    }
    action.given_in = std::make_shared<const std::string>("--at " + text);
    return action;
}

PlayResult PlaySession::Execute(const ModuleLibrary& library, const PlayOptions& options,
                                const PlayRowSink& rows, const PlayEventSink& events,
                                const std::function<void()>& started) {
    // Heap calls inside the module's audio calls are a finding, as the validator has it.
    const HeapCallWatch heap_calls(library);
    PlayEventOrder order(events);
    std::vector<std::unique_ptr<PlayedObject>> objects;
    objects.push_back(std::make_unique<PlayedObject>(library, options, options, 1, order));
    for (const ObjectPlay& beside : options.beside) {
        objects.push_back(
            std::make_unique<PlayedObject>(library, options, beside, objects.size() + 1, order));
    }
    if (options.seed) std::srand(*options.seed);
    for (const auto& object : objects) object->Check();
    for (const auto& object : objects) object->Prepare();
    if (started) started();
    PlayResult result;
    for (const auto& object : objects) {
        object->Start();
        result.columns.insert(result.columns.end(), object->Columns().begin(),
                              object->Columns().end());
    }
    // Each object plays its next block in turn; a sample's row is handed on once every object
    // that plays it has.
    uint32_t next_row = 0;
    std::vector<bool> in_row;
    std::vector<std::string> row_columns;
    std::vector<double> row;
    const auto hand_on_rows = [&] {
        for (;; ++next_row) {
            std::vector<bool> holding;
            for (const auto& object : objects) {
                if (object->Playing() && object->Done() <= next_row) return;
                holding.push_back(object->Done() > next_row);
            }
            if (std::find(holding.begin(), holding.end(), true) == holding.end()) return;
            if (holding != in_row) {
                in_row = holding;
                row_columns.clear();
                for (size_t k = 0; k < objects.size(); ++k) {
                    if (!in_row[k]) continue;
                    row_columns.insert(row_columns.end(), objects[k]->Columns().begin(),
                                       objects[k]->Columns().end());
                }
            }
            row.clear();
            for (size_t k = 0; k < objects.size(); ++k) {
                if (!in_row[k]) continue;
                const std::vector<double>& values = objects[k]->Rows().front();
                row.insert(row.end(), values.begin(), values.end());
                objects[k]->TakeRow();
            }
            rows(next_row, row_columns, row);
        }
    };
    for (bool playing = true; playing;) {
        playing = false;
        uint64_t earliest = UINT64_MAX;
        for (const auto& object : objects) {
            if (!object->Playing()) continue;
            object->PlayBlock(static_cast<bool>(rows));
            if (object->Playing()) earliest = std::min<uint64_t>(earliest, object->Done());
            playing = true;
        }
        if (rows) hand_on_rows();
        order.HandOnBefore(earliest);
    }
    order.HandOnAll();
    for (const auto& object : objects) {
        for (std::string& problem : object->Finish()) result.problems.push_back(std::move(problem));
        for (OutputSummary& output : object->Outputs()) result.outputs.push_back(output);
    }
    if (const std::string finding = heap_calls.Finding(); !finding.empty()) {
        result.problems.push_back(finding);
    }
    return result;
}
