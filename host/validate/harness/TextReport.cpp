#include "TextReport.h"

#include "OneLineMessage.h"
#include "PrintableText.h"

#include <sstream>

namespace {

void PrintIndented(std::ostream& out, const std::string& text, const char* prefix) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out << prefix << PrintableText(line) << "\n";
    }
}

}  // namespace

void TextReport::Start(uint32_t seed) { m_out << "qvhost validate: seed " << seed << "\n"; }

void TextReport::Library(const std::string& path) { m_out << PrintableText(path) << "\n"; }

void TextReport::Unloadable(const std::string& error) {
    m_out << "  cannot be validated: " << OneLineMessage(error) << "\n";
}

void TextReport::Progress(size_t number, size_t total, const std::string& id) {
    if (!m_progress) return;
    const std::string line =
        "  [" + std::to_string(number) + "/" + std::to_string(total) + "] " + id;
    ClearProgress();
    m_out << line << "\r" << std::flush;
    m_progress_width = line.size();
}

void TextReport::ClearProgress() {
    if (m_progress_width == 0) return;
    m_out << std::string(m_progress_width, ' ') << "\r";
    m_progress_width = 0;
}

void TextReport::Result(const CheckResult& result) {
    ClearProgress();
    if (m_only_failed && result.status == CheckStatus::kPassed) return;
    std::string status = CheckResult::StatusName(result.status);
    status.resize(8, ' ');
    m_out << "  " << status << result.id;
    if (!result.message.empty()) {
        m_out << ": " << PrintableText(result.message, LineBreaks::kKept);
    }
    m_out << "\n";
    // What the module printed, under the result it belongs to.
    PrintIndented(m_out, result.child_stdout, "          > ");
    PrintIndented(m_out, result.child_stderr, "          | ");
    for (const std::string& line : result.trace) m_out << "          " << line << "\n";
    // Each result as it comes, into a file or a pipe too: a long run's log shows how far it is.
    m_out << std::flush;
}

void TextReport::Interrupted(const LibraryReport& library) {
    ClearProgress();
    m_out << "interrupted: " << library.results.size() << " of " << library.planned
          << " checks run\n";
}

void TextReport::LibraryEnd(const LibraryReport& library) {
    ClearProgress();
    m_out << library.Summary() << "\n";
}

void TextReport::End(const ValidationReport& report) {
    if (report.libraries.size() > 1) m_out << (report.Success() ? "SUCCESS" : "FAILURE") << "\n";
}
