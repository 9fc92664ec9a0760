// A play kept as a small text file, one action a line, so that a long session can be kept and
// replayed by `qvhost play LIB --script FILE`:
//
//   samples 4800                    how many samples to play
//   rate 48000                      the sample rate the objects open with
//   block 64                        the block size they open with
//   clock 0                         the sample clock at the first sample
//   seed 7                          the runtime's generator, seeded once the objects exist
//   store PIN=VALUE                 a value the patch holds, set before the objects start
//   input PIN=SIGNAL [STATUS]       a sample input's signal from the first sample
//   at SAMPLE set PIN=VALUE         a user's setting, as --at SAMPLE:PIN=VALUE
//   at SAMPLE gui PIN=VALUE         through the GUI object alone (any input pin)
//   at SAMPLE variable PIN=VALUE [STATUS]   into the module's variable, the audio object told
//   at SAMPLE input PIN=SIGNAL [STATUS]     a sample input's signal from here on
//   at SAMPLE rate HZ               a new sample rate
//   at SAMPLE block N               a new block size, blocks counted from here
//   at SAMPLE close                 both sides of the object closed: it plays no more
//   object 2                        the lines that follow are for a second object of the module,
//                                   placed beside the first and played a block in turn with it
//   object 1                        the lines that follow are for the first object again
//
// STATUS is changed, moving or static. Blank lines and lines from '#' on are skipped.
#ifndef QVHOST_PLAY_SCRIPT_H
#define QVHOST_PLAY_SCRIPT_H

#include <istream>
#include <string>

#include "PlayAction.h"
#include "PlaySession.h"

class PlayScript {
public:
    // The play `text` describes; a UsageError naming `source` and the line for anything else.
    static PlayOptions Parse(const std::string& text, const std::string& source);
    // The same, read line by line from `lines`, which is left as the last read left it.
    static PlayOptions Parse(std::istream& lines, const std::string& source);
    // The script of `options`, which Parse reads back to the same play.
    static std::string Format(const PlayOptions& options);
    // An action as a line says it, without its sample: "gui Level=5", "rate 96000".
    static std::string Describe(const PlayAction& action);
    // A number written so that it reads back to the same double.
    static std::string Number(double value);
};

#endif
