#pragma once
// A way out of a menu: to a named menu, or back through the menu history, when a
// window is clicked, a key goes down or an input binding fires. A click link
// (TYPE "CLICK") instead clicks a named window, exactly as the user would, and
// fires only on its key or input.
#include "foundation/objects/NamedObject.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Ulvo {

class GUIMenu;
class GUIWindow;
class Input;
class XMLNode;

class GUIMenuLink : public NamedObject {
public:
    // A LINK node of owner's GUIMENU node.
    GUIMenuLink(XMLNode* node, GUIMenu* owner);
    ~GUIMenuLink() override = default;
    GUIMenuLink(const GUIMenuLink&) = delete;
    GUIMenuLink& operator=(const GUIMenuLink&) = delete;

    // The destination: the manager's first menu named DST_MENU, else none.
    virtual void resolve();
    virtual bool matchesInput(Input& input) const;
    virtual bool matchesKey(const unsigned char& key) const;
    virtual bool matchesClick(GUIWindow& window) const;
    // Hides the owner and shows the destination; a negative DST_MENU_DELTA takes the
    // destination from the history, walking past the skip list.
    virtual void follow();

    // The menu a negative delta leads to, or null; the walk is bounded by the history's
    // length, and a skip step of 0 stops at its first candidate.
    GUIMenu* findInHistory() const;

    GUIMenu* getOwner() const { return m_owner; }
    GUIMenu* getDestination() const { return m_destination; }
    const std::wstring& getDestinationName() const { return m_destinationName; }
    bool usesKey() const { return m_useKey; }
    unsigned char getKey() const { return m_key; }
    bool usesClick() const { return m_useClick; }
    bool usesInput() const { return m_useInput; }
    int32_t getMenuDelta() const { return m_menuDelta; }
    int32_t getSkipStep() const { return m_skipStep; }
    int32_t getMaxSkipDepth() const { return m_maxSkipDepth; }
    const std::vector<std::wstring>& getSkipList() const { return m_skipList; }

protected:
    GUIMenu* m_owner;
    GUIMenu* m_destination = nullptr;

private:
    bool m_useKey = false;
    unsigned char m_key = 0;
    bool m_useClick = false;
    bool m_useInput = false;
    std::wstring m_inputName;
    int32_t m_menuDelta = 0;
    int32_t m_skipStep = -1;
    int32_t m_maxSkipDepth = 2147483647;
    std::wstring m_destinationName;
    std::wstring m_clickWindow;
    std::wstring m_clickWindowUserId;
    std::vector<std::wstring> m_skipList;
};

class GUIMenuLinkClick : public GUIMenuLink {
public:
    GUIMenuLinkClick(XMLNode* node, GUIMenu* owner);

    // Never: a click link fires on its key or input only.
    bool matchesClick(GUIWindow& window) const override;
    // Emits the clicked signal of the window named CLICK_ON_MENU.
    void follow() override;

    const std::wstring& getTargetName() const { return m_target; }

private:
    std::wstring m_target;
};

} // namespace Ulvo
