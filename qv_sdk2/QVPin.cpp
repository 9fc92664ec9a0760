#include "QVPin.h"

#include "QVContract.h"
#include "QVModule_base.h"

#include <cstring>
#include <new>

namespace {
// The block in front of the first pin: the 32-bit count word, padded at its front so that the
// pins that follow keep their alignment. On the target this is the count word alone.
constexpr size_t kArrayHeader =
    (sizeof(int32_t) + alignof(QVPin) - 1) / alignof(QVPin) * alignof(QVPin);

void* SampleClockWord(uint32_t sampleclock) {
    return reinterpret_cast<void*>(static_cast<uintptr_t>(sampleclock));
}
}  // namespace

QVPin::QVPin() noexcept
    : m_variable(nullptr), m_module(nullptr), m_index(0), m_status(0), m_datatype(0), m_storage() {}

QVPin::~QVPin() = default;

void QVPin::Init(QVModule_base* module, int32_t index, int32_t datatype, void* variable_address) {
    m_status = 0;
    m_module = module;
    m_index = index;
    m_datatype = datatype;
    if (variable_address != nullptr) {
        m_variable = variable_address;
        std::memset(m_storage, 0, sizeof m_storage);
        return;
    }
    switch (datatype) {
    case DT_ENUM: {
        const int16_t zero = 0;
        std::memcpy(m_storage, &zero, sizeof zero);
        break;
    }
    case DT_BOOL:
        m_storage[0] = 0;
        break;
    case DT_FLOAT: {
        const float zero = 0.0f;
        std::memcpy(m_storage, &zero, sizeof zero);
        break;
    }
    case DT_INT: {
        const int32_t zero = 0;
        std::memcpy(m_storage, &zero, sizeof zero);
        break;
    }
    case DT_FSAMPLE: {
        const float* buffer = reinterpret_cast<const float*>(
            module->CallHost(HOST_OP_PIN_BUFFER, index, 0, nullptr, 0.0f));
        std::memcpy(m_storage, &buffer, sizeof buffer);
        break;
    }
    default:
        // The host's own datatypes: the framework keeps no value for them.
        m_variable = nullptr;
        return;
    }
    m_variable = m_storage;
}

// An unbound pin (a surplus host pin that no description reached) has no module to ask: it
// answers 0 or false and calls nothing.
QVWord QVPin::SendValue(uint32_t sampleclock, int32_t value) {
    if (m_module == nullptr) return 0;
    return m_module->CallHost(HOST_OP_PIN_VALUE, m_index, value, SampleClockWord(sampleclock),
                              0.0f);
}

QVWord QVPin::SendStatusChange(uint32_t sampleclock, int32_t status) {
    if (m_module == nullptr) return 0;
    QV_REQUIRE_TEXT(QVModule_base::IsNowOrLater(sampleclock, m_module->SampleClock()),
                    "sampleclock >= m_module->SampleClock()", QVPin, 77);
    return m_module->CallHost(HOST_OP_STATUS_CHANGE, m_index, status, SampleClockWord(sampleclock),
                              0.0f);
}

bool QVPin::QueryPin() {
    if (m_module == nullptr) return false;
    return m_module->CallHost(HOST_OP_QUERY_PIN, m_index, 0, nullptr, 0.0f) != 0;
}

float QVPin::GetSample() {
    if (m_module == nullptr) return 0.0f;
    QV_REQUIRE(m_datatype == DT_FSAMPLE, QVPin, 125);
    const uint32_t base = static_cast<uint32_t>(
        m_module->CallHost(HOST_OP_BUFFER_BASE_CLOCK, m_index, 0, nullptr, 0.0f));
    const uint32_t clock = m_module->SampleClock();
    const float* buffer = InputSamples(0);
    // A host without a buffer for the pin (or no host at all) leaves the address null. A clock
    // outside the current block has no sample in the buffer; the distance wraps across 2^32, so
    // a clock before the base lies past the block too.
    const uint32_t position = clock - base;
    const int32_t block_size = m_module->GetBlockSize();
    if (buffer == nullptr || block_size <= 0 || position >= static_cast<uint32_t>(block_size)) {
        return 0.0f;
    }
    float sample = 0.0f;
    std::memcpy(&sample, buffer + position, sizeof sample);
    return sample;
}

const float* QVPin::InputSamples(int32_t buffer_offset) const { return OutputSamples(buffer_offset); }

float* QVPin::OutputSamples(int32_t buffer_offset) const {
    QV_REQUIRE(m_datatype == DT_FSAMPLE, QVPin, 140);
    float* buffer = nullptr;
    if (m_variable != nullptr) std::memcpy(&buffer, m_variable, sizeof buffer);
    return buffer == nullptr ? nullptr : buffer + buffer_offset;
}

namespace {
// The value the variable holds, as wide as `Value`.
template <typename Value>
Value ReadVariable(const void* variable) {
    Value value{};
    std::memcpy(&value, variable, sizeof value);
    return value;
}

template <typename Value>
void WriteVariable(void* variable, Value value) {
    std::memcpy(variable, &value, sizeof value);
}
}  // namespace

int16_t QVPin::GetEnum() const {
    QV_REQUIRE(m_datatype == DT_ENUM, QVPin, 150);
    return ReadVariable<int16_t>(m_variable);
}

bool QVPin::GetBool() const {
    QV_REQUIRE(m_datatype == DT_BOOL, QVPin, 151);
    return ReadVariable<uint8_t>(m_variable) != 0;
}

float QVPin::GetFloat() const {
    QV_REQUIRE(m_datatype == DT_FLOAT, QVPin, 152);
    return ReadVariable<float>(m_variable);
}

int32_t QVPin::GetInt() const {
    QV_REQUIRE(m_datatype == DT_INT, QVPin, 153);
    return ReadVariable<int32_t>(m_variable);
}

void QVPin::SetEnum(int16_t value) {
    QV_REQUIRE(m_datatype == DT_ENUM, QVPin, 150);
    WriteVariable(m_variable, value);
}

void QVPin::SetBool(bool value) {
    QV_REQUIRE(m_datatype == DT_BOOL, QVPin, 151);
    WriteVariable<uint8_t>(m_variable, value ? 1 : 0);
}

void QVPin::SetFloat(float value) {
    QV_REQUIRE(m_datatype == DT_FLOAT, QVPin, 152);
    WriteVariable(m_variable, value);
}

void QVPin::SetInt(int32_t value) {
    QV_REQUIRE(m_datatype == DT_INT, QVPin, 153);
    WriteVariable(m_variable, value);
}

void QVPin::DeliverStatusChange(int32_t status) {
    if (m_module == nullptr) return;
    m_status = status;
    m_module->OnPinStatusChange(this);
    if (status == 1) m_status = 0;
}

QVPin* QVPin::CreateArray(int32_t count) {
    const size_t pins = static_cast<size_t>(count);
    if (pins > (SIZE_MAX - kArrayHeader) / sizeof(QVPin)) throw std::bad_array_new_length();
    unsigned char* block =
        static_cast<unsigned char*>(::operator new(kArrayHeader + pins * sizeof(QVPin)));
    std::memcpy(block + kArrayHeader - sizeof count, &count, sizeof count);
    QVPin* first = new (block + kArrayHeader) QVPin();
    for (size_t i = 1; i < pins; ++i) new (block + kArrayHeader + i * sizeof(QVPin)) QVPin();
    return first;
}

int32_t QVPin::ArrayCount(const QVPin* first) {
    int32_t count = 0;
    std::memcpy(&count, reinterpret_cast<const unsigned char*>(first) - sizeof count, sizeof count);
    return count;
}

void QVPin::DestroyArray(QVPin* first) {
    if (first == nullptr) return;
    for (int32_t i = ArrayCount(first); i-- > 0;) first[i].~QVPin();
    ::operator delete(reinterpret_cast<unsigned char*>(first) - kArrayHeader);
}
