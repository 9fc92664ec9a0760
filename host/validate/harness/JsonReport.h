// The --json document, which is also how a child hands its one result to the validator.
#ifndef QVHOST_VALIDATE_JSON_REPORT_H
#define QVHOST_VALIDATE_JSON_REPORT_H

#include <ostream>
#include <string>

#include "ValidationReport.h"

class JsonReport {
public:
    static void Write(std::ostream& out, const ValidationReport& report);
    // The first result of the first library in a document Write made; false when there is none.
    static bool ReadFirstResult(const std::string& document, CheckResult* result);
    // The first library's load error, empty when it loaded; false for no document.
    static bool ReadLoadError(const std::string& document, std::string* load_error);
};

#endif
