// A failing session kept for the module's author: the play it was (PlayScript), shortened to the
// fewest actions and samples that still break the same rule when `qvhost play` plays them, and
// written to the folder of `--keep-failures` as LIBRARY.CHECK.qvs with the command that replays it.
// A session that broke a rule is kept by its check; one that crashed, by the validator, from the
// journal its check left.
#ifndef QVHOST_VALIDATE_FAILING_SESSION_H
#define QVHOST_VALIDATE_FAILING_SESSION_H

#include <cstdint>
#include <functional>
#include <istream>
#include <string>
#include <vector>

#include "CheckContext.h"
#include "ChildProcess.h"
#include "PlayScript.h"
#include "PlaySession.h"

// Where a check's failing session is kept.
struct KeptSession {
    std::string folder;
    std::string library;
    std::string check_id;
    uint32_t seed;

    std::string Path() const;  // FOLDER/LIBRARY.CHECK.qvs
    // The play a failing one is compared with: FOLDER/LIBRARY.CHECK.reference.qvs.
    std::string ReferencePath() const;
    // The play of the session under way, written as it goes (SessionJournal).
    std::string JournalPath() const;
    // The script a shortening is replaying.
    std::string TrialPath() const;
    // The scripts and CSV files a comparison of two plays is replaying.
    std::vector<std::string> PairTrialPaths() const;
    // Removes the journal and the trials a check's process left when it was ended.
    void RemoveLeftovers() const;
};

class FailingSession {
public:
    // Where the failing sessions of the check `context` runs are kept.
    static KeptSession Where(const CheckContext& context);
    // Keeps `played`, whose first finding was `finding`, and says where and how to replay it,
    // or why it cannot be replayed.
    static std::string Keep(const PlayOptions& played, const std::string& finding,
                            const KeptSession& where);
    // Keeps two plays that should have given the same sample outputs and did not from sample
    // `from` on, `played` against `reference`, as they were: each is played again by `qvhost
    // play --csv` and the two files compared by `qvhost compare --from`. Says where and how to
    // replay them, or why they cannot be replayed.
    static std::string KeepPair(const PlayOptions& reference, const PlayOptions& played,
                                uint32_t from, const std::string& finding,
                                const KeptSession& where);
    // Keeps the session of a check that crashed, from its journal, shortened while its play
    // crashes too; empty when the check left no journal (it crashed outside a session).
    static std::string KeepCrash(const KeptSession& where);
    // What a failing check that kept no play script says instead: the command that runs it again
    // alone, with its seed, which makes the same choices and so the same failure.
    static std::string RunAgain(const KeptSession& where);
    // The play a crashed check's journal holds (its actions, and samples enough for the block
    // that was processing and for every action); a journal it cannot read is a HostError.
    static PlayOptions FromJournal(std::istream& journal, const std::string& path);
    // `played` shortened while `fails` holds for it, within `replays` plays; `played` must fail.
    static PlayOptions Shorten(const PlayOptions& played,
                               const std::function<bool(const PlayOptions&)>& fails, int replays);

private:
    // Shortens `played` while `failed` holds for its play, and writes what is left.
    static std::string Write(const PlayOptions& played, const KeptSession& where,
                             const std::string& what,
                             const std::function<bool(const ChildOutcome&)>& failed);
};

#endif
