// The validator's plain-text output, written as results come in.
#ifndef QVHOST_VALIDATE_TEXT_REPORT_H
#define QVHOST_VALIDATE_TEXT_REPORT_H

#include <ostream>
#include <string>

#include "ValidationReport.h"

class TextReport {
public:
    TextReport(std::ostream& out, bool only_failed, bool progress)
        : m_out(out), m_only_failed(only_failed), m_progress(progress) {}

    void Start(uint32_t seed);
    void Library(const std::string& path);
    void Unloadable(const std::string& error);
    // A line on a terminal that the next output overwrites.
    void Progress(size_t number, size_t total, const std::string& id);
    void Result(const CheckResult& result);
    // Before the summary of a library whose run was stopped: how far it came.
    void Interrupted(const LibraryReport& library);
    void LibraryEnd(const LibraryReport& library);
    void End(const ValidationReport& report);

private:
    void ClearProgress();

    std::ostream& m_out;
    bool m_only_failed;
    bool m_progress;
    size_t m_progress_width = 0;
};

#endif
