#include "devices/Inputmanager.h"

#include "devices/Input.h"
#include "foundation/UlvoEngine.h"

#include <algorithm>

namespace Ulvo {

Inputmanager* Inputmanager::getInstance()
{
    // The engine first: it builds this object while being built itself.
    UlvoEngine::getInstance();
    static Inputmanager instance;
    return &instance;
}

Inputmanager::Inputmanager()
{
    // First on the update signal, so bindings are current before the game's update.
    UlvoEngine::getInstance()->onUpdate.connect(this, &Inputmanager::update);
}

Inputmanager::~Inputmanager()
{
    for (Input* input : m_inputs) {
        if (input)
            input->Release();
    }
    m_inputs.clear();
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
