#include "devices/input/Inputmanager.h"

#include "devices/input/Input.h"
#include "foundation/helpers/Release.h"

#include <algorithm>

namespace Ulvo {

Inputmanager* Inputmanager::getInstance()
{
    static Inputmanager instance;
    return &instance;
}

Inputmanager::Inputmanager() = default;

void Inputmanager::connect(MainLoopSignals& loop)
{
    loop.onUpdate.connect(this, &Inputmanager::update);
}

void Inputmanager::disconnect(MainLoopSignals& loop)
{
    loop.onUpdate.disconnect(this);
}

Inputmanager::~Inputmanager()
{
    releaseAndClear(m_inputs);
}

void Inputmanager::update()
{
    const unsigned int all = Input::SOURCE_ALL;
    // By index: a slot may add a binding while the list is being polled.
    for (std::size_t i = 0; i < m_inputs.size(); ++i) {
        if (m_inputs[i])
            m_inputs[i]->poll(all);
    }
}

void Inputmanager::addInput(Input* input)
{
    if (input)
        m_inputs.push_back(input);
}

bool Inputmanager::removeInput(Input* input)
{
    auto it = std::find(m_inputs.begin(), m_inputs.end(), input);
    if (!input || it == m_inputs.end())
        return false;
    m_inputs.erase(it);
    input->Release();
    return true;
}

} // namespace Ulvo
