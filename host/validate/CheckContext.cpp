#include "CheckContext.h"

#include <algorithm>
#include <limits>
#include <sstream>

#include "HostRules.h"
#include "OpcodeNames.h"

namespace {

uint32_t HashOf(const std::string& text) {
    uint32_t hash = 2166136261u;
    for (const char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return hash;
}

std::string Word(QVWord word) { return std::to_string(static_cast<long long>(word)); }

}  // namespace

CheckContext::CheckContext(std::string library_path, uint32_t seed, const std::string& check_id)
    : m_library_path(std::move(library_path)),
      m_check_id(check_id),
      m_seed(seed),
      m_random(seed ^ HashOf(check_id)) {}

std::vector<int32_t> CheckContext::EdgeValues() {
    return {0,
            1,
            -1,
            std::numeric_limits<int32_t>::min(),
            std::numeric_limits<int32_t>::max(),
            static_cast<int32_t>(NextRandom())};
}

void CheckContext::Fail(const std::string& text) {
    ++m_failures;
    // The same text again is counted, not said again: the next different one is worth the room.
    if (m_described.size() < static_cast<size_t>(kMaxDescribedFailures) &&
        std::find(m_described.begin(), m_described.end(), text) == m_described.end()) {
        m_described.push_back(text);
    }
}

void CheckContext::FailCall(const std::string& call, const std::string& answer,
                            const std::string& expected) {
    Fail(call + " answered " + answer + ", expected " + expected);
}

void CheckContext::Skip(const std::string& reason) { m_skip_reason = reason; }

void CheckContext::Warn(const std::string& text) { m_warnings.push_back(text); }

std::string CheckContext::Summary() const {
    if (m_failures == 0 && Skipped()) return m_skip_reason;
    if (m_failures == 0) {
        std::string text;
        for (const std::string& warning : m_warnings) text += (text.empty() ? "" : "; ") + warning;
        if (!m_note.empty()) text += (text.empty() ? "" : "; ") + m_note;
        return text;
    }
    std::string text;
    for (const std::string& failure : m_described) text += (text.empty() ? "" : "; ") + failure;
    const auto untold = static_cast<size_t>(m_failures) - m_described.size();
    if (untold > 0) text += " (and " + std::to_string(untold) + " more)";
    if (KeptFailure()) text += "; " + m_kept_failure;
    return text;
}

std::string CheckContext::DescribeCall(const char* side, int32_t opcode, int32_t index,
                                       int32_t value, const void* ptr, float opt) {
    std::ostringstream text;
    text << side << " " << OpcodeNames::Name(side, opcode) << " index " << index << " value "
         << value << " ptr " << (ptr == nullptr ? "null" : "set") << " opt " << opt;
    return text.str();
}

QVWord CheckContext::ExpectAudio(AudioSideHost& audio, int32_t opcode, int32_t index, int32_t value,
                                 void* ptr, float opt, QVWord expected) {
    const QVWord answer = audio.Dispatch(opcode, index, value, ptr, opt);
    if (answer != expected) {
        FailCall(DescribeCall("audio", opcode, index, value, ptr, opt), Word(answer),
                 Word(expected));
    }
    return answer;
}

int32_t CheckContext::ExpectGui(GuiSideHost& gui, int32_t opcode, int32_t index, int32_t value,
                                void* ptr, float opt, int32_t expected) {
    const int32_t answer = gui.Dispatch(opcode, index, value, ptr, opt);
    if (answer != expected) {
        FailCall(DescribeCall("GUI", opcode, index, value, ptr, opt), std::to_string(answer),
                 std::to_string(expected));
    }
    return answer;
}

void CheckContext::FailOnRule(const ReferenceHost& host, const std::string& rule_id,
                              const std::string& when) {
    const HostRule& rule = HostRules::Get(rule_id);
    for (const std::string& problem : host.Problems()) {
        if (HostRules::Of(problem) == &rule) {
            Fail("guard '" + std::string(rule.description) + when + "': " + problem);
        }
    }
}

void CheckContext::WarnOnRule(const ReferenceHost& host, const std::string& rule_id) {
    const HostRule& rule = HostRules::Get(rule_id);
    for (const std::vector<std::string>* warnings :
         {&host.Audio().Warnings(), &host.Gui().Warnings()}) {
        for (const std::string& warning : *warnings) {
            if (HostRules::Of(warning) == &rule) return Warn(warning);
        }
    }
}
