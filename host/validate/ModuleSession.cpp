#include "ModuleSession.h"

#include "EnumList.h"

void ModuleSession::Start() {
    m_host.CreateObjects();
    m_host.Audio().SetSampleRate(kSampleRate);
    m_host.Audio().SetBlockSize(kBlockSize);
    m_host.Audio().Open();
    m_host.Gui().Initialise();
}

void ModuleSession::ProcessBlocks(int count) {
    for (int block = 0; block < count; ++block) m_host.Audio().ProcessBlock();
}

std::vector<int32_t> ModuleSession::UserValues(const PinDescription& pin, CheckContext& context) {
    switch (pin.datatype) {
    case DT_BOOL:
        return {1, 0};
    case DT_ENUM:
        return EnumList(pin.datatype_extra).Values();
    case DT_INT:
        return context.EdgeValues();
    case DT_FLOAT:
        return {0, 1, -1, 1000000};
    default:
        return {};
    }
}

void ModuleSession::ChangeEveryInput(CheckContext& context,
                                     const std::function<void()>& after_each) {
    const std::vector<PinDescription>& pins = m_host.Audio().PinTable();
    auto step = [&] {
        ProcessBlocks(1);
        if (after_each) after_each();
    };
    auto toggle_booleans = [&](size_t except) {
        for (size_t other = 0; other < pins.size(); ++other) {
            if (other == except || pins[other].direction != DR_IN ||
                pins[other].datatype != DT_BOOL) {
                continue;
            }
            for (const int32_t value : {1, 0}) {
                m_host.Gui().SetPin(static_cast<int32_t>(other), value);
                step();
            }
        }
    };
    for (size_t index = 0; index < pins.size(); ++index) {
        if (pins[index].direction != DR_IN) continue;
        for (const int32_t value : UserValues(pins[index], context)) {
            m_host.Gui().SetPin(static_cast<int32_t>(index), value);
            step();
            if (pins[index].datatype != DT_BOOL) toggle_booleans(index);
        }
    }
}

void ModuleSession::RunTypical(CheckContext& context, const std::function<void()>& after_each) {
    Start();
    ProcessBlocks(4);
    if (after_each) after_each();
    ChangeEveryInput(context, after_each);
    ProcessBlocks(4);
    if (after_each) after_each();
}
