#include "JUnitReport.h"

#include <cstdio>
#include <ctime>
#include <string>

#ifdef _WIN32
#include "WindowsApi.h"
#else
#include <unistd.h>
#endif

namespace {

// The length of the UTF-8 sequence that starts at text[at], or 0 when it is not a valid one.
size_t Utf8SequenceLength(const std::string& text, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    size_t length = 0;
    uint32_t code = 0;
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07u;
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0u) != 0x80u) return 0;
        code = (code << 6) | (byte(at + i) & 0x3Fu);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
    const uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return 0;
    return length;
}

// Text as XML 1.0 takes it in attributes and content: what a module wrote may be any bytes, so
// invalid UTF-8 becomes U+FFFD and control characters, which XML cannot hold even as references,
// are written out as \xNN.
std::string Escaped(const std::string& text) {
    std::string escaped;
    for (size_t at = 0; at < text.size();) {
        const size_t length = Utf8SequenceLength(text, at);
        if (length == 0) {
            escaped += "\xEF\xBF\xBD";
            ++at;
            continue;
        }
        if (length > 1) {
            escaped.append(text, at, length);
            at += length;
            continue;
        }
        const char c = text[at++];
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
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') {
                char code[8];
                std::snprintf(code, sizeof code, "\\x%02X", static_cast<unsigned>(c));
                escaped += code;
            } else {
                escaped += c;
            }
        }
    }
    return escaped;
}

std::string HostName() {
    char name[256] = {};
#ifdef _WIN32
    DWORD size = sizeof name;
    if (!GetComputerNameA(name, &size)) return "localhost";
#else
    if (gethostname(name, sizeof name - 1) != 0) return "localhost";
#endif
    return name[0] != '\0' ? name : "localhost";
}

std::string NowUtc() {
    const std::time_t now = std::time(nullptr);
    char text[32] = {};
    std::tm parts{};
#ifdef _WIN32
    gmtime_s(&parts, &now);
#else
    gmtime_r(&now, &parts);
#endif
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &parts);
    return text;
}

std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", seconds);
    return text;
}

// A repeated check gets a name per run, so that no two test cases share one.
std::string CaseName(const CheckResult& result) {
    return result.run == 0 ? result.id : result.id + " (run " + std::to_string(result.run) + ")";
}

}  // namespace

// Both the Ant schema (every testsuite with id, package, timestamp, hostname and time; every
// testcase with classname and time; system-out and system-err present) and the Jenkins one.
// WARNED results are passing test cases, listed in the suite's system-out.
void JUnitReport::Write(std::ostream& out, const ValidationReport& report) {
    const std::string timestamp = NowUtc();
    const std::string host = Escaped(HostName());
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites>\n";
    int id = 0;
    for (const LibraryReport& library : report.libraries) {
        double total_seconds = 0.0;
        for (const CheckResult& result : library.results) total_seconds += result.seconds;
        const std::string name = Escaped(library.path.empty() ? "library" : library.path);
        out << "  <testsuite id=\"" << id++ << "\" package=\"qvhost.validate\" name=\"" << name
            << "\" timestamp=\"" << timestamp << "\" hostname=\"" << host << "\" tests=\""
            << library.results.size() + (library.load_error.empty() ? 0 : 1) << "\" failures=\""
            << library.Failed() << "\" errors=\"" << (library.load_error.empty() ? 0 : 1)
            << "\" skipped=\"" << library.Skipped() << "\" time=\"" << Seconds(total_seconds)
            << "\">\n";
        out << "    <properties><property name=\"seed\" value=\"" << report.seed
            << "\"/></properties>\n";
        if (!library.load_error.empty()) {
            out << "    <testcase classname=\"qvhost.validate\" name=\"load\" time=\"0.000\">\n"
                   "      <error type=\"UNLOADABLE\" message=\""
                << Escaped(library.load_error) << "\"/>\n    </testcase>\n";
        }
        std::string warnings;
        for (const CheckResult& result : library.results) {
            out << "    <testcase classname=\"qvhost.validate\" name=\"" << Escaped(CaseName(result))
                << "\" time=\"" << Seconds(result.seconds) << "\">";
            if (result.status == CheckStatus::kSkipped) {
                out << "\n      <skipped message=\"" << Escaped(result.message) << "\"/>\n    ";
            } else if (result.status == CheckStatus::kWarned) {
                warnings += "WARNED " + CaseName(result) + ": " + result.message + "\n";
            } else if (result.status != CheckStatus::kPassed) {
                out << "\n      <failure type=\"" << CheckResult::StatusName(result.status)
                    << "\" message=\"" << Escaped(result.message) << "\">"
                    << Escaped(result.child_stdout + result.child_stderr) << "</failure>\n    ";
            }
            out << "</testcase>\n";
        }
        out << "    <system-out>" << Escaped(warnings) << "</system-out>\n"
            << "    <system-err></system-err>\n  </testsuite>\n";
    }
    out << "</testsuites>\n";
}
