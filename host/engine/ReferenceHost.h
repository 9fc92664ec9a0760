// A host for one placed module: it makes the module's audio and GUI objects from a loaded
// library, validates the records they hand out, serves both callback sets, and closes both
// objects when it goes. Each instance takes a host handle of its own, so several can serve
// objects of the same library at once.
#ifndef QVHOST_REFERENCE_HOST_H
#define QVHOST_REFERENCE_HOST_H

#include "AudioSideHost.h"
#include "GuiSideHost.h"
#include "ModuleSource.h"
#include "QVHostTypes.h"

#include <cstdint>
#include <string>
#include <vector>

class ReferenceHost {
public:
    explicit ReferenceHost(const ModuleSource& library);
    // Closes whatever is still open.
    ~ReferenceHost();
    ReferenceHost(const ReferenceHost&) = delete;
    ReferenceHost& operator=(const ReferenceHost&) = delete;

    // makeModule kind 1; the record is validated and the pin table read. Throws HostError for a
    // bad record.
    void CreateAudioObject();
    // makeModule kind 2, after the audio object (the pin table comes from it). Throws HostError
    // for a bad record.
    void CreateGuiObject();
    void CreateObjects();
    // MOD_OP_CLOSE and GUI_OP_CLOSE for whichever is open; answers 0 for an object not open.
    QVWord CloseAudioObject();
    int32_t CloseGuiObject();

    AudioSideHost& Audio() { return m_audio; }
    GuiSideHost& Gui() { return m_gui; }
    const AudioSideHost& Audio() const { return m_audio; }
    const GuiSideHost& Gui() const { return m_gui; }
    uint32_t Handle() const { return m_handle; }
    // The GUI side's turn: each value the audio object sent for an output pin with both sides
    // since the last turn reaches the GUI object, the latest per pin.
    void PassAudioValuesToGui();
    // What the objects did that breaks the host contract, audio side first.
    std::vector<std::string> Problems() const;

    // The host callbacks handed to makeModule; they find their host by the record's host handle.
    static QVWord QV_CDECL AudioCallback(void* record, int32_t opcode, int32_t index, int32_t value,
                                         void* ptr, float opt) noexcept;
    static QVWord QV_CDECL GuiCallback(void* record, int32_t opcode, int32_t index, int32_t value,
                                       void* ptr, float opt) noexcept;

private:
    // makeModule, seen by the installed call observer like every call into the module.
    void* MakeObserved(int32_t kind, HostCallback callback);

    const ModuleSource& m_library;
    uint32_t m_handle;
    AudioSideHost m_audio;
    GuiSideHost m_gui;
    uint32_t m_strays_before;  // the count of stray host calls when this host was made
};

#endif
