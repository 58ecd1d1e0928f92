#pragma once
// A two-state button. A left press ticks or unticks it (or, one-way, only ticks
// or only unticks), every change is announced through stateChanged, and the
// button cross-fades between its unticked look (TEX_NORMAL, TEX_MARK) and its
// ticked look (TEX_PRESS, TEX_PRESS_MARK) over its fade time. Buttons named in
// GROUP_NAMES are unticked when this one becomes ticked: three buttons naming
// each other form a radio group; the relation is one-way.
#include "gui/windows/GUIWindow.h"

#include <string>
#include <vector>

namespace Ulvo {

class GUICheckboxButton : public GUIWindow {
public:
    explicit GUICheckboxButton(const std::wstring& name);
    // The window part, its template again, then CHECKBOX_BUTTON_PARAMS.
    explicit GUICheckboxButton(const XMLNode* node);
    // Copies the state and fade; groups stay empty.
    GUICheckboxButton(const GUICheckboxButton& other);
    GUICheckboxButton& operator=(const GUICheckboxButton&) = delete;
    // Leaves every group first, so no member keeps a pointer to it.
    ~GUICheckboxButton() override;

    GUIWindow* clone() const override;
    void onLeftButtonDown(const MouseState& state) override;
    void update(double dt) override;
    void drawShape() override;
    void drawSelf() override;
    bool addChild(GUIWindow* child, bool handedOver = false, bool append = true) override;
    bool removeChild(GUIWindow* child) override;
    // The window's post-template and children, then the group names are resolved.
    void applyVorlagen() override;
    void copyFromVorlage(const GUIWindow* vorlage, uint32_t mask) override;

    bool isChecked() const { return m_checked; }
    // A change emits stateChanged; becoming ticked unticks the group members.
    void setChecked(bool checked);

    // Null or a member already listed does nothing; a member that is destroyed leaves.
    void addGroupMember(GUICheckboxButton* member);
    void removeGroupMember(GUICheckboxButton* member);
    // Every member drops this button from its own members.
    void leaveGroups();
    void onGroupMemberDeleted(NamedObject* object);
    const std::vector<GUICheckboxButton*>& getGroupMembers() const { return m_members; }
    std::vector<std::wstring>& getGroupNames() { return m_groupNames; }

    int32_t getOneWayClick() const { return m_oneWayClick; }
    void setOneWayClick(int32_t value) { m_oneWayClick = value; }
    double getFadeTime() const { return m_fadeTime; }
    void setFadeTime(double seconds) { m_fadeTime = seconds; }
    double getFadeTimer() const { return m_fadeTimer; }
    // 0 unticked .. 1 ticked; a fade time of 0 or less gives the state at once.
    double getFade() const;
    // The ticked state as read from a description: no signal, fade from the other look.
    void setCheckedQuietly(bool checked);
    // Reads ENABLED, ENABLE_TIMER, ONE_WAY_CLICK, DRAW_ENABLED_FULL (when drawFull)
    // and GROUP_NAMES; ENABLED through setChecked when announce is set.
    void readParams(const XMLNode* params, bool announce, bool drawFull);

    sigslot::signal1<GUICheckboxButton&> stateChanged;

private:
    int32_t m_oneWayClick = 0;
    bool m_drawCheckedFully = true;
    bool m_checked = false;
    double m_fadeTimer = 1.0;
    double m_fadeTime = 1.0;
    std::vector<std::wstring> m_groupNames;
    std::vector<GUICheckboxButton*> m_members; // not owned, no duplicates
};

} // namespace Ulvo
