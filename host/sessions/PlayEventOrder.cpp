#include "PlayEventOrder.h"

#include <algorithm>
#include <utility>

void PlayEventOrder::AddHostSide(uint32_t sample, std::string text) {
    m_host_side.push_back({sample, std::move(text)});
}

void PlayEventOrder::AddAudioSide(uint32_t sample, std::string text) {
    m_audio_side.push_back({sample, std::move(text)});
}

void PlayEventOrder::HandOnBefore(uint64_t sample) {
    const auto by_sample = [](const PlayEvent& a, const PlayEvent& b) { return a.sample < b.sample; };
    std::stable_sort(m_host_side.begin(), m_host_side.end(), by_sample);
    std::stable_sort(m_audio_side.begin(), m_audio_side.end(), by_sample);
    size_t host = 0;
    size_t audio = 0;
    for (;;) {
        const bool host_due = host < m_host_side.size() && m_host_side[host].sample < sample;
        const bool audio_due = audio < m_audio_side.size() && m_audio_side[audio].sample < sample;
        if (host_due && (!audio_due || m_host_side[host].sample <= m_audio_side[audio].sample)) {
            if (m_sink) m_sink(m_host_side[host]);
            ++host;
        } else if (audio_due) {
            if (m_sink) m_sink(m_audio_side[audio]);
            ++audio;
        } else {
            break;
        }
    }
    m_host_side.erase(m_host_side.begin(), m_host_side.begin() + static_cast<std::ptrdiff_t>(host));
    m_audio_side.erase(m_audio_side.begin(),
                       m_audio_side.begin() + static_cast<std::ptrdiff_t>(audio));
}
