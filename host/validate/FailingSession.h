// A failing session kept for the module's author: the play it was (PlayScript), shortened to the
// fewest actions and samples that still break the same rule when `qvhost play` plays them, and
// written to the folder of `--keep-failures` as CHECK.qvs with the command that replays it.
#ifndef QVHOST_VALIDATE_FAILING_SESSION_H
#define QVHOST_VALIDATE_FAILING_SESSION_H

#include <functional>
#include <string>

#include "CheckContext.h"
#include "PlayScript.h"
#include "PlaySession.h"

class FailingSession {
public:
    // Keeps `played`, whose first finding was `finding`, and says where and how to replay it,
    // or why it cannot be replayed.
    static std::string Keep(const PlayOptions& played, const std::string& finding,
                            const CheckContext& context);
    // `played` shortened while `fails` holds for it, within `replays` plays; `played` must fail.
    static PlayOptions Shorten(const PlayOptions& played,
                               const std::function<bool(const PlayOptions&)>& fails, int replays);
};

#endif
