#include "TransientCallbacks.h"

#include "HostRegistry.h"
#include "ModuleLibrary.h"
#include "ReferenceHost.h"

QVWord QV_CDECL TransientCallbacks::Audio(void* record, int32_t opcode, int32_t index,
                                          int32_t value, void* ptr, float opt) noexcept {
    const auto* audio = static_cast<const AudioHostRecord*>(record);
    ReferenceHost* host = audio != nullptr ? HostRegistry::Find(audio->host_handle) : nullptr;
    if (host == nullptr) return 0;
    return ReferenceHost::AudioCallback(host->Audio().Record(), opcode, index, value, ptr, opt);
}

QVWord QV_CDECL TransientCallbacks::Gui(void* record, int32_t opcode, int32_t index, int32_t value,
                                        void* ptr, float opt) noexcept {
    const auto* gui = static_cast<const GuiHostRecord*>(record);
    ReferenceHost* host = gui != nullptr ? HostRegistry::Find(gui->host_handle) : nullptr;
    if (host == nullptr) return 0;
    return ReferenceHost::GuiCallback(host->Gui().Record(), opcode, index, value, ptr, opt);
}
