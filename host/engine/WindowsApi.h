// The Windows API as the host uses it: the lean header, without the min and max macros that would
// break std::min and std::max, and the one conversion each way between the host's UTF-8 texts
// and the system's wide ones. Included by Windows builds only.
#ifndef QVHOST_WINDOWS_API_H
#define QVHOST_WINDOWS_API_H

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

// What the system says of error `code`, without its line end: empty when it says nothing.
inline std::string SystemMessage(DWORD code) {
    char text[512] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, text, sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
        message.pop_back();
    }
    return message;
}

// UTF-8 text in the wide form the system's own calls take, into `wide` (room for `room`
// characters, the end included) without allocating, for a handler that may not: false when it
// does not fit.
inline bool WideText(const char* utf8, wchar_t* wide, int room) {
    return MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, room) > 0;
}

inline std::wstring WideText(const std::string& utf8) {
    if (utf8.empty()) return std::wstring();
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, &wide[0], length);
    return wide;
}

// Wide text, as the system gives it, in UTF-8.
inline std::string Utf8Text(const wchar_t* wide) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(length > 0 ? length - 1 : 0), '\0');
    if (length > 1) WideCharToMultiByte(CP_UTF8, 0, wide, -1, &utf8[0], length, nullptr, nullptr);
    return utf8;
}

#endif
