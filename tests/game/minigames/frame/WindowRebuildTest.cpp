// The games' windows built a second time (the game screen set up again, as a new game
// controller does): every game lets go of the copies it made the first time, so that none is
// left without an owner.
#include "KindTestSupport.h"

#include "gui/windows/GUIWindow.h"

#include <algorithm>
#include <map>

using KindTesting::KindTest;

namespace {

using WindowRebuildTest = KindTest;

std::string narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

void addTree(Ulvo::GUIWindow* window, std::vector<Ulvo::GUIWindow*>& tree)
{
    tree.push_back(window);
    std::vector<Ulvo::GUIWindow*> children;
    window->getChildren(children);
    for (Ulvo::GUIWindow* child : children)
        addTree(child, tree);
}

TEST_F(WindowRebuildTest, ASecondBuildLetsGoOfEveryWindowOfTheFirst)
{
    loadGames();
    std::map<const ThreeMatch::Minispiel*, std::vector<Ulvo::GUIWindow*>> first;
    for (ThreeMatch::Minispiel* game : manager().getMinispiele()) {
        if (Ulvo::GUIWindow* window = game->getWindow())
            addTree(window, first[game]);
    }
    ASSERT_FALSE(first.empty());
    for (auto& [game, tree] : first) {
        for (Ulvo::GUIWindow* window : tree)
            window->AddRef();
    }

    manager().initScreen();

    for (auto& [game, tree] : first) {
        std::vector<Ulvo::GUIWindow*> now;
        if (Ulvo::GUIWindow* window = game->getWindow())
            addTree(window, now);
        // The first build's window leaves the screen; what is left of it is held by the test alone.
        Ulvo::GUIWindow* root = tree.front();
        if (Ulvo::GUIWindow* parent = root->getParent())
            parent->removeChild(root);
        EXPECT_EQ(root->getRefCount(), 1) << narrow(game->getName());
        root->Release();
        for (std::size_t i = 1; i < tree.size(); ++i) {
            Ulvo::GUIWindow* window = tree[i];
            if (std::find(now.begin(), now.end(), window) == now.end()) {
                EXPECT_EQ(window->getRefCount(), 1) << narrow(game->getName()) << ": " << narrow(window->getName());
            }
            window->Release();
        }
    }
}

} // namespace
