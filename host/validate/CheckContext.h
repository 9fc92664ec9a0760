// What a check gets: the library under test, a random source derived from the run's seed and the
// check's id, and the means to say FAILED (the call, what came back, what was expected) or
// SKIPPED (why). A check that says neither has passed.
#ifndef QVHOST_VALIDATE_CHECK_CONTEXT_H
#define QVHOST_VALIDATE_CHECK_CONTEXT_H

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "AudioSideHost.h"
#include "GuiSideHost.h"
#include "ModuleLibrary.h"
#include "QVHostTypes.h"
#include "ReferenceHost.h"

class CheckContext {
public:
    // Failures after this many are counted, not described.
    static constexpr int kMaxDescribedFailures = 3;

    CheckContext(std::string library_path, uint32_t seed, const std::string& check_id);

    const std::string& LibraryPath() const { return m_library_path; }
    const std::string& CheckId() const { return m_check_id; }
    uint32_t Seed() const { return m_seed; }
    // Where failing sessions are kept as play scripts (`--keep-failures`); empty for nowhere.
    const std::string& FailureFolder() const { return m_failure_folder; }
    void SetFailureFolder(std::string folder) { m_failure_folder = std::move(folder); }
    // The seconds the check may take before it is ended; a check that repeats rounds spends a
    // share of them (TimeBudget) rather than a fixed count.
    void SetTimeLimit(double seconds) { m_time_limit = seconds; }
    double TimeBudget(double share) const { return share * m_time_limit; }
    // What became of the check's failing session, said after its failures: once per check.
    void KeepFailure(const std::string& text) { m_kept_failure = text; }
    bool KeptFailure() const { return !m_kept_failure.empty(); }
    // Every random choice of a check comes from here: the same seed, the same choices.
    uint32_t NextRandom() { return static_cast<uint32_t>(m_random()); }
    // The edge values every integer argument is tried with, and one drawn at random.
    std::vector<int32_t> EdgeValues();

    void Fail(const std::string& text);
    void FailCall(const std::string& call, const std::string& answer, const std::string& expected);
    void Skip(const std::string& reason);
    // Suspicious but allowed: a real host may know more than this one.
    void Warn(const std::string& text);
    // What a passing check adds to its result, such as how much it played.
    void Note(const std::string& text) { m_note = text; }
    bool Failed() const { return m_failures > 0; }
    bool Skipped() const { return !m_skip_reason.empty(); }
    bool Warned() const { return !m_warnings.empty(); }
    // The text a FAILED, SKIPPED or WARNED result carries; empty when the check passed.
    std::string Summary() const;

    // Sends one opcode and compares the answer.
    QVWord ExpectAudio(AudioSideHost& audio, int32_t opcode, int32_t index, int32_t value,
                       void* ptr, float opt, QVWord expected);
    int32_t ExpectGui(GuiSideHost& gui, int32_t opcode, int32_t index, int32_t value, void* ptr,
                      float opt, int32_t expected);
    // Every problem the host noted under one of its rules (HostRules) becomes a failure naming
    // what the rule guards, with `when` added.
    void FailOnRule(const ReferenceHost& host, const std::string& rule_id,
                    const std::string& when = "");
    // The first of the host's warnings under a rule that warns becomes this check's warning.
    void WarnOnRule(const ReferenceHost& host, const std::string& rule_id);

    static std::string DescribeCall(const char* side, int32_t opcode, int32_t index, int32_t value,
                                    const void* ptr, float opt);

private:
    std::string m_library_path;
    std::string m_check_id;
    uint32_t m_seed;
    std::string m_failure_folder;
    double m_time_limit = 10.0;
    std::string m_kept_failure;
    std::mt19937 m_random;
    int m_failures = 0;
    std::vector<std::string> m_described;
    std::string m_skip_reason;
    std::vector<std::string> m_warnings;
    std::string m_note;
};

#endif
