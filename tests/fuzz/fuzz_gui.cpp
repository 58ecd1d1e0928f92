// Reads arbitrary bytes as a GUI description and loads it into the GUI system. There is no
// device here: textures are not found and top-level windows lay out against an empty screen.
// What is exercised is the reading of windows, rects, options, draw options, goals, templates
// and tooltips, the factory's nesting limit, and then the layout managers, the mouse routing,
// the animation goals and the copies of whatever windows came out.
#include "FuzzText.h"
#include "devices/input/KeyState.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "gui/system/GUISystem.h"
#include "gui/windows/GUIWindow.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Ulvo::logSwitch() = 0;
    Ulvo::XMLNode root;
    Ulvo::XMLNode::load(&root, fuzzText(data, size), 1);
    Ulvo::GUISystem* gui = Ulvo::GUISystem::getInstance();
    gui->load(&root);

    std::vector<Ulvo::GUIWindow*> all;
    gui->getAllWindows(all);
    for (Ulvo::GUIWindow* window : all) {
        if (!window || window->getRefCount() <= 0)
            std::abort();
        for (const Ulvo::GUIAnimationsGoal* goal : window->getAnimationGoals())
            window->startAnimationGoal(goal->name, 1.0);
    }
    // Button-free mouse routing: a press captures, so the capture is dropped before moving
    // (reading the held button would reach the input device).
    Ulvo::MouseState mouse;
    const float points[][2] = {{0, 0}, {1, 1}, {-5, 3}, {50, 50}, {1e9f, -1e9f}};
    for (const auto& point : points) {
        mouse.position[0] = point[0];
        mouse.position[1] = point[1];
        gui->onMouseMove(mouse);
        gui->onMouseButtonDown(mouse, ULVO_MOUSE_LEFT);
        gui->onMouseButtonUp(mouse, ULVO_MOUSE_LEFT);
        gui->setCapturedWindow(nullptr, nullptr);
        gui->update(0.3);
    }
    gui->recalcAllRects();
    std::vector<Ulvo::GUIWindow*> windows;
    gui->getWindows(windows);
    for (Ulvo::GUIWindow* window : windows) {
        Ulvo::GUIWindow* copy = window->clone();
        copy->setAnimationGoal(L"DEFAULT");
        copy->Release();
    }
    gui->draw();
    gui->clear();
    return 0;
}
