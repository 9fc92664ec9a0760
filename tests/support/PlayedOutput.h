// A play session in a test: actions given as `--at` takes them, and its events and one output
// column kept.
#ifndef PLAYED_OUTPUT_H
#define PLAYED_OUTPUT_H

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ModuleLibrary.h"
#include "PlaySession.h"

struct PlayedOutput {
    PlayResult result;
    std::vector<PlayEvent> events;
    std::vector<double> values;  // The column's value at each sample of the run, in order.
};

// Plays `options` with each of `actions` added to its timeline, and keeps `column`, which the
// session must write; with no column, none.
inline PlayedOutput PlayOutput(const ModuleLibrary& library, PlayOptions options,
                               const std::vector<std::string>& actions = {},
                               const std::string& column = {}) {
    for (const std::string& action : actions) {
        options.timeline.push_back(PlaySession::ParseTimed(action, options.samples));
    }
    PlayedOutput played;
    PlayRowSink rows;
    if (!column.empty()) {
        rows = [&](uint32_t sample, const std::vector<std::string>& columns,
                   const std::vector<double>& values) {
            const auto found = std::find(columns.begin(), columns.end(), column);
            ASSERT_NE(found, columns.end()) << column;
            ASSERT_EQ(sample, played.values.size());
            played.values.push_back(values.at(static_cast<size_t>(found - columns.begin())));
        };
    }
    played.result = PlaySession::Execute(library, options, rows, [&](const PlayEvent& event) {
        played.events.push_back(event);
    });
    return played;
}

#endif
