// The rules the reference host watches in every session, each named by the id that every one of
// its findings ends with, in brackets, set where the finding is raised (HostRuleIds.h). A check
// fails on the findings of the rules it names; the play checks fail on every finding.
// `qvhost validate --rules` lists them.
#ifndef QVHOST_VALIDATE_HOST_RULES_H
#define QVHOST_VALIDATE_HOST_RULES_H

#include <string>
#include <vector>

struct HostRule {
    const char* id;
    const char* description;  // what it guards, as a failure names it
    bool warns;               // a warning, not a problem: suspicious but allowed

    // "[id]", what ends every finding of the rule.
    std::string Tag() const { return std::string("[") + id + "]"; }
};

class HostRules {
public:
    static const std::vector<HostRule>& All();
    // The rule with this id; a HostError for an id the table does not hold.
    static const HostRule& Get(const std::string& id);
    // The rule a finding's text ends with, or null.
    static const HostRule* Of(const std::string& finding);
};

#endif
