#include "threematch/globals/MyGlobals.h"

#include "devices/sound/SoundInitParams.h"
#include "devices/sound/SoundInterface.h"
#include "devices/sound/SoundVariable.h"
#include "engine/EngineParams.h"
#include "foundation/files/File.h"
#include "foundation/files/GOBManager.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/sprites/D3DXSprite.h"
#include "threematch/animations/WegpunktManager.h"
#include "threematch/bonuses/BonusManager.h"
#include "threematch/globals/GameGraphics.h"
#include "threematch/globals/GameRandom.h"
#include "threematch/lightshow/LichterspielManager.h"
#include "threematch/particles/PartikelManager.h"
#include "threematch/profiles/ProfileManager.h"
#include "threematch/stones/RohstoffManager.h"
#include "threematch/town/GebaeudeManager.h"

#include <objbase.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace ThreeMatch {

namespace {

// Style (0, 0) of the frame atlas: a 90 x 90 square cut into nine 30 x 30 pieces, row by row.
constexpr int kPiece = 30;
constexpr int kStyleGrid = 100;

float clampVolume(float volume)
{
    return volume > 100.0f ? 100.0f : volume > 0.0f ? volume : 0.0f;
}

int clampMouse(int mouse)
{
    return mouse >= 0 && mouse <= 3 ? mouse : 0;
}

} // namespace

MyGlobals::MyGlobals()
    : m_profileManager(ProfileManager::getInstance())
    , m_wegpunkte(std::make_unique<WegpunktManager>())
    , m_rohstoffe(std::make_unique<RohstoffManager>())
    , m_partikel(std::make_unique<PartikelManager>())
    , m_bonuses(std::make_unique<BonusManager>(*this))
    , m_gebaeude(std::make_unique<GebaeudeManager>(*this))
    , m_lichterspiele(std::make_unique<LichterspielManager>())
{
    m_profileManager->setGlobals(this);
    for (int i = 0; i < 9; ++i) {
        const LONG x = (i % 3) * kPiece, y = (i / 3) * kPiece;
        m_framePieces[i] = RECT{x, y, x + kPiece, y + kPiece};
        m_currentPieces[i] = m_framePieces[i];
    }
}

MyGlobals::~MyGlobals()
{
    // The profiles write the stone classes, the buildings and the running level: their last
    // save comes before any of those goes. A manager already gone has saved on its own way out.
    ProfileManager* profiles = ProfileManager::existingInstance();
    if (profiles && profiles->getGlobals() == this)
        profiles->saveAtExit();
    m_lichterspiele.reset();
    m_gebaeude.reset();
    m_bonuses.reset();
    m_wegpunkte.reset();
    m_rohstoffe.reset();
    m_partikel.reset();
}

bool MyGlobals::load(Ulvo::XMLNode* node)
{
    if (!node)
        return true;
    m_apiParams.keep(*node);
    if (const Ulvo::XMLNode* volume = node->getNode(L"VOLUME")) {
        volume->readFloat(L"SOUNDVOLUME", m_soundVolume);
        volume->readFloat(L"MUSICVOLUME", m_musicVolume);
        volume->readInt(L"MOUSE", m_mouse);
        // A hand-edited file may hold anything: the volumes reach the sound engine and the
        // mouse picks one of four cursors.
        m_soundVolume = clampVolume(m_soundVolume);
        m_musicVolume = clampVolume(m_musicVolume);
        m_mouse = clampMouse(m_mouse);
        applyVolumes();
    }
    if (node->readInt(L"SCHWIERIGKEIT", m_schwierigkeit))
        m_schwierigkeit = readSchwierigkeit(m_schwierigkeit, L"config.cfg");
    node->readBool(L"HIRES", m_hires);
    return true;
}

bool MyGlobals::save(Ulvo::XMLNode* node)
{
    if (!node)
        return true;
    Ulvo::XMLNode values;
    auto* volume = new Ulvo::XMLNode(L"VOLUME");
    volume->addAttribute(new Ulvo::XMLAttribute(L"SOUNDVOLUME", m_soundVolume));
    volume->addAttribute(new Ulvo::XMLAttribute(L"MUSICVOLUME", m_musicVolume));
    volume->addAttribute(new Ulvo::XMLAttribute(L"MOUSE", m_mouse));
    values.addNode(volume);
    values.addAttribute(new Ulvo::XMLAttribute(L"SCHWIERIGKEIT", m_schwierigkeit));
    values.addAttribute(new Ulvo::XMLAttribute(L"HIRES", m_hires ? 1 : 0));
    m_apiParams.write(*node, values);
    return true;
}

bool MyGlobals::initSound(Ulvo::EngineParams* params)
{
    if (!params)
        return true;
    Ulvo::SoundInitParams& sound = params->getSoundInitParams();
    sound.setInit3D(false);
    const std::wstring fileName = L"data\\Sounds\\Vodezivudo.xgs";
    Ulvo::File file(L"Vodezivudo.xgs");
    if (!file.loadFile(fileName, Ulvo::GOBManager::getInstance()->getGOBOrder(L"DEFAULT")))
        return true; // the engine starts without global settings
    unsigned char* data = nullptr;
    uint32_t size = 0;
    if (!file.getFILE_DATA(data, size))
        return true;
    if (size == 0) {
        // Nothing to hand over; saying so here names the file the later bank errors come from.
        Ulvo::mainLogger().log(100, Ulvo::LOG_TYPE_ERROR, L"Global sound settings empty or damaged: ", fileName, L"\n");
        delete[] data;
        return true;
    }
    sound.setGlobalSettingsName(fileName);
    // The sound engine takes the buffer over and frees it with CoTaskMemFree.
    if (void* buffer = CoTaskMemAlloc(size)) {
        std::memcpy(buffer, data, size);
        sound.m_runtime_params.pGlobalSettingsBuffer = buffer;
        sound.m_runtime_params.globalSettingsBufferSize = size;
        sound.m_runtime_params.globalSettingsFlags = XACT_FLAG_GLOBAL_SETTINGS_MANAGEDATA;
    } else {
        Ulvo::mainLogger().log(100, Ulvo::LOG_TYPE_ERROR, L"CoTaskMemAlloc(", std::to_wstring(size), L") failed!\n");
    }
    delete[] data;
    return true;
}

bool MyGlobals::postInit(Ulvo::EngineParams*)
{
    Ulvo::Logger& log = Ulvo::mainLogger();
    log.log(25, Ulvo::LOG_TYPE_INFO, L"ThreeMatch::MyGlobals::postInit\n");
    Ulvo::LogIndent<Ulvo::Logger> indent(log);
    loadGameTextureList(L"Data\\Menu\\rects.tex");
    m_frameTexture = findGameTexture(L"RECTS");
    selectFrameStyle(0, 0);
    return true;
}

int MyGlobals::getSchwierigkeit() const
{
    const Profil* active = m_profileManager->getActiveProfile();
    return active ? active->getSchwierigkeit() : m_schwierigkeit;
}

void MyGlobals::setSchwierigkeit(int schwierigkeit)
{
    Profil* active = m_profileManager->getActiveProfile();
    if (active)
        active->setSchwierigkeit(schwierigkeit);
    m_schwierigkeit = active ? active->getSchwierigkeit() : clampSchwierigkeit(schwierigkeit);
}

void MyGlobals::applyProfileSchwierigkeit(int schwierigkeit)
{
    m_schwierigkeit = schwierigkeit;
}

double MyGlobals::getWrathInterval() const
{
    return m_wrathInterval[getSchwierigkeit()];
}

double MyGlobals::getLevelTimeFactor() const
{
    return m_levelTimeFactor[getSchwierigkeit()];
}

void MyGlobals::setSoundVolume(float volume)
{
    m_soundVolume = clampVolume(volume);
    applyVolumes();
}

void MyGlobals::setMusicVolume(float volume)
{
    m_musicVolume = clampVolume(volume);
    applyVolumes();
}

void MyGlobals::applyVolumes()
{
    Ulvo::SoundInterface* sound = Ulvo::SoundInterface::getInstance();
    if (Ulvo::GlobalSoundVariable* music = sound->getGlobalVariable(L"MusicVolume"))
        music->setValue(m_musicVolume);
    if (Ulvo::GlobalSoundVariable* effects = sound->getGlobalVariable(L"SoundVolume"))
        effects->setValue(m_soundVolume);
}

void MyGlobals::setMouse(int mouse)
{
    m_mouse = clampMouse(mouse);
}

void MyGlobals::makeZigZag(const D3DXVECTOR2& start, const D3DXVECTOR2& end)
{
    m_zigZagPath.clear();
    const D3DXVECTOR2 way = end - start;
    const float distance = std::sqrt(way.x * way.x + way.y * way.y);
    const double step = distance * 0.125;
    const double time = m_timeBonusDuration / 5.0;
    for (int i = 1; i <= 4; ++i) {
        const D3DXVECTOR2 base = start + way * (0.2f * static_cast<float>(i));
        double dx = randomFraction() - 0.5, dy = randomFraction() - 0.5;
        const double length = std::sqrt(dx * dx + dy * dy);
        if (length > 0.0) {
            dx /= length;
            dy /= length;
        }
        const double shift = step * (randomFraction() - 0.5);
        m_zigZagPath.push_back(
            Wegpunkt{static_cast<float>(base.x + dx * shift), static_cast<float>(base.y + dy * shift), time});
    }
    m_zigZagPath.push_back(Wegpunkt{end.x, end.y, time});
}

void MyGlobals::selectFrameStyle(int row, int column)
{
    const long long dx = static_cast<long long>(column) * kStyleGrid, dy = static_cast<long long>(row) * kStyleGrid;
    for (int i = 0; i < 9; ++i) {
        const RECT& piece = m_framePieces[i];
        m_currentPieces[i] = RECT{static_cast<LONG>(piece.left + dx), static_cast<LONG>(piece.top + dy),
                                  static_cast<LONG>(piece.right + dx), static_cast<LONG>(piece.bottom + dy)};
    }
}

void MyGlobals::cutFrame(const RECT& target, int corner, RECT (&parts)[9])
{
    const long long width = std::llabs(static_cast<long long>(target.right) - target.left);
    const long long height = std::llabs(static_cast<long long>(target.bottom) - target.top);
    const long long c = std::max(0LL, std::min({static_cast<long long>(corner), width / 2, height / 2}));
    const long long xs[4] = {target.left, target.left + c, target.left + width - c, target.left + width};
    const long long ys[4] = {target.top, target.top + c, target.top + height - c, target.top + height};
    for (int i = 0; i < 9; ++i) {
        const int column = i % 3, row = i / 3;
        parts[i] = RECT{static_cast<LONG>(xs[column]), static_cast<LONG>(ys[row]), static_cast<LONG>(xs[column + 1]),
                        static_cast<LONG>(ys[row + 1])};
    }
}

void MyGlobals::drawFrame(const RECT& target, int corner, D3DCOLOR baseColour, D3DCOLOR topColour,
                          D3DCOLOR middleColour, int styleRow, int baseColumn, int topColumn, int middleColumn)
{
    Ulvo::D3DXSprite* sprite = gameSprite();
    if (!sprite || !m_frameTexture)
        return;
    RECT parts[9];
    cutFrame(target, corner, parts);
    const struct {
        int column;
        D3DCOLOR colour;
    } layers[3] = {{baseColumn, baseColour}, {middleColumn + 3, middleColour}, {topColumn + 6, topColour}};
    // Nested in the caller's batch when there is one.
    if (!sprite->Begin(D3DXSPRITE_ALPHABLEND))
        return;
    for (const auto& layer : layers) {
        selectFrameStyle(styleRow, layer.column);
        for (int i = 0; i < 9; ++i)
            sprite->drawRegion(m_frameTexture, &m_currentPieces[i], parts[i], Ulvo::SDP_SCALE, Ulvo::SDP_SCALE,
                               layer.colour);
    }
    sprite->End();
}

} // namespace ThreeMatch
