#pragma once
// The pointer picture shown as the system's own pointer (the device's colour cursor): the
// system moves it with the mouse, so it never trails behind on a slow frame as a drawn one does.
// Each picture (a part of a texture at a size) is copied once into a surface of its own and
// kept for the next time it shows. Where the device has no such pointer, or the picture's
// format cannot be read, show() says so and the game draws the picture itself.
#include <d3d9.h>

#include <vector>

namespace ThreeMatch {

class SystemPointer {
public:
    SystemPointer() = default;
    SystemPointer(const SystemPointer&) = delete;
    SystemPointer& operator=(const SystemPointer&) = delete;
    ~SystemPointer() { release(); }

    // Shows the part source of texture (null: all of it), scaled to width x height, its middle
    // on the mouse. False when it cannot be the system's pointer.
    bool show(IDirect3DDevice9* device, IDirect3DTexture9* texture, const RECT* source, int width, int height);
    // The system's pointer no longer shows the picture.
    void hide();
    // Lets go of the copies and of the device (before the device goes).
    void release();

    // The picture scaled to width x height and copied into an A8R8G8B8 surface cut to its drawn
    // pixels and the hot spot (given in the scaled picture, returned in the surface); the colours
    // weighed by their alpha, so that no dark rim grows at the edges. Null for an unreadable
    // format.
    static IDirect3DSurface9* copy(IDirect3DDevice9* device, IDirect3DTexture9* texture, const RECT& source, int width,
                                   int height, POINT& hot);

private:
    struct Picture {
        IDirect3DTexture9* texture; // referenced: its address names no other texture meanwhile
        RECT source;
        int width, height;
        IDirect3DSurface9* surface; // null: this picture cannot be copied
        POINT hot;
    };
    static constexpr size_t kMaxPictures = 64;
    void forgetPictures();

    IDirect3DDevice9* m_device = nullptr;
    std::vector<Picture> m_pictures;
    IDirect3DSurface9* m_current = nullptr;
    bool m_shown = false;
    bool m_refused = false; // the device has no colour pointer: no more tries
};

} // namespace ThreeMatch
