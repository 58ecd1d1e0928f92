#pragma once
// The lighting layer's renderers of a frame (deferred, HDR, post effects), made for a render
// manager and handed to it, which owns them from then on. The engine does this once at start-up;
// tests that build a render manager of their own do the same.
namespace Ulvo {

class DeferredRenderer;
class RenderManager;

// The deferred renderer, which also keeps the deferred lights, for the light attach points.
// gameFrameTime: the game clock's frame time in seconds, which the HDR eye adaptation follows
// (null: the eye does not adapt until a source is set).
DeferredRenderer* attachLightingRenderers(RenderManager& renderManager, const double* gameFrameTime = nullptr);

} // namespace Ulvo
