// What a check's child says when the module ends it, and what the validator reads back from the
// child's standard error: where a crash happened and in which call into the module, an exception
// the module's own C++ runtime could not hand to the host, an exception a framework entry caught.
#ifndef QVHOST_VALIDATE_CHILD_CRASH_H
#define QVHOST_VALIDATE_CHILD_CRASH_H

#include <string>

class ChildCrash {
public:
    // In a child: a crash ends it with the crash's code and a line on standard error naming its
    // place and the call in progress, instead of a dialog or a debugger.
    static void Prepare();
    // The place a child's crash line gives, " at ... in ...", its symbol demangled, or nothing.
    static std::string Place(const std::string& err);
    // The failure when the module's runtime ended the child for an exception thrown inside a
    // call into the module; empty for any other end.
    static std::string ThrownThroughRuntime(const std::string& err);
    // A check's failure when an exception left the module through a call of the host's.
    static std::string ThrownByModule(const std::string& call, const std::string& what);
    // The first report of an exception a framework entry caught on its way to the host: the
    // module answered as if nothing had happened, but did not do what the host asked. Empty for
    // none.
    static std::string EscapedException(const std::string& err);
};

#endif
