// The CPU time the calling thread has used: what a module's process calls cost the audio thread,
// whatever else the machine is doing.
#ifndef QVHOST_VALIDATE_THREAD_CPU_TIME_H
#define QVHOST_VALIDATE_THREAD_CPU_TIME_H

class ThreadCpuTime {
public:
    static double Seconds();
};

#endif
