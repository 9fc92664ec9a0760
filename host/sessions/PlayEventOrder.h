// A play's events put in order as they come: what the host did and the GUI object wrote, and
// what the audio object sent, each kept only until no event can come before it.
#ifndef QVHOST_PLAY_EVENT_ORDER_H
#define QVHOST_PLAY_EVENT_ORDER_H

#include <cstdint>
#include <string>
#include <vector>

#include "PlaySession.h"

class PlayEventOrder {
public:
    explicit PlayEventOrder(const PlayEventSink& sink) : m_sink(sink) {}

    void AddHostSide(uint32_t sample, std::string text);
    void AddAudioSide(uint32_t sample, std::string text);
    // Hands on every event before `sample`, once no event to come is before it: in order of
    // sample, and at one sample the host's side first, each side in the order it came.
    void HandOnBefore(uint64_t sample);
    void HandOnAll() { HandOnBefore(UINT64_MAX); }

private:
    const PlayEventSink& m_sink;
    std::vector<PlayEvent> m_host_side;
    std::vector<PlayEvent> m_audio_side;
};

#endif
