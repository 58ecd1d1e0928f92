#pragma once
// What the system's pointer shows over our windows, for the Direct3D layer's checks (no SDL
// needed to ask).
namespace Win32Internal {

struct PointerState {
    bool visible = false;
    bool devicePicture = false; // the device's colour pointer rather than the arrow
};
PointerState pointerState();

} // namespace Win32Internal
