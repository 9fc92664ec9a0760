#include <cfloat>
#include <cstring>
#include <functional>

#include "Checks.h"
#include "ModuleLibrary.h"
#include "ModuleSession.h"
#include "ReferenceHost.h"

namespace {

// Runs `probe` on a new audio object, then again once the object is open.
void BeforeAndAfterOpen(CheckContext& context, const std::function<void(AudioSideHost&)>& probe) {
    const ModuleLibrary library(context.LibraryPath());
    ReferenceHost host(library);
    host.CreateAudioObject();
    probe(host.Audio());
    host.Audio().Open();
    probe(host.Audio());
}

// Every pair of edge values as index and value, with a null ptr and opt 0.
void ExpectZeroForEdges(CheckContext& context, AudioSideHost& audio, int32_t opcode) {
    const std::vector<int32_t> edges = context.EdgeValues();
    for (const int32_t index : edges) {
        for (const int32_t value : edges) {
            context.ExpectAudio(audio, opcode, index, value, nullptr, 0.0f, 0);
        }
    }
}

void ExpectReply(CheckContext& context, AudioSideHost& audio) {
    const QVWord answer = audio.Dispatch(MOD_OP_GET_PROCESS_FUNCTION, 0, 0, nullptr, 0.0f);
    const std::string call =
        CheckContext::DescribeCall("audio", MOD_OP_GET_PROCESS_FUNCTION, 0, 0, nullptr, 0.0f);
    if (answer == 0) return context.FailCall(call, "0", "the address of its reply");
    const auto* reply = reinterpret_cast<const ProcessFunctionReply*>(answer);
    const int32_t size = static_cast<int32_t>(2 * sizeof(void*));
    if (reply->count != 1 || reply->size != size || reply->tag != 1002) {
        context.FailCall(call,
                         "a reply {" + std::to_string(reply->count) + ", " +
                             std::to_string(reply->size) + ", ..., " + std::to_string(reply->tag) +
                             "}",
                         "{1, " + std::to_string(size) + ", ..., 1002}");
    }
    if (reply->member_function == nullptr) {
        return context.FailCall(call, "a reply without a process function",
                                "the object's process function");
    }
    // The member-function pointer's first word is the function the record's entry holds.
    ProcessFn function = nullptr;
    std::memcpy(&function, reply->member_function, sizeof function);
    if (function != audio.Record()->process) {
        context.FailCall(call, "a reply whose function word is not the record's process entry",
                         "the process entry the record holds");
    }
}

}  // namespace

namespace AudioDispatcherChecks {

void Open(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    ReferenceHost host(library);
    host.CreateAudioObject();
    context.ExpectAudio(host.Audio(), MOD_OP_OPEN, 0, 0, nullptr, 0.0f, 0);
}

void Close(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    for (const int steps : {0, 1, 2}) {
        ReferenceHost host(library);
        host.CreateAudioObject();
        if (steps >= 1) host.Audio().Open();
        if (steps >= 2) host.Audio().ProcessBlock();
        const QVWord answer = host.CloseAudioObject();
        if (answer != 1) {
            context.FailCall(CheckContext::DescribeCall("audio", MOD_OP_CLOSE, 0, 0, nullptr, 0) +
                                 (steps == 0 ? " before open" : " after open"),
                             std::to_string(static_cast<long long>(answer)), "1");
        }
    }
}

void SampleRate(CheckContext& context) {
    BeforeAndAfterOpen(context, [&](AudioSideHost& audio) {
        for (const float rate : {0.0f, -1.0f, 1.0f, 44100.0f, 192000.0f, FLT_MAX, -FLT_MAX}) {
            context.ExpectAudio(audio, MOD_OP_SAMPLE_RATE, 0, 0, nullptr, rate, 0);
        }
    });
}

void BlockSize(CheckContext& context) {
    BeforeAndAfterOpen(context, [&](AudioSideHost& audio) {
        std::vector<int32_t> sizes = context.EdgeValues();
        sizes.push_back(AudioSideHost::kMaxBlockSize);
        for (const int32_t size : sizes) {
            context.ExpectAudio(audio, MOD_OP_BLOCK_SIZE, 0, size, nullptr, 0.0f, 0);
        }
    });
}

void UnusedOpcodes(CheckContext& context) {
    BeforeAndAfterOpen(context, [&](AudioSideHost& audio) {
        for (const int32_t opcode : {4, 5, 9, 11}) ExpectZeroForEdges(context, audio, opcode);
    });
}

void Notify(CheckContext& context) {
    BeforeAndAfterOpen(
        context, [&](AudioSideHost& audio) { ExpectZeroForEdges(context, audio, MOD_OP_NOTIFY); });
}

void Message(CheckContext& context) {
    BeforeAndAfterOpen(
        context, [&](AudioSideHost& audio) { ExpectZeroForEdges(context, audio, MOD_OP_MESSAGE); });
}

void ProcessFunction(CheckContext& context) {
    BeforeAndAfterOpen(context, [&](AudioSideHost& audio) { ExpectReply(context, audio); });
}

void UnknownOpcodes(CheckContext& context) {
    const uint32_t drawn = context.NextRandom() % 0x7FFFFFF0u;
    BeforeAndAfterOpen(context, [&](AudioSideHost& audio) {
        for (const int32_t opcode :
             {14, 15, 22, 1000, -1, -2, INT32_MIN, INT32_MAX, static_cast<int32_t>(14 + drawn)}) {
            ExpectZeroForEdges(context, audio, opcode);
        }
    });
}

}  // namespace AudioDispatcherChecks
