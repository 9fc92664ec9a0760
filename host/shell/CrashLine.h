// One line of a crash handler's report: built in fixed storage and written to standard error with
// one write, so that it allocates nothing and takes no lock, whatever state the process is in.
#ifndef QVHOST_CRASH_LINE_H
#define QVHOST_CRASH_LINE_H

#include <cstddef>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

class CrashLine {
public:
    // Text past the line's room is cut off.
    CrashLine& Text(const char* text) {
        for (; *text != '\0' && m_length < kRoom; ++text) m_text[m_length++] = *text;
        return *this;
    }
    CrashLine& Number(long long number) {
        char digits[24];
        size_t count = 0;
        unsigned long long rest = number < 0 ? 0ull - static_cast<unsigned long long>(number)
                                             : static_cast<unsigned long long>(number);
        do {
            digits[count++] = static_cast<char>('0' + rest % 10);
            rest /= 10;
        } while (rest != 0);
        if (number < 0) Text("-");
        while (count > 0 && m_length < kRoom) m_text[m_length++] = digits[--count];
        return *this;
    }
    // The line and its line break.
    void Write() {
        Text("\n");
#ifdef _WIN32
        _write(2, m_text, static_cast<unsigned>(m_length));
#else
        const ssize_t written = write(2, m_text, m_length);
        static_cast<void>(written);
#endif
    }

private:
    static constexpr size_t kRoom = 255;
    char m_text[kRoom + 1];
    size_t m_length = 0;
};

#endif
