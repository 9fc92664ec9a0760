// The play of the session a check is in, written line by line as the session goes and unbuffered,
// so that a check that crashes leaves the play that led to its crash behind for the validator
// (FailingSession::KeepCrash). One session writes it at a time: the one that started last.
#ifndef QVHOST_VALIDATE_SESSION_JOURNAL_H
#define QVHOST_VALIDATE_SESSION_JOURNAL_H

#include <string>

class SessionJournal {
public:
    // The check's journal is `path` from here on; "" for none. Closing removes the file.
    static void Open(const std::string& path);
    static void Close();
    // Whether the check keeps its failing sessions: sessions keep their plays only then.
    static bool IsOpen();
    // Session `owner` writes the journal from here on, starting anew with `head`.
    static void Claim(const void* owner, const std::string& head);
    // A line of `owner`'s play; nothing unless it holds the journal.
    static void Write(const void* owner, const std::string& line);
    // `owner` no longer writes; the journal it wrote is gone, as its play no longer tells what
    // the check did.
    static void Release(const void* owner);
};

#endif
