// The module played as a host plays it: every value pin set across its type from both sides,
// alone and in pairs, sample inputs moving and still, blocks of every size, sample rates from
// 8 kHz to 192 kHz, each value in each block size at each rate, a sample clock that wraps,
// repeated pins and values stored with the patch. Whatever the host notes on the way (a write
// outside a call's frames, a non-finite output, a message for the past, a heap call inside a
// process call, a call with a foreign record) fails the check, named by the step it came in;
// warnings warn.
#include <algorithm>
#include <atomic>
#include <cfloat>
#include <cmath>
#include <limits>
#include <optional>
#include <sstream>
#include <thread>

#include "CallObserver.h"
#include "Checks.h"
#include "EnumList.h"
#include "HostError.h"
#include "HostThreads.h"
#include "ModuleLibrary.h"
#include "ModuleSession.h"
#include "PlayScript.h"
#include "ValuePins.h"

namespace {

// Up to this many value pins every pair is set at its edges; beyond, this many pairs at random.
constexpr size_t kAllPairsUpTo = 8;
constexpr size_t kRandomPairs = 28;

// A value a patch may hold for a stored pin: at the top, a switch on, an enumeration's last
// choice, the top of any other range (none of them the host's default of 0); else the first
// value, a switch off, the first choice, the bottom of any other range. A module that writes a
// value of its own over the stored one writes it over one of the two.
double StoredValue(const PinDescription& description, const ValuePin& pin, bool top) {
    if (pin.values.empty()) return top ? 1 : 0;
    if (!top) return pin.values.front();
    if (description.datatype == DT_BOOL) return 1;
    // The last of an enumeration's values is one past its choices.
    if (description.datatype == DT_ENUM && pin.values.size() >= 2) {
        return pin.values[pin.values.size() - 2] != 0 ? pin.values[pin.values.size() - 2]
                                                      : pin.values.back();
    }
    return pin.values.back();
}

// A stored pin as the patch left it before loading: its value on the GUI side (as text) and in
// the module's variable.
struct StoredPin {
    ValuePin pin;
    std::string gui_value;
    std::optional<double> variable;
};

// A loaded patch is the musician's: nothing the module does while the patch loads (the notices
// of its stored pins, MOD_OP_OPEN, GUI_OP_INITIALISE) or in its first blocks may write over a
// stored input pin's value.
void ExpectStoredValuesKept(CheckContext& context, ModuleSession& session,
                            const std::vector<StoredPin>& stored) {
    ReferenceHost& host = session.Host();
    const std::vector<PinWrite>& writes = host.Gui().Writes();
    for (const StoredPin& kept : stored) {
        const auto index = static_cast<int32_t>(kept.pin.table_index);
        const std::string& name = host.Audio().PinTable()[kept.pin.table_index].name;
        if (kept.pin.gui && host.Gui().Pins().ValueText(index) != kept.gui_value) {
            const auto first = std::find_if(writes.begin(), writes.end(), [&](const PinWrite& w) {
                return w.pin == index && !w.by_pointer;
            });
            const bool notice = first - writes.begin() <
                                static_cast<std::ptrdiff_t>(session.GuiWritesBeforeInitialise());
            context.Fail(std::string(notice ? "a notice of a stored pin before GUI_OP_INITIALISE"
                                            : "GUI_OP_INITIALISE or the first blocks") +
                         " wrote " + name + " = " + host.Gui().Pins().ValueText(index) +
                         " over the stored " + kept.gui_value);
        }
        if (kept.variable && host.Audio().ReadPinVariable(kept.pin.audio_index) != *kept.variable) {
            context.Fail("MOD_OP_OPEN or the first blocks wrote " + name + "'s variable = " +
                         PlayScript::Number(host.Audio().ReadPinVariable(kept.pin.audio_index)) +
                         " over the stored " + PlayScript::Number(*kept.variable));
        }
    }
}

// How many combinations of a value, a block size and a rate one run plays at most, for a module
// of up to 16 audio pins; past this many they are drawn with the seed. A module with more pins
// gets fewer, in proportion, for a run that costs the same, and never fewer than a rate's worth.
constexpr size_t kCombinationBudget = 150;
constexpr size_t kBudgetPins = 16;
constexpr size_t kFewestCombinations = 9;
constexpr float kCombinedRates[] = {8000.0f, 44100.0f, 192000.0f};
// A block size of 0 stands for one drawn at random when it is played.
constexpr int32_t kCombinedBlockSizes[] = {1, 0, AudioSideHost::kMaxBlockSize};
// Each combination plays at least this many samples, and at least two blocks.
constexpr int32_t kCombinationSamples = 256;

struct Combination {
    size_t pin;  // in the value pin list
    double value;
    int32_t block_size;
    float rate;
};

// A user's changes, made ahead so that the GUI thread draws nothing from the shared random source.
struct UserChange {
    int32_t pin;
    int32_t value;
};

std::vector<UserChange> UserChanges(const AudioSideHost& audio, CheckContext& context) {
    std::vector<UserChange> changes;
    const std::vector<PinDescription>& table = audio.PinTable();
    for (size_t index = 0; index < table.size(); ++index) {
        // A user changes only what the GUI object has: the pins with a GUI side.
        if (table[index].direction != DR_IN || (table[index].flags & IO_UI_COMMUNICATION) == 0) {
            continue;
        }
        for (const int32_t value : ModuleSession::UserValues(table[index], context)) {
            changes.push_back({static_cast<int32_t>(index), value});
        }
    }
    return changes;
}

// Audio objects process on threads of their own while the GUI objects take the user's changes on
// one GUI thread, as hosts run them: the audio threads go on for as long as the GUI thread works.
void RunThreaded(std::vector<ModuleSession*> sessions, CheckContext& context) {
    constexpr int kBlocks = 400;
    std::atomic<bool> gui_done{false};
    constexpr int kRounds = 20;
    std::vector<std::vector<UserChange>> changes;
    for (ModuleSession* session : sessions) {
        changes.push_back(UserChanges(session->Host().Audio(), context));
    }
    std::vector<std::thread> audio_threads;
    for (ModuleSession* session : sessions) {
        audio_threads.emplace_back([session, &gui_done] {
            HostThreads::MarkCurrent();
            AudioSideHost& audio = session->Host().Audio();
            const std::vector<int32_t> inputs = audio.SamplePins(DR_IN);
            for (int block = 0; block < kBlocks || !gui_done; ++block) {
                for (const int32_t pin : inputs) {
                    float* buffer = audio.InputBuffer(pin);
                    for (int32_t n = 0; n < audio.BlockSize(); ++n) {
                        buffer[n] =
                            static_cast<float>(std::sin((block * audio.BlockSize() + n) * 0.01));
                    }
                }
                audio.ProcessBlock();
            }
        });
    }
    std::thread gui_thread([&] {
        HostThreads::MarkCurrent();
        for (int round = 0; round < kRounds; ++round) {
            for (size_t k = 0; k < sessions.size(); ++k) {
                for (const UserChange& change : changes[k]) {
                    sessions[k]->Host().Gui().SetPin(change.pin, change.value);
                }
            }
        }
        gui_done = true;
    });
    for (std::thread& thread : audio_threads) thread.join();
    gui_thread.join();
}

}  // namespace

namespace PlayChecks {

void Threads(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    // The trace and the allocation count serve one thread at a time: they step aside here.
    CallObserver* observer = CallObserver::Installed();
    CallObserver::Install(nullptr);
    ModuleSession first(library);
    ModuleSession second(library);
    first.Unscripted();
    second.Unscripted();
    first.Start();
    first.Step("one object on an audio thread of its own, the GUI object on the GUI thread");
    RunThreaded({&first}, context);
    second.Start();
    for (ModuleSession* session : {&first, &second}) {
        session->Step("two objects on audio threads of their own, both GUI objects on one thread");
    }
    RunThreaded({&first, &second}, context);
    CallObserver::Install(observer);
    first.Verdict(context);
    second.Verdict(context);
}

void ValuePins(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    ModuleSession session(library);
    session.Start();
    const std::vector<ValuePin> pins = ::ValuePins(session.Host().Audio(), context);
    size_t turn = 0;
    for (const ValuePin& pin : pins) {
        for (const double value : pin.values) {
            SetValue(session, context, pin, value, turn++);
            session.ProcessBlocks(2);
        }
    }
    // Pairs at their edges together: the lowest and highest value of each.
    std::vector<std::pair<size_t, size_t>> pairs;
    for (size_t a = 0; a < pins.size(); ++a) {
        for (size_t b = a + 1; b < pins.size(); ++b) pairs.emplace_back(a, b);
    }
    if (pins.size() > kAllPairsUpTo) {
        std::vector<std::pair<size_t, size_t>> chosen;
        for (size_t k = 0; k < kRandomPairs; ++k) {
            chosen.push_back(pairs[context.NextRandom() % pairs.size()]);
        }
        pairs = chosen;
    }
    for (const auto& [a, b] : pairs) {
        if (pins[a].values.empty() || pins[b].values.empty()) continue;
        for (const double first : {pins[a].values.front(), pins[a].values.back()}) {
            for (const double second : {pins[b].values.front(), pins[b].values.back()}) {
                SetValue(session, context, pins[a], first, turn++);
                SetValue(session, context, pins[b], second, turn++);
                session.ProcessBlocks(2);
            }
        }
    }
    session.Verdict(context);
}

void SampleInputs(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    ModuleSession session(library);
    session.Start();
    if (session.Host().Audio().SamplePins(DR_IN).empty()) {
        return context.Skip("the module has no sample input");
    }
    session.PlayEverySignal(context);
    session.Verdict(context);
}

void BlocksAndRates(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    for (const float rate : {8000.0f, 44100.0f, 192000.0f}) {
        ModuleSession session(library);
        session.Start(0, rate);
        for (int block = 0; block < 24; ++block) {
            session.SetBlockSize(
                1 + static_cast<int32_t>(context.NextRandom() % AudioSideHost::kMaxBlockSize));
            session.Step("block " + std::to_string(block));
            session.ProcessBlocks(1);
            // A change of rate inside the session, as a host makes when its device changes.
            if (block == 12) session.SetSampleRate(rate == 192000.0f ? 48000.0f : rate * 2);
        }
        session.SetBlockSize(ModuleSession::kBlockSize);
        session.ChangeEveryInput(context);
        session.PlayEverySignal(context);
        session.Verdict(context);
    }
}

void ValuesBlocksRates(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    std::vector<ValuePin> pins;
    std::vector<Combination> combinations;
    size_t pins_count = 0;
    {
        ModuleSession probe(library);
        probe.Host().CreateObjects();
        pins_count = static_cast<size_t>(probe.Host().Audio().AudioPinCount());
        pins = ::ValuePins(probe.Host().Audio(), context);
        for (const float rate : kCombinedRates) {
            for (size_t pin = 0; pin < pins.size(); ++pin) {
                const PinDescription& description =
                    probe.Host().Audio().PinTable()[pins[pin].table_index];
                for (const double value : SpreadValues(pins[pin], description)) {
                    for (const int32_t size : kCombinedBlockSizes) {
                        combinations.push_back({pin, value, size, rate});
                    }
                }
            }
        }
    }
    const size_t total = combinations.size();
    if (total == 0) return context.Skip("the module has no input value pin a host can set");
    // Every value at every rate in every run, the block sizes taken in turn (for a module of
    // more pins than the budget's, at one rate each, the rates taken in turn too); past those,
    // more drawn with the seed, as many as the budget holds and never fewer than a few.
    const size_t rates = std::size(kCombinedRates);
    const size_t per_rate = total / rates;
    const size_t per_value = std::size(kCombinedBlockSizes);
    const size_t values = per_rate / per_value;
    std::vector<bool> chosen(total, false);
    for (size_t value = 0; value < values; ++value) {
        for (size_t rate = 0; rate < rates; ++rate) {
            if (pins_count > kBudgetPins && rate != value % rates) continue;
            chosen[rate * per_rate + value * per_value + (value + rate) % per_value] = true;
        }
    }
    std::vector<Combination> played;
    std::vector<Combination> rest;
    for (size_t k = 0; k < total; ++k) (chosen[k] ? played : rest).push_back(combinations[k]);
    const size_t budget = std::max(
        kFewestCombinations, kCombinationBudget * kBudgetPins / std::max(kBudgetPins, pins_count));
    const size_t every = played.size();
    const size_t drawn =
        std::min(rest.size(), std::max(kFewestCombinations, budget > every ? budget - every : 0));
    for (size_t k = 0; k < drawn; ++k) {
        std::swap(rest[k], rest[k + context.NextRandom() % (rest.size() - k)]);
        played.push_back(rest[k]);
    }
    combinations = played;
    size_t turn = 0;
    for (const float rate : kCombinedRates) {
        ModuleSession session(library);
        session.Start(0, rate);
        AudioSideHost& audio = session.Host().Audio();
        for (const Combination& combination : combinations) {
            if (combination.rate != rate) continue;
            session.SetBlockSize(combination.block_size != 0
                                     ? combination.block_size
                                     : 1 + static_cast<int32_t>(context.NextRandom() %
                                                                AudioSideHost::kMaxBlockSize));
            SetValue(session, context, pins[combination.pin], combination.value, turn);
            // Every sample input moving: a sine on even turns, noise on odd ones.
            for (const int32_t pin : audio.SamplePins(DR_IN)) {
                session.FeedSignal(pin,
                                   turn % 2 == 0 ? "sine:440" : "noise:" + std::to_string(turn),
                                   PIN_STATUS_MOVING);
            }
            session.ProcessBlocks(std::max(2, kCombinationSamples / audio.BlockSize()));
            ++turn;
        }
        session.Verdict(context);
    }
    context.Note("played " + std::to_string(combinations.size()) + " of " + std::to_string(total) +
                 " combinations of a value, a block size and a rate: each of the " +
                 std::to_string(values) + " values " +
                 (pins_count > kBudgetPins ? "at one rate, " : "at each rate, ") +
                 std::to_string(combinations.size() - every) + " more drawn with the seed");
}

void ClockWrap(CheckContext& context) {
    // A host that has run for half a day at 48 kHz: a module that counts its own samples from 0
    // stamps its events and messages in the past. Then 1000 samples before the 32-bit sample
    // clock wraps: events and messages stamped just after the wrap are later, not past.
    for (const uint32_t start : {0x80000000u, 0xFFFFFFFFu - 999}) {
        const ModuleLibrary library(context.LibraryPath());
        ModuleSession session(library);
        session.Start(start);
        for (int round = 0; round < (start == 0x80000000u ? 1 : 3); ++round) {
            session.ChangeEveryInput(context);
            session.PlayEverySignal(context);
        }
        session.Verdict(context);
        if (context.Failed()) return;
    }
}

void RepeatedPins(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    for (const int32_t copies : {1, 2, 16}) {
        ModuleSession session(library);
        ReferenceHost& host = session.Host();
        host.CreateObjects();
        try {
            host.Audio().RepeatLastPin(copies);
        } catch (const HostError& refused) {
            return context.Skip(refused.what());
        }
        session.Unscripted();
        session.Step(std::to_string(copies) + " more pins than described");
        session.Start();
        session.ChangeEveryInput(context);
        session.PlayEverySignal(context);
        session.Verdict(context);
    }
}

void StoredValues(CheckContext& context) {
    // A patch loaded with every stored pin at its top value, then one with each at its bottom.
    for (const bool top : {true, false}) {
        const ModuleLibrary library(context.LibraryPath());
        ModuleSession session(library);
        ReferenceHost& host = session.Host();
        host.CreateObjects();
        AudioSideHost& audio = host.Audio();
        std::vector<StoredPin> stored;
        for (const ValuePin& pin : ::ValuePins(audio, context)) {
            const PinDescription& description = audio.PinTable()[pin.table_index];
            if ((description.flags & IO_PATCH_STORE) == 0) continue;
            session.Store(pin.table_index, pin.audio_index, pin.gui,
                          StoredValue(description, pin, top));
            StoredPin kept{pin, host.Gui().Pins().ValueText(static_cast<int32_t>(pin.table_index)),
                           std::nullopt};
            if (pin.audio_index >= 0) kept.variable = audio.ReadPinVariable(pin.audio_index);
            stored.push_back(kept);
        }
        if (stored.empty()) {
            return context.Skip("the module stores no input pin with the patch (IO_PATCH_STORE)");
        }
        // Start tells the GUI object of each stored pin before initialising it, as a host
        // restoring a patch may.
        session.Step(std::string("stored values at the ") + (top ? "top" : "bottom") +
                     " notified before GUI_OP_INITIALISE, then opening");
        session.Start();
        session.ProcessBlocks(4);
        ExpectStoredValuesKept(context, session, stored);
        if (top) session.ChangeEveryInput(context);
        session.Verdict(context);
        if (context.Failed()) return;
    }
}

}  // namespace PlayChecks
