#include "PinWriteText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#include "WindowsApi.h"
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

// Two pages: the first readable, the second not, so that a text can end where memory ends.
class PageBeforeAGap {
public:
    PageBeforeAGap() {
#ifdef _WIN32
        SYSTEM_INFO system{};
        GetSystemInfo(&system);
        m_page = system.dwPageSize;
        m_memory = static_cast<char*>(
            VirtualAlloc(nullptr, 2 * m_page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD before = 0;
        VirtualProtect(m_memory + m_page, m_page, PAGE_NOACCESS, &before);
#else
        m_page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        m_memory = static_cast<char*>(
            mmap(nullptr, 2 * m_page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        mprotect(m_memory + m_page, m_page, PROT_NONE);
#endif
        std::memset(m_memory, 'x', m_page);
    }
    ~PageBeforeAGap() {
#ifdef _WIN32
        VirtualFree(m_memory, 0, MEM_RELEASE);
#else
        munmap(m_memory, 2 * m_page);
#endif
    }
    PageBeforeAGap(const PageBeforeAGap&) = delete;
    PageBeforeAGap& operator=(const PageBeforeAGap&) = delete;

    // The readable page's last `bytes` bytes.
    char* Last(size_t bytes) { return m_memory + m_page - bytes; }
    char* Gap() { return m_memory + m_page; }

private:
    size_t m_page = 0;
    char* m_memory = nullptr;
};

PinWrite WriteOfPointer(const void* pointer, std::optional<std::string> text) {
    return {0, 0, 0.0f, 1, std::make_shared<const PointerWrite>(PointerWrite{pointer, text})};
}

PinWrite WriteOfValue(int32_t value, float opt) { return {0, value, opt, 1, nullptr}; }

}  // namespace

TEST(PinWriteText, ReadsATextOnlyWhenItsNulComesWithinTheBoundInReadableMemory) {
    PageBeforeAGap ending;
    *ending.Last(1) = '\0';
    PageBeforeAGap running;
    // The guide's bound: a NUL within 4096 bytes.
    std::vector<char> longest(4096, 'y');
    longest.back() = '\0';
    std::vector<char> too_long(4097, 'y');
    too_long.back() = '\0';
    struct Case {
        const char* what;
        const void* pointer;
        std::optional<std::string> text;
    };
    const Case cases[] = {
        {"a text whose NUL is the last readable byte", ending.Last(4), std::string("xxx")},
        {"an empty text", ending.Last(1), std::string()},
        {"the bound, NUL included", longest.data(), std::string(4095, 'y')},
        {"a NUL one byte past the bound", too_long.data(), std::nullopt},
        {"bytes that run into unreadable memory", running.Last(3), std::nullopt},
        {"unreadable memory", running.Gap(), std::nullopt},
        {"null", nullptr, std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(PinWriteText::Read(c.pointer), c.text) << c.what;
}

TEST(PinWriteText, CarriesTextForNoneOfTheHeadersDatatypes) {
    const int32_t carrying[] = {1, 2, 3, 7, 9, -1};
    for (const int32_t datatype : carrying)
        EXPECT_TRUE(PinWriteText::CarriesText(datatype)) << datatype;
    const int32_t headers[] = {DT_ENUM, DT_BOOL, DT_FSAMPLE, DT_FLOAT, DT_INT};
    for (const int32_t datatype : headers)
        EXPECT_FALSE(PinWriteText::CarriesText(datatype)) << datatype;
}

TEST(PinWriteText, DescribesEachWriteAsAToolPrintsIt) {
    PinDescription integer;
    integer.name = "Count";
    PinDescription real;
    real.name = "Gain";
    real.datatype = DT_FLOAT;
    PinDescription label;
    label.name = "Label";
    label.datatype = 3;
    const auto* address = reinterpret_cast<const void*>(uintptr_t{0x1234abc});
    struct Case {
        PinWrite write;
        const PinDescription& pin;
        std::string line;
    };
    const Case cases[] = {
        {WriteOfValue(-4, 0.0f), integer, "GUI wrote Count = -4"},
        {WriteOfValue(0, 0.5f), real, "GUI wrote Gain = 0.500000"},
        {WriteOfPointer(address, std::string("say \"7\"\x1b")), label,
         "GUI wrote Label = text \"say \"7\"\\x1B\""},
        {WriteOfPointer(address, std::string()), label, "GUI wrote Label = text \"\""},
        {WriteOfPointer(address, std::nullopt), label, "GUI wrote Label = pointer 0x1234abc"},
        {WriteOfPointer(nullptr, std::nullopt), integer, "GUI wrote Count = pointer 0x0"},
    };
    for (const Case& c : cases) EXPECT_EQ(PinWriteText::Describe(c.write, c.pin), c.line);
}
