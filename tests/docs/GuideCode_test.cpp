#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

void GuideSnippetsCompiled();

namespace {

std::string Read(const std::string& path) {
    std::ifstream file(path);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// Each line stripped of its indentation and trailing spaces, so that a block quoted at another
// depth still matches.
std::string Normalised(const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    std::string normalised;
    while (std::getline(lines, line)) {
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos) continue;
        normalised += line.substr(first, line.find_last_not_of(" \t\r") + 1 - first) + "\n";
    }
    return normalised;
}

// The paragraphs (runs of lines between blank lines) of every C++ block in `markdown`.
std::vector<std::string> CodeParagraphs(const std::string& markdown) {
    std::vector<std::string> paragraphs;
    std::istringstream lines(markdown);
    std::string line;
    bool in_code = false;
    std::string paragraph;
    while (std::getline(lines, line)) {
        if (line.rfind("```", 0) == 0) {
            in_code = !in_code && line == "```cpp";
            if (!paragraph.empty()) paragraphs.push_back(paragraph);
            paragraph.clear();
        } else if (in_code && line.find_first_not_of(" ") == std::string::npos) {
            if (!paragraph.empty()) paragraphs.push_back(paragraph);
            paragraph.clear();
        } else if (in_code) {
            paragraph += line + "\n";
        }
    }
    return paragraphs;
}

}  // namespace

// The guide's code is the template's or the snippets compiled beside this test, word for word.
TEST(GuideCode, EveryParagraphOfTheGuidesCodeIsCompiled) {
    GuideSnippetsCompiled();
    std::string sources;
    for (const char* path : {QV_TEMPLATE_DIR "/src/Module.h", QV_TEMPLATE_DIR "/src/Module.cpp",
                             QV_TEMPLATE_DIR "/src/GuiModule.h", QV_TEMPLATE_DIR "/src/GuiModule.cpp",
                             QV_TEMPLATE_DIR "/src/ModuleExports.cpp",
                             QV_TEMPLATE_DIR "/tests/Module_test.cpp", QV_SNIPPETS_PATH}) {
        const std::string text = Read(path);
        ASSERT_FALSE(text.empty()) << path;
        sources += Normalised(text);
    }
    const std::vector<std::string> paragraphs = CodeParagraphs(Read(QV_GUIDE_PATH));
    EXPECT_GE(paragraphs.size(), 8u);
    for (const std::string& paragraph : paragraphs) {
        EXPECT_NE(sources.find(Normalised(paragraph)), std::string::npos)
            << "the guide's code is neither the template's nor compiled:\n" << paragraph;
    }
}
