// Every check the validator knows, in the order it runs them: a stable kebab-case id (never
// reused for another meaning), a one-line description, and the function that does it.
#ifndef QVHOST_VALIDATE_CHECK_TABLE_H
#define QVHOST_VALIDATE_CHECK_TABLE_H

#include <vector>

#include "CheckContext.h"

struct CheckEntry {
    const char* id;
    const char* description;
    void (*run)(CheckContext& context);
};

class CheckTable {
public:
    static const std::vector<CheckEntry>& All();
};

#endif
