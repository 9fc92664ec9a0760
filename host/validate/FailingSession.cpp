#include "FailingSession.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

#include "ChildProcess.h"
#include "CommandEntry.h"
#include "CsvComparison.h"
#include "FilePath.h"
#include "HostError.h"
#include "HostRuleIds.h"
#include "HostRules.h"
#include "Interruption.h"
#include "NewFile.h"
#include "OutputFile.h"
#include "PlayScript.h"
#include "PrintableText.h"

namespace {

// Replays a shortening may take, and the time it may take: a check keeps its time limit.
constexpr int kMostReplays = 400;
constexpr std::chrono::seconds kMostTime{4};
constexpr double kReplaySeconds = 2.0;

// `played` ending before sample `samples`: the actions due after it dropped.
PlayOptions EndingAt(const PlayOptions& played, uint32_t samples) {
    PlayOptions shorter = played;
    shorter.samples = samples;
    shorter.timeline.clear();
    for (const PlayAction& action : played.timeline) {
        if (action.sample < samples) shorter.timeline.push_back(action);
    }
    return shorter;
}

// A word of the replay command as a shell takes it back: quoted when it holds anything but
// letters, digits and the marks of a plain path.
std::string ShellWord(const std::string& word) {
    const bool plain = !word.empty() && word.find_first_not_of(
                                            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                            "0123456789_./:\\=+,@%-") == std::string::npos;
    if (plain) return word;
#ifdef _WIN32
    return "\"" + word + "\"";  // a Windows path holds no double quote
#else
    // What a report would show escaped (a control character, which would break the printed line,
    // a byte that is not UTF-8, a mark that reorders a line) is named by its code in $'...', and
    // so is every byte past ASCII with it: the command pastes back as printed.
    const bool by_code = PrintableText(word) != word;
    std::string quoted = by_code ? "$'" : "'";
    for (const char c : word) {
        const auto byte = static_cast<unsigned char>(c);
        if (by_code && (byte < 0x20 || byte >= 0x7F || c == '\\' || c == '\'')) {
            char code[5];
            std::snprintf(code, sizeof code, "\\x%02X", byte);
            quoted += code;
        } else {
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        }
    }
    return quoted + "'";
#endif
}

// Writes `played` to `path` for a child to replay; HostError when it cannot.
void WriteTrial(const std::string& path, const PlayOptions& played) {
    if (!NewFile::Write(path, PlayScript::Format(played))) {
        throw HostError("cannot write " + path + " (" + std::strerror(errno) + ")");
    }
}

// Keeps `played` at `path` for the author, whole or not at all, after the comment `head`.
void KeepScript(const std::string& path, const std::string& head, const PlayOptions& played) {
    OutputFile file("--keep-failures", path);
    file.Write([&](const std::string& part) {
        std::ofstream out(FilePath(part), std::ios::binary);
        out << head << PlayScript::Format(played);
        out.close();
        if (!out) throw OutputFile::WriteFailure(part);
    });
    file.Commit();
}

// Why no script was kept, and how the failure is had again all the same.
std::string NotKept(const KeptSession& where, const std::string& why) {
    return "no play script kept: " + why + "; " + FailingSession::RunAgain(where);
}

}  // namespace

PlayOptions FailingSession::Shorten(const PlayOptions& played,
                                    const std::function<bool(const PlayOptions&)>& fails,
                                    int replays) {
    const auto still_fails = [&](const PlayOptions& candidate) {
        return replays-- > 0 && fails(candidate);
    };
    PlayOptions best = played;
    // The earliest end that still fails, halving the samples in question.
    const auto end_early = [&] {
        for (uint32_t low = 1; low < best.samples && replays > 0;) {
            const uint32_t middle = low + (best.samples - low) / 2;
            const PlayOptions candidate = EndingAt(best, middle);
            if (still_fails(candidate)) {
                best = candidate;
            } else {
                low = middle + 1;
            }
        }
    };
    end_early();
    // The actions, in runs halving in length, then each stored value.
    for (size_t run = std::max<size_t>(1, best.timeline.size() / 2); run > 0; run /= 2) {
        for (size_t first = 0; first < best.timeline.size() && replays > 0;) {
            PlayOptions candidate = best;
            const auto begin = candidate.timeline.begin() + static_cast<std::ptrdiff_t>(first);
            candidate.timeline.erase(begin, begin + static_cast<std::ptrdiff_t>(std::min(
                                                        run, candidate.timeline.size() - first)));
            if (still_fails(candidate)) {
                best = candidate;
            } else {
                first += run;
            }
        }
    }
    for (size_t stored = best.stored.size(); stored-- > 0 && replays > 0;) {
        PlayOptions candidate = best;
        candidate.stored.erase(candidate.stored.begin() + static_cast<std::ptrdiff_t>(stored));
        if (still_fails(candidate)) best = candidate;
    }
    // What is left, moved to start at the first sample (the actions come in order of sample),
    // and ended early once more.
    if (!best.timeline.empty() && best.timeline.front().sample > 0 && replays > 0) {
        PlayOptions candidate = best;
        const uint32_t first = best.timeline.front().sample;
        for (PlayAction& action : candidate.timeline) action.sample -= first;
        candidate.samples -= first;
        if (still_fails(candidate)) best = candidate;
    }
    end_early();
    return best;
}

std::string KeptSession::Path() const {
    // One folder serves every library of a run: each file is named after its library and check.
    return (FilePath(folder) /
            FilePath(FilePath(library).stem().u8string() + "." + check_id + ".qvs"))
        .u8string();
}

std::string KeptSession::ReferencePath() const {
    const std::string path = Path();
    return path.substr(0, path.size() - 4) + ".reference.qvs";
}

std::vector<std::string> KeptSession::PairTrialPaths() const {
    const std::string trying = TrialPath();
    return {trying + "-reference", trying + "-reference.csv", trying, trying + ".csv"};
}

std::string KeptSession::JournalPath() const { return Path() + ".journal"; }

std::string KeptSession::TrialPath() const { return Path() + ".trying"; }

void KeptSession::RemoveLeftovers() const {
    std::error_code error;
    std::filesystem::remove(FilePath(JournalPath()), error);
    std::filesystem::remove(FilePath(TrialPath()), error);
    for (const std::string& trial : PairTrialPaths())
        std::filesystem::remove(FilePath(trial), error);
}

KeptSession FailingSession::Where(const CheckContext& context) {
    return {context.FailureFolder(), context.LibraryPath(), context.CheckId(), context.Seed()};
}

std::string FailingSession::Keep(const PlayOptions& played, const std::string& finding,
                                 const KeptSession& where) {
    // The finding names its step first: "at STEP: what the host found".
    const std::string found = finding.substr(std::min(finding.find(": "), finding.size()));
    const HostRule* broken = HostRules::Of(found);
    if (broken == nullptr) {
        return NotKept(where, "`qvhost play` does not watch for what it found");
    }
    const std::string tag = broken->Tag();
    return Write(played, where, "broke rule " + std::string(broken->id) + ": " + finding,
                 [&tag](const ChildOutcome& outcome) {
                     return outcome.ending == ChildOutcome::kExited &&
                            outcome.result.find(tag) != std::string::npos;
                 });
}

std::string FailingSession::KeepPair(const PlayOptions& reference, const PlayOptions& played,
                                     uint32_t from, const std::string& finding,
                                     const KeptSession& where) {
    // Both plays run as the author runs them, each in a child of its own, and their files are
    // compared as `qvhost compare` compares them.
    const std::vector<std::string> trials = where.PairTrialPaths();
    const auto replays = [&] {
        for (size_t k = 0; k < 2; ++k) {
            WriteTrial(trials[2 * k], k == 0 ? reference : played);
            const ChildOutcome play = ChildProcess::RunSelf(
                {"play", where.library, "--script", trials[2 * k], "--csv", trials[2 * k + 1]},
                kReplaySeconds);
            if (play.ending != ChildOutcome::kExited || play.code != 0) return false;
        }
        std::ifstream reference_rows(FilePath(trials[1]), std::ios::binary);
        std::ifstream played_rows(FilePath(trials[3]), std::ios::binary);
        CsvRecords reference_records(reference_rows, trials[1]);
        CsvRecords played_records(played_rows, trials[3]);
        return CsvComparison::Compare(reference_records, played_records, 0.0, from)
            .first_difference.has_value();
    };
    bool replayed = false;
    std::string unwritable;
    try {
        replayed = replays();
    } catch (const HostError& error) {
        unwritable = error.what();
    }
    std::error_code error;
    for (const std::string& trial : trials) std::filesystem::remove(FilePath(trial), error);
    if (!unwritable.empty()) return NotKept(where, unwritable);
    if (Interruption::Happened()) return NotKept(where, "the run was stopped");
    if (!replayed) {
        return NotKept(where, "played again by `qvhost play`, the two sessions gave the same "
                              "outputs");
    }
    const std::string reference_path = where.ReferencePath();
    const std::string path = where.Path();
    const auto csv_of = [](const std::string& script) {
        return script.substr(0, script.size() - 4) + ".csv";
    };
    const std::string command =
        "qvhost play " + ShellWord(where.library) + " --script " + ShellWord(reference_path) +
        " --csv " + ShellWord(csv_of(reference_path)) + " && qvhost play " +
        ShellWord(where.library) + " --script " + ShellWord(path) + " --csv " +
        ShellWord(csv_of(path)) + " && qvhost compare " + ShellWord(csv_of(reference_path)) +
        " " + ShellWord(csv_of(path)) + (from > 0 ? " --from " + std::to_string(from) : "");
    const auto head = [&](const char* role) {
        return "# " + where.check_id + " (qvhost validate --seed " + std::to_string(where.seed) +
               "), " + role + ": " + finding + "\n# Replay and compare: " + command + "\n";
    };
    try {
        KeepScript(reference_path, head("the play compared with"), reference);
        KeepScript(path, head("the play that differs"), played);
    } catch (const HostError& failure) {
        return NotKept(where, failure.what());
    }
    return "the two sessions compared are kept (" + std::to_string(played.samples) +
           " samples) and differ again with: " + command;
}

std::string FailingSession::RunAgain(const KeptSession& where) {
    return "runs again alone with: qvhost validate " + ShellWord(where.library) + " --filter " +
           ShellWord("^" + where.check_id + "$") + " --seed " + std::to_string(where.seed);
}

PlayOptions FailingSession::FromJournal(std::istream& journal, const std::string& path) {
    // The journal's last length is that of the block that was processing; an action may lie
    // past it when the crash came before the next block.
    std::string actions;
    uint32_t samples = 1;
    for (std::string line; std::getline(journal, line);) {
        uint32_t number = 0;
        if (std::sscanf(line.c_str(), "samples %u", &number) == 1 ||
            std::sscanf(line.c_str(), "at %u", &number) == 1) {
            samples = std::max(samples, number + (line[0] == 'a' ? 1u : 0u));
        }
        if (line.rfind("samples", 0) != 0) actions += line + "\n";
    }
    return PlayScript::Parse(actions + "samples " + std::to_string(samples) + "\n", path);
}

std::string FailingSession::KeepCrash(const KeptSession& where) {
    std::ifstream file(FilePath(where.JournalPath()), std::ios::binary);
    if (!file) return "";
    PlayOptions played;
    std::string unreadable;
    try {
        played = FromJournal(file, where.JournalPath());
    } catch (const HostError& error) {
        unreadable = error.what();
    }
    file.close();
    std::error_code error;
    std::filesystem::remove(FilePath(where.JournalPath()), error);
    if (!unreadable.empty()) return NotKept(where, unreadable);
    // A crash under a sanitizer is an exit of its own, without the play's end.
    return Write(played, where, "crashed", [](const ChildOutcome& outcome) {
        return outcome.ending == ChildOutcome::kCrashed ||
               (outcome.ending == ChildOutcome::kExited && outcome.code != 0 &&
                outcome.code != CommandEntry::kBadArguments &&
                outcome.result.rfind(PlaySession::kPlayedMark, 0) != 0);
    });
}

std::string FailingSession::Write(const PlayOptions& played, const KeptSession& where,
                                  const std::string& what,
                                  const std::function<bool(const ChildOutcome&)>& failed) {
    // Each play runs in a child of its own, as `qvhost play` runs it: a fresh load of the
    // library, whose crash or hang ends only that play.
    const std::string path = where.Path();
    const std::string trying = where.TrialPath();
    const auto deadline = std::chrono::steady_clock::now() + kMostTime;
    const auto fails = [&](const PlayOptions& candidate) {
        if (std::chrono::steady_clock::now() > deadline || Interruption::Happened()) return false;
        WriteTrial(trying, candidate);
        return failed(
            ChildProcess::RunSelf({"play", where.library, "--script", trying}, kReplaySeconds));
    };
    bool replays = false;
    PlayOptions shortest = played;
    std::error_code error;
    try {
        replays = fails(played);
        if (replays) shortest = Shorten(played, fails, kMostReplays);
    } catch (const HostError& unwritable) {
        std::filesystem::remove(FilePath(trying), error);
        return NotKept(where, unwritable.what());
    }
    std::filesystem::remove(FilePath(trying), error);
    if (Interruption::Happened()) return NotKept(where, "the run was stopped");
    if (!replays) {
        return NotKept(where, "played again by `qvhost play`, the session did not do what it did "
                              "here (" + what.substr(0, what.find(':')) + ")");
    }
    const std::string command =
        "qvhost play " + ShellWord(where.library) + " --script " + ShellWord(path);
    try {
        KeepScript(path,
                   "# " + where.check_id + " (qvhost validate --seed " +
                       std::to_string(where.seed) + ") " + what + "\n# Shortened from " +
                       std::to_string(played.timeline.size()) + " actions and " +
                       std::to_string(played.samples) + " samples. Replay: " + command + "\n",
                   shortest);
    } catch (const HostError& unwritable) {
        return NotKept(where, unwritable.what());
    }
    return "the shortest failing session found (" + std::to_string(shortest.timeline.size()) +
           " of " + std::to_string(played.timeline.size()) + " actions, " +
           std::to_string(shortest.samples) + " samples) replays with: " + command;
}
