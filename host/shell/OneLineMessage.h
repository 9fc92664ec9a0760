// A message as a command prints it, on one line: what it echoes (a path, a script line) can
// neither reach the terminal as a command nor forge a line of its own, and a long one is cut at
// 1000 bytes, its length said.
#ifndef QVHOST_ONE_LINE_MESSAGE_H
#define QVHOST_ONE_LINE_MESSAGE_H

#include <string>

#include "PrintableText.h"

inline std::string OneLineMessage(const std::string& message) {
    constexpr size_t kMostShown = 1000;
    if (message.size() <= kMostShown) return PrintableText(message);
    return PrintableText(message.substr(0, kMostShown)) + "... (" +
           std::to_string(message.size()) + " bytes in all)";
}

#endif
