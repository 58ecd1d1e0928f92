#pragma once
// The GUI system. Stand-in: the class grows with the GUI.
namespace Ulvo {

class GUISystem {
public:
    static GUISystem* getInstance();

private:
    GUISystem() = default;
};

} // namespace Ulvo
