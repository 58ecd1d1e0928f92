#pragma once
// The keyboard layouts and the active one. Stand-in: the class grows with the
// input subsystem, which reads "tastaturlayout.lay"; until then layouts are
// installed in code (tests).
#include "foundation/sigslot.h"

#include <string>
#include <vector>

namespace Ulvo {

class TastaturLayout;

class TastaturLayoutManager : public sigslot::has_slots<> {
public:
    static TastaturLayoutManager* getInstance();
    ~TastaturLayoutManager() override;

    // Null until a layout exists.
    TastaturLayout* getActiveLayout() const { return m_activeLayout; }
    // The last layout of that name, or null.
    TastaturLayout* findLayout(const std::wstring& name) const;

    // Takes the layout over (one reference) and makes it the active one.
    void installLayout(TastaturLayout* layout);

    // Old active layout, new active layout.
    sigslot::signal2<TastaturLayout*, TastaturLayout*> layoutChanged;

private:
    TastaturLayoutManager() = default;

    std::vector<TastaturLayout*> m_layouts;
    TastaturLayout* m_activeLayout = nullptr;
};

} // namespace Ulvo
