// One audio-side pin of a module: where its value lives, its index in the host's audio-side pin
// numbering, its datatype and its status. Pins are built in one array by the module's Open and
// talk to the host only through their module's CallHost.
#ifndef QV_PIN_H
#define QV_PIN_H

#include "QVHostTypes.h"

#include <cstdint>

class QVModule_base;

class QVPin {
public:
    // An unbound pin: cleared, so that nothing reads an undefined value; Init binds it.
    QVPin() noexcept;
    virtual ~QVPin();
    QVPin(const QVPin&) = delete;
    QVPin& operator=(const QVPin&) = delete;

    // Binds the pin. With a module variable the variable is the pin's value; without one the
    // pin keeps its value in its own storage (for DT_FSAMPLE: the buffer address the host gives).
    void Init(QVModule_base* module, int32_t index, int32_t datatype, void* variable_address);

    // An unbound pin answers these 0 or false and calls nothing.
    QVWord SendValue(uint32_t sampleclock, int32_t value);
    // The host accepts status changes for now or later only.
    QVWord SendStatusChange(uint32_t sampleclock, int32_t status);
    bool QueryPin();
    // The sample of this DT_FSAMPLE pin at the current sample clock; 0 when the clock lies outside
    // the current block (GetBlockSize samples from the buffer's base clock) or there is no buffer.
    float GetSample();
    // This DT_FSAMPLE pin's samples for the current call, from the process function's
    // buffer_offset on: an input's to read, an output's to write. No host call; null without a
    // buffer.
    const float* InputSamples(int32_t buffer_offset) const;
    float* OutputSamples(int32_t buffer_offset) const;

    // The pin's value, as wide as its datatype holds it: DT_ENUM 16 bits, DT_BOOL 8, DT_FLOAT and
    // DT_INT 32. An accessor of another datatype than the pin's breaks the contract.
    int16_t GetEnum() const;
    bool GetBool() const;
    float GetFloat() const;
    int32_t GetInt() const;
    void SetEnum(int16_t value);
    void SetBool(bool value);
    void SetFloat(float value);
    void SetInt(int32_t value);

    // Shows `status` to the module's OnPinStatusChange. Status 1 is momentary: the module sees it
    // once and the pin goes back to 0 afterwards.
    void DeliverStatusChange(int32_t status);

    QVModule_base* GetModule() const { return m_module; }
    int32_t GetIndex() const { return m_index; }
    int32_t GetStatus() const { return m_status; }
    int32_t GetDatatype() const { return m_datatype; }
    void* GetVariable() const { return m_variable; }

    // The pin array: one block holding the pin count in the 32-bit word just in front of the
    // first pin, then `count` constructed pins. CreateArray requires count > 0.
    static QVPin* CreateArray(int32_t count);
    static int32_t ArrayCount(const QVPin* first);
    // Destroys the pins last to first through their virtual destructors, then frees the block.
    // Accepts null.
    static void DestroyArray(QVPin* first);

private:
    void* m_variable;
    QVModule_base* m_module;
    int32_t m_index;
    int32_t m_status;
    int32_t m_datatype;
    // The pin's own value, read as 16, 8 or 32 bits by datatype, or a buffer address. Four bytes
    // on the target; wide enough for an address on a 64-bit build.
    unsigned char m_storage[sizeof(void*)];
};

#if QV_TARGET_32BIT
static_assert(sizeof(QVPin) == 28,
              "QVPin: vptr, variable, module, index, status, datatype, storage");
#endif

#endif
