#include "HostCommand.h"

#include <cstdio>
#include <iostream>

namespace {

// The exit code of a command whose answer was `code`: a failure when what it wrote to standard
// output, buffered below the stream it wrote to, did not all reach the file.
int Ended(int code) {
    const bool written = std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
    if (written || code != HostCommand::kSuccess) return code;
    std::cerr << HostCommand::kUnwrittenOutput << "\n";
    return HostCommand::kFailure;
}

}  // namespace

#ifdef _WIN32
#include <string>
#include <vector>

#include "WindowsApi.h"
// After windows.h, which it needs.
#include <shellapi.h>

// The command line as Windows holds it, wide, each argument turned into UTF-8: a path outside the
// ANSI code page reaches the host whole.
int main() {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int k = 0; k < count; ++k) arguments.push_back(Utf8Text(wide[k]));
    LocalFree(wide);
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    return Ended(HostCommand::Run(count, argv.data(), std::cout, std::cerr));
}
#else
int main(int argc, char** argv) {
    // Each line is written whole as it ends, also into a file or a pipe: a module that crashes
    // the host loses none of the lines printed before it.
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    return Ended(HostCommand::Run(argc, argv, std::cout, std::cerr));
}
#endif
