// The --junit file: one test suite per library, one test case per check result.
#ifndef QVHOST_VALIDATE_JUNIT_REPORT_H
#define QVHOST_VALIDATE_JUNIT_REPORT_H

#include <ostream>

#include "ValidationReport.h"

class JUnitReport {
public:
    static void Write(std::ostream& out, const ValidationReport& report);
};

#endif
