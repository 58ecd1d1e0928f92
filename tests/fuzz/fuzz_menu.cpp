// Reads arbitrary bytes as a menu file (GUIMENU nodes with their links and windows) and as the
// menu levels of "data\menues.menu" (MENU_EBENE nodes), over a small fixed GUI, then drives
// them: menus shown and hidden, clicks, keys and input bindings that follow links, back links
// through the history, levels turned on and off. Nothing may hang or touch freed memory.
#include "FuzzText.h"
#include "devices/input/Input.h"
#include "devices/input/KeyState.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "gui/menus/GUIMenu.h"
#include "gui/menus/GUIMenuLink.h"
#include "gui/menus/GUIMenuManager.h"
#include "gui/system/GUISystem.h"
#include "gui/windows/GUIWindow.h"
#include "threematch/screens/MenuEbene.h"
#include "threematch/screens/MenuEbenenManager.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

const wchar_t* const kScreens =
    L"<GUI><WINDOW NAME=\"W_A\"><WINDOW_PARAMS><GUIRECT><POS_TL/><SIZE X_OFF=\"100\" Y_OFF=\"100\"/></GUIRECT>"
    L"<ANIMATION_GOAL NAME=\"AN\"/><ANIMATION_GOAL NAME=\"AUS\"><OPTIONS VISIBLE=\"0\"/></ANIMATION_GOAL>"
    L"</WINDOW_PARAMS><WINDOW NAME=\"B_OK\" TYPE=\"BUTTON\"/></WINDOW>"
    L"<WINDOW NAME=\"W_B\"><WINDOW_PARAMS><ANIMATION_GOAL NAME=\"AN\" SPEED=\"-1\"/></WINDOW_PARAMS>"
    L"<WINDOW NAME=\"B_BACK\"/></WINDOW><WINDOW NAME=\"LEVEL\"/></GUI>";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Ulvo::logSwitch() = 0;
    Ulvo::GUISystem* gui = Ulvo::GUISystem::getInstance();
    Ulvo::GUIMenuManager* menus = Ulvo::GUIMenuManager::getInstance();
    ThreeMatch::MenuEbenenManager* levels = ThreeMatch::MenuEbenenManager::getInstance();
    Ulvo::KeyState keys;
    menus->connectInput(&keys, nullptr);
    {
        Ulvo::XMLNode screens;
        Ulvo::XMLNode::load(&screens, kScreens, 1);
        gui->load(&screens);
    }

    Ulvo::XMLNode root;
    Ulvo::XMLNode::load(&root, fuzzText(data, size), 1);
    menus->load(root);
    // Files named by the input are not opened: only the levels are read from it.
    std::vector<Ulvo::XMLNode*> files;
    for (Ulvo::XMLNode* node : root.getNodes()) {
        if (node->getName() == L"GUI" || node->getName() == L"GUIMENU")
            files.push_back(node);
    }
    for (Ulvo::XMLNode* node : files)
        root.removeNode(node);
    levels->loadMenuEbenen(root);
    menus->resolveLinks();

    std::vector<Ulvo::GUIWindow*> windows;
    gui->getAllWindows(windows);
    const std::vector<Ulvo::GUIMenu*> all = menus->getMenus();
    Ulvo::Input input(L"WEITER", nullptr, nullptr);
    for (std::size_t round = 0; round < 3; ++round) {
        for (Ulvo::GUIMenu* menu : all) {
            menu->show(round == 0 ? 0.0 : 1.0, true, round == 2);
            menus->update();
            gui->update(0.3);
            for (Ulvo::GUIWindow* window : windows)
                menu->onWindowClicked(*window);
            for (unsigned char key : {0, 1, 28, 57, 255})
                keys.keyPressed.emit(keys, key);
            menu->onInput(input);
            for (Ulvo::GUIMenuLink* link : menu->getLinks()) {
                link->findInHistory();
                link->follow();
            }
            menu->hide(round == 1 ? 0.0 : 1.0, round != 0);
        }
        for (ThreeMatch::MenuEbene* level : levels->getLevels())
            level->setActive(round != 1, 1.0);
        menus->switchMenu(menus->getActiveMenu(), round == 2);
    }

    levels->clear();
    menus->clear();
    menus->connectInput(nullptr, nullptr);
    gui->clear();
    return 0;
}
