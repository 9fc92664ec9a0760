#include "JUnitReport.h"

#include <string>

namespace {

std::string Escaped(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        default:
            // Control characters other than tab and line ends are not allowed in XML 1.0.
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') {
                escaped += '?';
            } else {
                escaped += c;
            }
        }
    }
    return escaped;
}

}  // namespace

void JUnitReport::Write(std::ostream& out, const ValidationReport& report) {
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites>\n";
    for (const LibraryReport& library : report.libraries) {
        out << "  <testsuite name=\"" << Escaped(library.path) << "\" tests=\""
            << library.results.size() + (library.load_error.empty() ? 0 : 1) << "\" failures=\""
            << library.Failed() << "\" errors=\"" << (library.load_error.empty() ? 0 : 1)
            << "\" skipped=\"" << library.Skipped() << "\">\n";
        out << "    <properties><property name=\"seed\" value=\"" << report.seed
            << "\"/></properties>\n";
        if (!library.load_error.empty()) {
            out << "    <testcase classname=\"qvhost.validate\" name=\"load\">\n      <error "
                   "message=\""
                << Escaped(library.load_error) << "\"/>\n    </testcase>\n";
        }
        for (const CheckResult& result : library.results) {
            out << "    <testcase classname=\"qvhost.validate\" name=\"" << result.id << "\">";
            if (result.status == CheckStatus::kSkipped) {
                out << "\n      <skipped message=\"" << Escaped(result.message) << "\"/>\n    ";
            } else if (result.status != CheckStatus::kPassed) {
                out << "\n      <failure type=\"" << CheckResult::StatusName(result.status)
                    << "\" message=\"" << Escaped(result.message) << "\">"
                    << Escaped(result.child_stderr) << "</failure>\n    ";
            }
            out << "</testcase>\n";
        }
        out << "  </testsuite>\n";
    }
    out << "</testsuites>\n";
}
