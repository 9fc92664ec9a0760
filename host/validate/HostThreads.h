// The threads the validator starts itself. A crash on any other thread of a check's process is
// on a thread of the module's own, often one that outlived its object or its library: the crash
// handler names it so.
#ifndef QVHOST_VALIDATE_HOST_THREADS_H
#define QVHOST_VALIDATE_HOST_THREADS_H

namespace HostThreads {

// First thing on every thread the host starts, and on the main thread.
void MarkCurrent();
bool CurrentIsHosts();
// Writes, with no allocation and no lock (from a crash handler), a line naming the current
// thread as the module's own when the host did not start it.
void NameIfForeign();

}  // namespace HostThreads

#endif
