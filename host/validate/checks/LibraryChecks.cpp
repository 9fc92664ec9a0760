#include "Checks.h"
#include "ModuleLibrary.h"
#include "ModuleSession.h"
#include "RecordValidator.h"
#include "TimedRounds.h"

namespace {
constexpr int kReloadCycles = 100;
// Whatever the time: enough for a library that takes a process-wide resource at each load and
// never gives it back to run out.
constexpr int kFewestReloadCycles = 20;
constexpr double kReloadShare = 0.5;
}  // namespace

namespace LibraryChecks {

void Exports(CheckContext& context) {
    // ModuleLibrary looks both up by the plain names of QVHostTypes.h and refuses a library
    // that lacks either.
    const ModuleLibrary library(context.LibraryPath());
    ModuleProperties props{};
    library.QueryProperties(0, &props);
}

void ReloadCycles(CheckContext& context) {
    int cycle = 0;
    const RoundLimits limits{kFewestReloadCycles, kReloadCycles, context.TimeBudget(kReloadShare)};
    RunTimedRounds("load/unload cycles", limits, [&] {
        const ModuleLibrary library(context.LibraryPath());
        ModuleSession session(library);
        try {
            session.Start();
        } catch (const RecordValidator::Refused& refused) {
            // The first cycle's refusal is the record checks' to report; a record refused after
            // the library was loaded again is this check's failure, not a reason to step aside.
            if (cycle == 0) throw;
            context.Fail("cycle " + std::to_string(cycle) +
                         ": makeModule answered a record the host refuses: " + refused.what());
            return false;
        }
        session.ProcessBlocks(1);
        const QVWord gui_answer = session.Host().CloseGuiObject();
        const QVWord audio_answer = session.Host().CloseAudioObject();
        if (gui_answer != 1 || audio_answer != 1) {
            context.Fail("cycle " + std::to_string(cycle) + ": GUI_OP_CLOSE answered " +
                         std::to_string(gui_answer) + " and MOD_OP_CLOSE " +
                         std::to_string(audio_answer) + ", expected 1 and 1");
        }
        ++cycle;
        return !context.Failed();
    });
}

}  // namespace LibraryChecks
