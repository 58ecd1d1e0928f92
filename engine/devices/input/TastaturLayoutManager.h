#pragma once
// The keyboard layouts read from "tastaturlayout.lay" and the active one.
#include "foundation/sigslot.h"

#include <string>
#include <vector>

namespace Ulvo {

class TastaturLayout;
class XMLNode;

class TastaturLayoutManager : public sigslot::has_slots<> {
public:
    static TastaturLayoutManager* getInstance();
    ~TastaturLayoutManager() override;

    // Appends a layout per "TASTATUR_LAYOUT" child of root (file order); the
    // first becomes active, then the one "ACTIVE_LAYOUT" names, if any.
    void load(XMLNode& root);

    // Null until a layout exists.
    TastaturLayout* getActiveLayout() const { return m_activeLayout; }
    // The last layout of that name, or null.
    TastaturLayout* findLayout(const std::wstring& name) const;

    const std::vector<TastaturLayout*>& getLayouts() const { return m_layouts; }

    // Takes the layout over (one reference) and makes it the active one.
    void installLayout(TastaturLayout* layout);

    // Makes the layout of the system's keyboard (GetKeyboardLayout) active when one is loaded
    // for it: "Deutsch" for German keyboards, "English (US)" for US ones. Otherwise, and when
    // the keyboard cannot be told, the active layout stays. True when a layout was chosen.
    bool activateSystemLayout();

    // The key type of a character typed without a key (TypedKey::character): that of a key
    // typing it in the active layout, else in another loaded one; KT_REST when none does.
    int typeOfCharacter(wchar_t character) const;

    // Old active layout, new active layout.
    sigslot::signal2<TastaturLayout*, TastaturLayout*> layoutChanged;

private:
    TastaturLayoutManager() = default;

    std::vector<TastaturLayout*> m_layouts;
    TastaturLayout* m_activeLayout = nullptr;
};

} // namespace Ulvo
