#include "HostCommand.h"

#include <CLI/CLI.hpp>
#include <optional>
#include <string>
#include <vector>

#include "ArgumentChecks.h"
#include "BenchCommand.h"
#include "CompareCommand.h"
#include "CrashReport.h"
#include "HostError.h"
#include "InfoCommand.h"
#include "OneLineMessage.h"
#include "PlayCommand.h"
#include "RenderCommand.h"
#include "RunCommand.h"
#include "ValidateCommand.h"

int HostCommand::Run(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app("Loads a module library by path and drives its objects as a host does.", "qvhost");
    app.set_version_flag("--version", "qvhost " QV_VERSION);
    app.require_subcommand(1);
    // Library paths may start with a slash, also on Windows: they are never options.
    app.allow_windows_style_options(false);

    const std::vector<Subcommand> subcommands{InfoCommand::Add(app),     RunCommand::Add(app),
                                              ValidateCommand::Add(app), RenderCommand::Add(app),
                                              PlayCommand::Add(app),     BenchCommand::Add(app),
                                              CompareCommand::Add(app)};

    // A module loaded into this process is given a bound on each call, as the validator gives
    // its checks: a call that never returns ends the command instead of hanging it.
    double call_limit_seconds = 60.0;
    for (const Subcommand& subcommand : subcommands) {
        if (!subcommand.runs_module_in_process) continue;
        subcommand.command
            ->add_option("--timeout", call_limit_seconds,
                         "Seconds one call into the module may take before the command ends")
            ->check(ArgumentChecks::FiniteRange(0.01, 86400.0));
    }

    // An empty value names nothing (`--csv ""`, `LIB ""`, `--seed=`): refused before parsing,
    // where it would become 0 or be taken for an option not given.
    for (int k = 1; k < argc; ++k) {
        const std::string argument = argv[k];
        const size_t equals = argument.find('=');
        const bool empty_after_equals = argument.rfind("--", 0) == 0 &&
                                        equals != std::string::npos &&
                                        equals + 1 == argument.size();
        if (!argument.empty() && !empty_after_equals) continue;
        const std::string before = k > 1 ? argv[k - 1] : "";
        const std::string option = empty_after_equals          ? argument.substr(0, equals)
                                   : before.rfind("-", 0) == 0 ? before
                                                               : std::string("LIB");
        err << "qvhost: " << option << ": an empty value\n";
        return kBadArguments;
    }

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0) {
            app.exit(error, out, err);  // --help or --version
            return kSuccess;
        }
        err << "qvhost: " << OneLineMessage(error.what())
            << "\nRun with --help for more information.\n";
        return kBadArguments;
    }

    try {
        for (const Subcommand& subcommand : subcommands) {
            if (!subcommand.command->parsed()) continue;
            std::optional<CrashReport> crash_report;
            if (subcommand.runs_module_in_process) crash_report.emplace(call_limit_seconds);
            const int code = subcommand.action(out, err);
            // A report that did not reach its reader (a full disk, a closed pipe) is no success.
            if (!out.flush()) {
                err << kUnwrittenOutput << "\n";
                return code == kSuccess ? kFailure : code;
            }
            return code;
        }
    } catch (const UsageError& error) {
        err << "qvhost: " << OneLineMessage(error.what()) << "\n";
        return kBadArguments;
    } catch (const HostError& error) {
        err << "qvhost: " << OneLineMessage(error.what()) << "\n";
    } catch (const std::exception& error) {
        err << "qvhost: failed: " << OneLineMessage(error.what()) << "\n";
    }
    return kFailure;
}
