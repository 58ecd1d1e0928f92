#pragma once
// A combination of post effects drawn as one: its POSTEFFECT children (of any kind, combinations
// too) are built with it, activated, parameterised and drawn in order while it is enabled and not
// skipped. Its own effect, parameters and extra passes are never used. It holds one reference on
// each child; the children are found by name through it.
#include "lighting/posteffects/PostEffect.h"

#include <vector>

namespace Ulvo {

class PE_Combiniation : public PostEffect {
public:
    // Combinations nest; deeper than this the children are left out, after a log line.
    static constexpr int kMaxDepth = 16;

    PE_Combiniation(XMLNode& node, PostEffectRenderer* renderer, DeferredRenderer* deferredRenderer);
    // A clone of every child.
    PE_Combiniation(const PE_Combiniation& other);
    ~PE_Combiniation() override;

    PostEffect* clone() const override { return new PE_Combiniation(*this); }
    bool activate() override;
    bool deactivate() override;
    void render(Camera& camera) override;
    void initHandles() override;
    void update(double elapsedSeconds) override;
    RenderPostEffect* findByName(const std::wstring& name) override;
    void setSkipPriority(uint32_t priority) override;
    void setCurrentPriority(uint32_t level) override;
    void setEnabled(bool enabled) override;
    void setDeferredTechnique(bool deferred) override;
    // Every child is active (true without children).
    bool isActive() const override;
    int countDraws() const override;

    const std::vector<PostEffect*>& getChildren() const { return m_children; }

private:
    std::vector<PostEffect*> m_children;
};

} // namespace Ulvo
