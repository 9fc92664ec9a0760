// One placed object of a play: both its sides made, given the values a patch stored, then driven
// along its own timeline a block at a time, each block cut where an action is due. What its sides
// did goes to the play's events, and each sample's outputs and pin values wait as rows until the
// play takes them. The first object's events and columns carry no name; another's end in its
// name ("object 2").
#ifndef QVHOST_PLAYED_OBJECT_H
#define QVHOST_PLAYED_OBJECT_H

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "ModuleLibrary.h"
#include "OutputSummary.h"
#include "PlayEventOrder.h"
#include "PlaySession.h"
#include "ReferenceHost.h"
#include "SignalFeed.h"
#include "VariableColumns.h"

class PlayedObject {
public:
    // `number` counts the objects of the play from 1.
    PlayedObject(const ModuleLibrary& library, const PlayOptions& run, const ObjectPlay& play,
                 size_t number, PlayEventOrder& order);

    // UsageError for an action the module cannot take, named by where it was given.
    void Check() const;
    // The run's clock, rate and block size, and the values the patch stored.
    void Prepare();
    // Opens the audio object and initialises the GUI object; the columns are known from here.
    void Start();
    const std::vector<std::string>& Columns() const { return m_columns; }
    std::vector<OutputSummary>& Outputs() { return m_outputs; }

    // Whether it has samples to play: neither at the run's end nor closed.
    bool Playing() const { return !m_closed && m_done < m_run.samples; }
    // The next block, cut where an action is due; with `keep_rows`, its rows kept.
    void PlayBlock(bool keep_rows);
    // The rows of samples played and not yet taken, the first at sample Done() - size.
    const std::deque<std::vector<double>>& Rows() const { return m_rows; }
    void TakeRow() { m_rows.pop_front(); }
    uint32_t Done() const { return m_done; }
    // Closes both objects, unless a close action did, and hands on what the host found.
    std::vector<std::string> Finish();

private:
    // Does what `action` says in the block that starts at sample m_done.
    void Apply(const PlayAction& action);
    void NoteGuiWrites(uint32_t sample);
    void NoteAudioMessages();
    void Close();
    std::string Named(const std::string& text) const;

    const PlayOptions& m_run;
    const ObjectPlay& m_play;
    std::string m_name;  // empty for the first object
    PlayEventOrder& m_order;
    ReferenceHost m_host;
    SignalFeed m_feed;
    float m_rate;
    uint32_t m_block;
    uint32_t m_grid = 0;  // the sample blocks are counted from
    std::vector<PlayAction> m_inputs;  // the inputs from the start, as actions at sample 0
    std::vector<const PlayAction*> m_timeline;  // in order of sample, the inputs first
    size_t m_next = 0;
    uint32_t m_done = 0;
    uint32_t m_start = 0;  // the sample clock at the first sample
    bool m_closed = false;
    long long m_writes_not_kept = 0;
    std::vector<int32_t> m_output_pins;
    std::vector<int32_t> m_gui_pins;
    std::vector<std::string> m_columns;
    std::vector<OutputSummary> m_outputs;
    std::unique_ptr<VariableColumns> m_variables;
    std::deque<std::vector<double>> m_rows;
};

#endif
