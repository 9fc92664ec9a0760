// The framework's contract reports, each with the mistake that usually sets it off, so that a
// CRASHED result can say where to look. One table, read by the validator and quoted in the guide.
#ifndef QVHOST_VALIDATE_CONTRACT_CAUSES_H
#define QVHOST_VALIDATE_CONTRACT_CAUSES_H

#include <string>
#include <vector>

struct ContractCause {
    const char* expression;
    const char* source;
    unsigned line;
    const char* cause;
};

class ContractCauses {
public:
    static const std::vector<ContractCause>& All();
    // The likely cause of the first known report in `output`; empty when it holds none.
    static std::string LikelyCause(const std::string& output);
};

#endif
