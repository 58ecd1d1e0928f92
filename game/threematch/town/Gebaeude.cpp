#include "threematch/town/Gebaeude.h"

#include "engine/UlvoEngine.h"
#include "foundation/logging/Logger.h"
#include "foundation/text/TextManager.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/sprites/D3DXSprite.h"
#include "graphics/textures/Texture2D.h"
#include "threematch/globals/DataReads.h"
#include "threematch/globals/GameGraphics.h"
#include "threematch/globals/GameRandom.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/particles/PartikelManager.h"
#include "threematch/profiles/ProfileManager.h"
#include "threematch/stones/RohstoffManager.h"
#include "threematch/town/GebaeudeManager.h"

#include <algorithm>
#include <cmath>

namespace ThreeMatch {

namespace {

void log(int priority, Ulvo::LogType type, const std::wstring& text)
{
    Ulvo::mainLogger().log(priority, type, L"ThreeMatch::Gebaeude: ", text, L"\n");
}

} // namespace

Gebaeude::Gebaeude(const Ulvo::XMLNode& node, MyGlobals& globals, GebaeudeManager& manager)
    : m_globals(globals)
    , m_manager(manager)
    , m_beschreibungId(node.getName() + L"_DESC")
    , m_nameId(node.getName())
    , m_id(node.getName())
{
    node.readFlag(L"ENDGEBAEUDE", m_endGebaeude);
    node.readFlag(L"TMPGEBAEUDE", m_temporary);
    const RohstoffManager& stones = globals.getRohstoffManager();
    if (const Ulvo::XMLNode* resourcen = node.getNode(L"RESOURCEN")) {
        for (const Ulvo::XMLNode* entry : resourcen->getNodes()) {
            if (!entry || entry->getName() != L"KLASSE")
                continue;
            std::wstring name;
            Kosten kosten{nullptr, 0};
            entry->readString(L"NAME", name);
            entry->readInt(L"ANZAHL", kosten.anzahl);
            kosten.klasse = stones.findKlasse(name);
            if (!kosten.klasse)
                log(50, Ulvo::LOG_TYPE_WARNING, m_id + L": Kosten in unbekannter Klasse '" + name + L"'");
            m_kosten.push_back(kosten);
        }
    }
    if (const Ulvo::XMLNode* unlocks = node.getNode(L"UNLOCKS")) {
        for (const Ulvo::XMLNode* entry : unlocks->getNodes()) {
            if (!entry || entry->getName() != L"KLASSE")
                continue;
            std::wstring klasse, rohstoff;
            Freischaltung freischaltung{nullptr, nullptr, 0.0};
            entry->readString(L"NAME", klasse);
            entry->readString(L"ROHSTOFFE", rohstoff);
            entry->readDouble(L"PROBABILITY", freischaltung.probability);
            freischaltung.klasse = stones.findKlasse(klasse);
            if (freischaltung.klasse && !rohstoff.empty())
                freischaltung.rohstoff = freischaltung.klasse->findRohstoff(rohstoff);
            if (!freischaltung.klasse || (!rohstoff.empty() && !freischaltung.rohstoff))
                log(50, Ulvo::LOG_TYPE_WARNING, m_id + L": UNLOCKS " + klasse + L" " + rohstoff + L" nicht gefunden");
            m_unlocks.push_back(freischaltung);
        }
    }
    node.readString(L"BESCHREIBUNG", m_beschreibungId);
    if (node.readString(L"ID", m_id))
        m_nameId = m_id;
    node.readString(L"NAME", m_nameId);
    node.readFlag(L"BUILD_ON_START", m_buildOnStart);
    node.readWords(L"BUILD_TOO", m_buildToo);
    node.readString(L"PARTIKEL_EMITTER", m_emitterName);
    node.readPair(L"PARTIKEL_EMITTER_OFFSET", m_emitterOffset[0], m_emitterOffset[1]);
    if (const Ulvo::XMLNode* textur = node.getNode(L"TEXTUR"))
        readTexture(*textur);
}

void Gebaeude::readTexture(const Ulvo::XMLNode& node)
{
    std::wstring list;
    if (node.readString(L"TEXTURNAME", list)) {
        if (loadGameTextureList(list)) {
            m_animation = findGameTexture(m_id + L"_ANIMATION");
            m_vorschau = findGameTexture(m_id + L"_VORSCHAU");
            m_vorschauBig = findGameTexture(m_id + L"_VORSCHAU_BIG");
            if (!m_vorschau)
                m_vorschau = m_animation;
            if (!m_vorschauBig)
                m_vorschauBig = m_vorschau;
        }
        if (!m_animation)
            Ulvo::mainLogger().log(100, Ulvo::LOG_TYPE_ERROR, L"Textur: ", m_id, L"_ANIMATION nicht gefunden!\n");
    }
    int size[2] = {0, 0};
    if (!node.readPair(L"SIZE", size[0], size[1]) && m_animation) {
        size[0] = static_cast<int>(m_animation->getWidth());
        size[1] = static_cast<int>(m_animation->getHeight());
    }
    // Without a frame grid (or with one of 0) the whole picture is the one frame.
    int grid[2] = {1, 1};
    node.readPair(L"ANZAHL_FRAMES", grid[0], grid[1]);
    m_grid.columns = std::max(grid[0], 1);
    m_grid.rows = std::max(grid[1], 1);
    m_grid.frameWidth = size[0] / m_grid.columns;
    m_grid.frameHeight = size[1] / m_grid.rows;
    m_frameCount = m_grid.product();
    node.readInt(L"ANZAHL_FRAMES_NR", m_frameCount);
    if (m_frameCount < 1)
        m_frameCount = 1;
    node.readDouble(L"SPEED", m_speed);
    node.readDouble(L"DRAW_EBENE", m_drawEbene);
    node.readPair(L"POSITION", m_position[0], m_position[1]);
    m_usesVorschau = node.readPair(L"USE_VORSCHAU_TEX", m_vorschauOffset[0], m_vorschauOffset[1]) > 0;
    node.readInt(L"ANIMATION_PAUSE_FRAME", m_pauseFrame);
    readDoubles(node, L"ANIMATION_PAUSE", m_pause);
}

double Gebaeude::costFactor(float score, int schwierigkeit)
{
    const double s = std::clamp(static_cast<double>(score), 0.0, 1.0);
    const double saving = schwierigkeit <= 0 ? s * 0.5 : schwierigkeit == 1 ? s / 2.5 : s / 3.0;
    return 1.0 - saving;
}

std::wstring Gebaeude::getName() const
{
    return Ulvo::UlvoEngine::getInstance()->getTextManager()->getTextString(m_nameId);
}

std::wstring Gebaeude::getBeschreibung() const
{
    return Ulvo::UlvoEngine::getInstance()->getTextManager()->getTextString(m_beschreibungId);
}

bool Gebaeude::canBuild() const
{
    return std::all_of(m_kosten.begin(), m_kosten.end(), [](const Kosten& kosten) {
        return !kosten.klasse || kosten.klasse->getPunkte() >= kosten.anzahl;
    });
}

std::vector<int> Gebaeude::build(double factor)
{
    std::vector<int> spent(m_kosten.size(), 0);
    if (m_built) {
        startEmitter();
        m_manager.recomputeRow();
        return spent;
    }
    if (Profil* profil = m_globals.getProfileManager().getActiveProfile())
        profil->addGebaeude(m_id);
    for (std::size_t i = 0; i < m_kosten.size(); ++i) {
        const Kosten& kosten = m_kosten[i];
        if (kosten.klasse)
            kosten.klasse->spend(toInt(kosten.anzahl * factor));
        spent[i] = kosten.anzahl;
    }
    for (const Freischaltung& freischaltung : m_unlocks) {
        if (freischaltung.klasse)
            freischaltung.klasse->unlock();
        if (freischaltung.rohstoff) {
            freischaltung.rohstoff->unlock();
            freischaltung.rohstoff->addProfileWeight(freischaltung.probability);
        }
    }
    // Built before the partners, so that a partner naming this one back finds it built
    // instead of building it again without end.
    m_built = true;
    for (const std::wstring& id : m_buildToo) {
        Gebaeude* partner = m_manager.findGebaeude(id);
        if (partner && !partner->isBuilt())
            partner->build(factor);
    }
    m_fadeTime = m_globals.getBuildingTuning();
    startEmitter();
    m_manager.recomputeRow();
    return spent;
}

void Gebaeude::setBuilt(bool built)
{
    m_built = built;
    m_fadeTime = 0.0;
    m_manager.recomputeRow();
    if (built)
        startEmitter();
    else
        stopEmitter();
    // Partners already where they should be are passed over, which ends cycles of partners.
    for (const std::wstring& id : m_buildToo) {
        Gebaeude* partner = m_manager.findGebaeude(id);
        if (partner && partner->isBuilt() != built)
            partner->setBuilt(built);
    }
}

PartikelEmitter* Gebaeude::runningEmitter() const
{
    if (!m_emitter)
        return nullptr;
    const std::vector<PartikelEmitter*>& running = m_globals.getPartikelManager().getEmitters();
    return std::find(running.begin(), running.end(), m_emitter) != running.end() ? m_emitter : nullptr;
}

void Gebaeude::startEmitter()
{
    if (runningEmitter() || m_emitterName.empty())
        return;
    m_emitter = nullptr;
    PartikelManager& particles = m_globals.getPartikelManager();
    const EmitterInfo* info = particles.findEmitterInfo(m_emitterName);
    if (!info)
        return;
    m_emitter = new PartikelEmitter(*info, m_position[0] + m_emitterOffset[0], m_position[1] + m_emitterOffset[1], 1.0,
                                    nullptr, kParticleLayer);
    // Only in the live list: the second list is for emitters the board looks after.
    particles.addEmitter(m_emitter, false);
}

void Gebaeude::stopEmitter()
{
    if (PartikelEmitter* emitter = runningEmitter())
        emitter->finish();
    m_emitter = nullptr;
}

void Gebaeude::update(double realDt)
{
    if (!m_built)
        return;
    if (m_fadeTime > 0.0)
        m_fadeTime = std::max(0.0, m_fadeTime - realDt);
    if (m_pauseLeft > 0.0) {
        m_pauseLeft -= realDt;
        return;
    }
    m_animationTime += m_speed * realDt;
    const double cycle = m_grid.frameCount();
    if (m_animationTime > cycle) {
        // A frame time far beyond one pass still lands inside the next one.
        m_animationTime = std::fmod(m_animationTime - cycle, cycle);
        m_pauseLeft = randomFraction() * (m_pause[1] - m_pause[0]) + m_pause[0];
    }
}

int Gebaeude::currentFrame() const
{
    if (m_pauseLeft > 0.0)
        return m_pauseFrame >= 0 ? m_pauseFrame % m_frameCount : 0; // no valid pause frame: the first
    // A negative SPEED runs the clock backwards.
    const long long frame = toLongLong(m_animationTime) % m_frameCount;
    return static_cast<int>(frame < 0 ? frame + m_frameCount : frame);
}

void Gebaeude::render(float offsetX, float offsetY, double scale) const
{
    Ulvo::D3DXSprite* sprite = gameSprite();
    if (!sprite || !m_animation || !(m_built || m_buildOnStart))
        return;
    int alpha = 255;
    const double fade = m_globals.getBuildingTuning();
    if (!m_buildOnStart && fade > 0.0)
        alpha = std::clamp(toInt((1.0 - m_fadeTime / fade) * 255.0), 0, 255);
    const D3DCOLOR colour = static_cast<D3DCOLOR>(alpha) << 24 | 0x00FFFFFFu;
    auto place = [&](float x, float y, int width, int height) {
        const double left = (x + offsetX) * scale, top = (y + offsetY) * scale;
        return RECT{toInt(left), toInt(top), toInt(left + width * scale), toInt(top + height * scale)};
    };
    const RECT source = m_grid.frameRect(currentFrame());
    if (m_usesVorschau && m_vorschau) {
        sprite->drawRegion(m_vorschau, nullptr,
                           place(m_position[0], m_position[1], static_cast<int>(m_vorschau->getWidth()),
                                 static_cast<int>(m_vorschau->getHeight())),
                           Ulvo::SDP_SCALE, Ulvo::SDP_SCALE, colour);
    }
    const float x = m_usesVorschau ? m_position[0] + m_vorschauOffset[0] : std::trunc(m_position[0]);
    const float y = m_usesVorschau ? m_position[1] + m_vorschauOffset[1] : std::trunc(m_position[1]);
    sprite->drawRegion(m_animation, &source, place(x, y, m_grid.frameWidth, m_grid.frameHeight), Ulvo::SDP_SCALE,
                       Ulvo::SDP_SCALE, colour);
}

} // namespace ThreeMatch
