// Identifiers of the DirectInput layer and the three predefined data formats.
#include <dinput.h>

#define ULVO_DEFINE_DI_GUID(name, d1)                                                                                  \
    extern const GUID name = {d1, 0xd150, 0x4e08, {0x8a, 0x6f, 0x1c, 0x3b, 0x5d, 0x0e, 0x11, 0xd8}}

ULVO_DEFINE_DI_GUID(IID_IDirectInput8W, 0x0d180001);
ULVO_DEFINE_DI_GUID(IID_IDirectInputDevice8W, 0x0d180002);
ULVO_DEFINE_DI_GUID(GUID_SysKeyboard, 0x0d180010);
ULVO_DEFINE_DI_GUID(GUID_SysMouse, 0x0d180011);
ULVO_DEFINE_DI_GUID(GUID_XAxis, 0x0d180020);
ULVO_DEFINE_DI_GUID(GUID_YAxis, 0x0d180021);
ULVO_DEFINE_DI_GUID(GUID_ZAxis, 0x0d180022);
ULVO_DEFINE_DI_GUID(GUID_RxAxis, 0x0d180023);
ULVO_DEFINE_DI_GUID(GUID_RyAxis, 0x0d180024);
ULVO_DEFINE_DI_GUID(GUID_RzAxis, 0x0d180025);
ULVO_DEFINE_DI_GUID(GUID_Slider, 0x0d180026);
ULVO_DEFINE_DI_GUID(GUID_Button, 0x0d180027);
ULVO_DEFINE_DI_GUID(GUID_Key, 0x0d180028);
ULVO_DEFINE_DI_GUID(GUID_POV, 0x0d180029);
ULVO_DEFINE_DI_GUID(GUID_Unknown, 0x0d18002a);
ULVO_DEFINE_DI_GUID(DIPROP_BUFFERSIZE, 0x0d180030);
ULVO_DEFINE_DI_GUID(DIPROP_AXISMODE, 0x0d180031);
ULVO_DEFINE_DI_GUID(DIPROP_RANGE, 0x0d180032);
ULVO_DEFINE_DI_GUID(DIPROP_DEADZONE, 0x0d180033);
ULVO_DEFINE_DI_GUID(DIPROP_SATURATION, 0x0d180034);

namespace {

constexpr DWORD kAnyAxis = DIDFT_AXIS | DIDFT_ANYINSTANCE;
constexpr DWORD kAnyButton = DIDFT_BUTTON | DIDFT_ANYINSTANCE;
constexpr DWORD kAnyPov = DIDFT_POV | DIDFT_ANYINSTANCE;

struct KeyboardObjects {
    DIOBJECTDATAFORMAT items[256];
};

constexpr KeyboardObjects makeKeyboardObjects()
{
    KeyboardObjects k{};
    for (DWORD i = 0; i < 256; ++i)
        k.items[i] = DIOBJECTDATAFORMAT{&GUID_Key, i, DIDFT_OPTIONAL | DIDFT_BUTTON | DIDFT_MAKEINSTANCE(i), 0};
    return k;
}

constinit KeyboardObjects s_keyboardObjects = makeKeyboardObjects();

constinit DIOBJECTDATAFORMAT s_mouseObjects[] = {
    {&GUID_XAxis, DIMOFS_X, kAnyAxis, 0},
    {&GUID_YAxis, DIMOFS_Y, kAnyAxis, 0},
    {&GUID_ZAxis, DIMOFS_Z, DIDFT_OPTIONAL | kAnyAxis, 0},
    {nullptr, DIMOFS_BUTTON0, kAnyButton, 0},
    {nullptr, DIMOFS_BUTTON1, kAnyButton, 0},
    {nullptr, DIMOFS_BUTTON2, DIDFT_OPTIONAL | kAnyButton, 0},
    {nullptr, DIMOFS_BUTTON3, DIDFT_OPTIONAL | kAnyButton, 0},
    {nullptr, DIMOFS_BUTTON4, DIDFT_OPTIONAL | kAnyButton, 0},
    {nullptr, DIMOFS_BUTTON5, DIDFT_OPTIONAL | kAnyButton, 0},
    {nullptr, DIMOFS_BUTTON6, DIDFT_OPTIONAL | kAnyButton, 0},
    {nullptr, DIMOFS_BUTTON7, DIDFT_OPTIONAL | kAnyButton, 0},
};

// Axes, sliders, hats and buttons, then the velocity, acceleration and force aspects of the
// axes and sliders.
constexpr DWORD kJoystickObjectCount = 6 + 2 + 4 + 128 + 3 * (6 + 2);

struct JoystickObjects {
    DIOBJECTDATAFORMAT items[kJoystickObjectCount];
};

constexpr JoystickObjects makeJoystickObjects()
{
    JoystickObjects j{};
    const GUID* axes[6] = {&GUID_XAxis, &GUID_YAxis, &GUID_ZAxis, &GUID_RxAxis, &GUID_RyAxis, &GUID_RzAxis};
    const DWORD optionalAxis = DIDFT_OPTIONAL | kAnyAxis;
    DWORD n = 0;
    // Each aspect block is six axes and two sliders at consecutive LONGs.
    auto aspect = [&](DWORD base, DWORD flags) {
        for (DWORD a = 0; a < 6; ++a)
            j.items[n++] = DIOBJECTDATAFORMAT{axes[a], base + a * 4, optionalAxis, flags};
        for (DWORD s = 0; s < 2; ++s)
            j.items[n++] = DIOBJECTDATAFORMAT{&GUID_Slider, base + 24 + s * 4, optionalAxis, flags};
    };
    aspect(DIJOFS_X, DIDOI_ASPECTPOSITION);
    for (DWORD p = 0; p < 4; ++p)
        j.items[n++] = DIOBJECTDATAFORMAT{&GUID_POV, static_cast<DWORD>(DIJOFS_POV(p)), DIDFT_OPTIONAL | kAnyPov, 0};
    for (DWORD b = 0; b < 128; ++b)
        j.items[n++] =
            DIOBJECTDATAFORMAT{nullptr, static_cast<DWORD>(DIJOFS_BUTTON(b)), DIDFT_OPTIONAL | kAnyButton, 0};
    aspect(offsetof(DIJOYSTATE2, lVX), DIDOI_ASPECTVELOCITY);
    aspect(offsetof(DIJOYSTATE2, lAX), DIDOI_ASPECTACCEL);
    aspect(offsetof(DIJOYSTATE2, lFX), DIDOI_ASPECTFORCE);
    return j;
}

constinit JoystickObjects s_joystickObjects = makeJoystickObjects();

static_assert(sizeof(DIMOUSESTATE2) == 20);
static_assert(sizeof(DIJOYSTATE2) == 272);

} // namespace

extern const DIDATAFORMAT c_dfDIKeyboard = {sizeof(DIDATAFORMAT),   sizeof(DIOBJECTDATAFORMAT), DIDF_RELAXIS, 256, 256,
                                            s_keyboardObjects.items};

extern const DIDATAFORMAT c_dfDIMouse2 = {sizeof(DIDATAFORMAT),
                                          sizeof(DIOBJECTDATAFORMAT),
                                          DIDF_RELAXIS,
                                          sizeof(DIMOUSESTATE2),
                                          sizeof(s_mouseObjects) / sizeof(s_mouseObjects[0]),
                                          s_mouseObjects};

extern const DIDATAFORMAT c_dfDIJoystick2 = {sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), DIDF_ABSAXIS,
                                             sizeof(DIJOYSTATE2),  kJoystickObjectCount,       s_joystickObjects.items};
