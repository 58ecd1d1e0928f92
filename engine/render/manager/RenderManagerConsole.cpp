// The render manager's RP_ console commands: post effects and their mapped parameters, shadow
// and water quality, the post-effect skip level, the passes' activation counts, and the HDR and
// deferred renderers' switches, values, buffer dumps and lights.
#include "render/manager/RenderManager.h"

#include "render/manager/DeferredStage.h"
#include "render/manager/HDRStage.h"
#include "render/manager/PostEffectStage.h"
#include "render/manager/RenderPostEffect.h"
#include "render/passes/RenderPass.h"

#include <cwchar>
#include <sstream>
#include <utility>

namespace Ulvo {

namespace {

const wchar_t* const kSet = L"gesetzt";
const wchar_t* const kParamMissing = L"Param wurde nicht gefunden";
const wchar_t* const kEffectMissing = L"Posteffekt nicht gefunden!";
const wchar_t* const kSaved = L"gespeichert!";
const wchar_t* const kLightExists = L"es gibt bereits ein Licht mit diesen Namen!";

// The console's quality words: off, low, med, high; false for any other word.
bool qualityFromWord(const std::wstring& lowerWord, MyQuality& quality)
{
    static const std::pair<const wchar_t*, MyQuality> kWords[] = {
        {L"off", QUALITY_NONE}, {L"low", QUALITY_LOW}, {L"med", QUALITY_MEDIUM}, {L"high", QUALITY_HIGH}};
    for (const auto& [word, value] : kWords) {
        if (lowerWord == word) {
            quality = value;
            return true;
        }
    }
    return false;
}

// The argument as a whole number from first to last; false for anything else ("x", "1.5", "").
bool wholeNumber(const TypedConsoleCommand& line, int index, long long first, long long last, long long& value)
{
    const std::wstring text = line.getParamString(index);
    if (text.empty() || text.size() > 18)
        return false;
    std::size_t digits = text[0] == L'-' || text[0] == L'+' ? 1 : 0;
    if (digits == text.size())
        return false;
    for (std::size_t i = digits; i < text.size(); ++i) {
        if (text[i] < L'0' || text[i] > L'9')
            return false;
    }
    value = std::wcstoll(text.c_str(), nullptr, 10);
    return value >= first && value <= last;
}

// A command's help line, the answer to a value it cannot use.
template <std::size_t N>
const wchar_t* helpOf(const ConsoleCommandEntry<RenderManager> (&commands)[N], const wchar_t* name)
{
    for (const auto& command : commands) {
        if (std::wcscmp(command.name, name) == 0)
            return command.help;
    }
    return L"";
}

D3DXVECTOR3 vectorAt(const TypedConsoleCommand& line, int first)
{
    return D3DXVECTOR3(line.getParamFloat(first), line.getParamFloat(first + 1), line.getParamFloat(first + 2));
}

// 0xAARRGGBB as typed.
D3DXCOLOR colourAt(const TypedConsoleCommand& line, int index)
{
    return D3DXCOLOR(static_cast<DWORD>(static_cast<uint32_t>(line.getParamHex(index))));
}

// The optional folder argument of the buffer dumps.
// The folder a dump goes to: the working folder without an argument; false (answered) when the
// argument leads out of it.
bool folderOf(TypedConsoleCommand& line, std::wstring& folder)
{
    folder.clear();
    if (line.getArgumentCount() == 0)
        return true;
    folder = line.getFileToken(0);
    return !folder.empty();
}

// A dump's answer: what happened, not what was asked.
std::wstring savedAnswer(bool saved, const std::wstring& folder)
{
    return saved ? std::wstring(kSaved) : L"Buffer konnten nicht gespeichert werden: " + folder;
}

void addIfPrefix(const std::wstring& candidate, const std::wstring& typed, std::vector<std::wstring>& candidates)
{
    if (candidate.compare(0, typed.size(), typed) == 0)
        candidates.push_back(candidate);
}

} // namespace

const ConsoleCommandEntry<RenderManager> RenderManager::kCommands[27] = {
    {L"RP_POST_addActiveEffect", 1, L"RP_POST_addActiveEffect Name; fügt Posteffekt hinzu",
     &RenderManager::cmdAddActiveEffect, &RenderManager::completeDefinedEffect},
    {L"RP_POST_removeActiveEffect", 1, L"RP_POST_removeActiveEffect Name; entfernt Posteffekt",
     &RenderManager::cmdRemoveActiveEffect, &RenderManager::completeActiveEffect},
    {L"RP_POST_setParamFloat", 2, L"RP_POST_setParamFloat Name Wert; setzt einen Posteffect Parameter Float",
     &RenderManager::cmdSetParamFloat, &RenderManager::completeFloatMapping},
    {L"RP_POST_setParamVector", 5, L"RP_POST_setParamVector Name Wert; setzt einen Posteffect Parameter Vector",
     &RenderManager::cmdSetParamVector, &RenderManager::completeVectorMapping},
    {L"RP_POST_getParamFloat", 1, L"RP_POST_getParamFloat Name; gibt einen Posteffect Parameter Float",
     &RenderManager::cmdGetParamFloat},
    {L"RP_POST_getParamVector", 1, L"RP_POST_getParamVector Name; gibt einen Posteffect Parameter Vector",
     &RenderManager::cmdGetParamVector},
    {L"RP_POST_getAllParamListe", 0, L"RP_POST_getAllParamListe; gibt Liste mit allen Posteffect Parametern",
     &RenderManager::cmdGetAllParamListe},
    {L"RP_setShadowQuality", 1, L"RP_setShadowQuality OFF/LOW/MED/HIGH; setzt die Schattenqualität",
     &RenderManager::cmdSetShadowQuality, &RenderManager::completeQuality},
    {L"RP_setWaterQuality", 1, L"RP_setWaterQuality OFF/LOW/MED/HIGH; setzt die Wasserqualität",
     &RenderManager::cmdSetWaterQuality, &RenderManager::completeQuality},
    {L"RP_skipPosteffects", 1, L"RP_skipPosteffects 0 - 10; setzt die Posteffektqualität (kleiner ist besser)",
     &RenderManager::cmdSkipPosteffects},
    {L"RP_printActiveRefCnts", 0, L"RP_printActiveRefCnts; zeigt wie oft auf einen Renderpass verwiesen wird",
     &RenderManager::cmdPrintActiveRefCnts},
    {L"RP_HDR", 1, L"RP_HDR 0-7; HDR aktivieren", &RenderManager::cmdHDR},
    {L"RP_HDR_MiddleGray", 1, L"RP_HDR_MiddleGray 0 - 1; Referenzwert für Tonemapping",
     &RenderManager::cmdHDRMiddleGray},
    {L"RP_HDR_Tonemapping", 1, L"RP_HDR_Tonemapping 0 - 2; Tonemappingoperator 0 = aus",
     &RenderManager::cmdHDRTonemapping},
    {L"RP_HDR_Blueshift", 1, L"RP_HDR_Blueshift 0 / 1; Blueshift an / aus", &RenderManager::cmdHDRBlueshift},
    {L"RP_HDR_BloomStarScale", 2, L"RP_HDR_BloomStarScale bloom star; Bloom- und StarScale setzen",
     &RenderManager::cmdHDRBloomStarScale},
    {L"RP_HDR_GlareType", 1, L"RP_HDR_GlareType type; Glaretype setzen", &RenderManager::cmdHDRGlareType},
    {L"RP_HDR_MinMaxLuminace", 2, L"RP_HDR_MinMaxLuminace min max; setze die maximal adaptierte Lichtstärke",
     &RenderManager::cmdHDRMinMaxLuminance},
    {L"RP_HDR_BrightPassParams", 2, L"RP_HDR_BrightPassParams threshold offset; setze die Parameter für den Brightpass",
     &RenderManager::cmdHDRBrightPassParams},
    {L"RP_HDR_SaveAll", 0, L"RP_HDR_SaveAll; speichert alle HDR TexturBuffer", &RenderManager::cmdHDRSaveAll},
    {L"RP_DEF", 1, L"RP_DEF 0/1; aktiviert Deferred Rendering", &RenderManager::cmdDEF},
    {L"RP_DEF_SaveAll", 0, L"RP_DEF_SaveAll; speichert alle Deferred TexturBuffer", &RenderManager::cmdDEFSaveAll},
    {L"RP_DEF_addPointLight", 7, L"RP_DEF_addPointLight Name color_hex x y z radius i; fügt ein Punktlicht hinzu",
     &RenderManager::cmdDEFAddPointLight},
    {L"RP_DEF_addDirectionalLight", 6,
     L"RP_DEF_addDirectionalLight Name color_hex dx dy dz i; fügt ein Richtungslicht hinzu",
     &RenderManager::cmdDEFAddDirectionalLight},
    {L"RP_DEF_addSpotLight", 11,
     L"RP_DEF_addSpotLight Name color_hex x y z dx dy dz radius theta i; fügt ein Spotlicht hinzu",
     &RenderManager::cmdDEFAddSpotLight},
    {L"RP_DEF_removeLight", 1, L"RP_DEF_removeLight Name; löscht ein vorhandenes Licht",
     &RenderManager::cmdDEFRemoveLight},
    {L"RP_DEF_BlurLights", 1, L"RP_DEF_BlurLights 0/1; zeichnet die Lightmap weich an/aus",
     &RenderManager::cmdDEFBlurLights},
};

// ------------------------------------------------------------------ post effects

void RenderManager::cmdAddActiveEffect(TypedConsoleCommand& line)
{
    RenderPostEffect* effect = getPostEffect(line.getToken(0));
    if (!effect) {
        line.setAnswer(kEffectMissing);
        return;
    }
    activatePostEffect(effect);
    line.setAnswer(kSet);
}

void RenderManager::cmdRemoveActiveEffect(TypedConsoleCommand& line)
{
    RenderPostEffect* effect = getPostEffect(line.getToken(0));
    if (!effect) {
        line.setAnswer(kEffectMissing);
        return;
    }
    deactivatePostEffect(effect);
    line.setAnswer(L"entfernt");
}

void RenderManager::cmdSetParamFloat(TypedConsoleCommand& line)
{
    line.setAnswer(setPostEffectParamFloat(line.getToken(0), line.getParamFloat(1)) ? kSet : kParamMissing);
}

void RenderManager::cmdSetParamVector(TypedConsoleCommand& line)
{
    const D3DXVECTOR4 value(line.getParamFloat(1), line.getParamFloat(2), line.getParamFloat(3), line.getParamFloat(4));
    line.setAnswer(setPostEffectParamVector(line.getToken(0), value) ? kSet : kParamMissing);
}

void RenderManager::cmdGetParamFloat(TypedConsoleCommand& line)
{
    float value = 0.0f;
    if (!getPostEffectParamFloat(line.getToken(0), value)) {
        line.setAnswer(kParamMissing);
        return;
    }
    std::wostringstream out;
    out << L"Wert: " << value;
    line.setAnswer(out.str());
}

void RenderManager::cmdGetParamVector(TypedConsoleCommand& line)
{
    D3DXVECTOR4 value(0.0f, 0.0f, 0.0f, 0.0f);
    if (!getPostEffectParamVector(line.getToken(0), value)) {
        line.setAnswer(kParamMissing);
        return;
    }
    std::wostringstream out;
    out << L"Wert: " << value.x << L' ' << value.y << L' ' << value.z << L' ' << value.w << L' ';
    line.setAnswer(out.str());
}

void RenderManager::cmdGetAllParamListe(TypedConsoleCommand& line)
{
    std::wstring text;
    for (const MappedParameterInfo& info : getMappedParameters()) {
        if (!text.empty())
            text += L'\n';
        text += info.mapping + L" Typ: ";
        if (info.kind == 1)
            text += L"VECTOR";
        else if (info.kind == 12)
            text += L"MATRIX";
        else if (info.kind < 30)
            text += L"FLOAT";
    }
    line.setAnswer(text);
}

// ------------------------------------------------------------------ quality and passes

void RenderManager::cmdSetShadowQuality(TypedConsoleCommand& line)
{
    MyQuality quality = QUALITY_NONE;
    if (!qualityFromWord(line.getParamString(0), quality)) {
        line.setAnswer(helpOf(kCommands, L"RP_setShadowQuality"));
        return;
    }
    setShadowQuality(quality);
    line.setAnswer(kSet);
}

void RenderManager::cmdSetWaterQuality(TypedConsoleCommand& line)
{
    MyQuality quality = QUALITY_NONE;
    if (!qualityFromWord(line.getParamString(0), quality)) {
        line.setAnswer(helpOf(kCommands, L"RP_setWaterQuality"));
        return;
    }
    setWaterQuality(quality);
    line.setAnswer(kSet);
}

void RenderManager::cmdSkipPosteffects(TypedConsoleCommand& line)
{
    setSkipPostEffects(static_cast<uint32_t>(line.getParamInt(0)));
    line.setAnswer(kSet);
}

void RenderManager::cmdPrintActiveRefCnts(TypedConsoleCommand& line)
{
    std::wstring text;
    for (const RenderPass* pass : m_passes)
        text += pass->getName() + L' ' + std::to_wstring(pass->getRefCount()) + L'\n';
    line.setAnswer(text);
}

// ------------------------------------------------------------------ HDR

HDRStage* RenderManager::hdrFor(TypedConsoleCommand& line) const
{
    if (!m_hdr)
        line.setAnswer(L"kein HDR Renderer vorhanden");
    return m_hdr.get();
}

void RenderManager::cmdHDR(TypedConsoleCommand& line)
{
    if (!hdrFor(line))
        return;
    long long mode = 0;
    if (!wholeNumber(line, 0, 0, 7, mode)) {
        line.setAnswer(helpOf(kCommands, L"RP_HDR"));
        return;
    }
    if (setHDRMode(static_cast<uint32_t>(mode)))
        line.setAnswer(kSet);
    else
        line.setAnswer(L"HDR Buffer konnten nicht erstellt werden; HDR ist aus");
}

void RenderManager::cmdHDRMiddleGray(TypedConsoleCommand& line)
{
    if (HDRStage* hdr = hdrFor(line)) {
        hdr->setMiddleGray(line.getParamFloat(0));
        line.setAnswer(kSet);
    }
}

void RenderManager::cmdHDRTonemapping(TypedConsoleCommand& line)
{
    if (HDRStage* hdr = hdrFor(line)) {
        hdr->setToneMapping(line.getParamInt(0));
        line.setAnswer(kSet);
    }
}

void RenderManager::cmdHDRBlueshift(TypedConsoleCommand& line)
{
    if (HDRStage* hdr = hdrFor(line)) {
        hdr->setBlueShift(line.getParamBool(0));
        line.setAnswer(kSet);
    }
}

void RenderManager::cmdHDRBloomStarScale(TypedConsoleCommand& line)
{
    if (HDRStage* hdr = hdrFor(line)) {
        hdr->setBloomStarScale(line.getParamFloat(0), line.getParamFloat(1));
        line.setAnswer(kSet);
    }
}

void RenderManager::cmdHDRGlareType(TypedConsoleCommand& line)
{
    if (HDRStage* hdr = hdrFor(line)) {
        hdr->setGlareType(line.getParamInt(0));
        line.setAnswer(kSet);
    }
}

void RenderManager::cmdHDRMinMaxLuminance(TypedConsoleCommand& line)
{
    if (HDRStage* hdr = hdrFor(line)) {
        hdr->setMinMaxLuminance(line.getParamFloat(0), line.getParamFloat(1));
        line.setAnswer(kSet);
    }
}

void RenderManager::cmdHDRBrightPassParams(TypedConsoleCommand& line)
{
    if (HDRStage* hdr = hdrFor(line)) {
        hdr->setBrightPassParams(line.getParamFloat(0), line.getParamFloat(1));
        line.setAnswer(kSet);
    }
}

void RenderManager::cmdHDRSaveAll(TypedConsoleCommand& line)
{
    std::wstring folder;
    if (HDRStage* hdr = hdrFor(line); hdr && folderOf(line, folder))
        line.setAnswer(savedAnswer(hdr->saveBuffers(folder), folder));
}

// ------------------------------------------------------------------ deferred

DeferredStage* RenderManager::deferredFor(TypedConsoleCommand& line) const
{
    if (!m_deferred)
        line.setAnswer(L"kein Deferred Renderer vorhanden");
    return m_deferred.get();
}

void RenderManager::cmdDEF(TypedConsoleCommand& line)
{
    if (DeferredStage* deferred = deferredFor(line)) {
        long long flag = 0;
        if (!wholeNumber(line, 0, 0, 1, flag)) {
            line.setAnswer(helpOf(kCommands, L"RP_DEF"));
            return;
        }
        const bool on = flag != 0;
        m_settings.set(RenderSetting::DeferredAllowed, on ? 1u : 0u);
        deferred->setEnabled(on);
        line.setAnswer(kSet);
    }
}

void RenderManager::cmdDEFSaveAll(TypedConsoleCommand& line)
{
    std::wstring folder;
    if (DeferredStage* deferred = deferredFor(line); deferred && folderOf(line, folder))
        line.setAnswer(savedAnswer(deferred->saveBuffers(folder), folder));
}

void RenderManager::cmdDEFAddPointLight(TypedConsoleCommand& line)
{
    if (DeferredStage* deferred = deferredFor(line)) {
        const bool added = deferred->addPointLight(line.getToken(0), colourAt(line, 1), vectorAt(line, 2),
                                                   line.getParamFloat(5), line.getParamFloat(6));
        line.setAnswer(added ? L"erstellt" : kLightExists);
    }
}

void RenderManager::cmdDEFAddDirectionalLight(TypedConsoleCommand& line)
{
    if (DeferredStage* deferred = deferredFor(line)) {
        const bool added = deferred->addDirectionalLight(line.getToken(0), colourAt(line, 1), vectorAt(line, 2),
                                                         line.getParamFloat(5));
        line.setAnswer(added ? L"erstellt" : kLightExists);
    }
}

void RenderManager::cmdDEFAddSpotLight(TypedConsoleCommand& line)
{
    if (DeferredStage* deferred = deferredFor(line)) {
        const bool added =
            deferred->addSpotLight(line.getToken(0), colourAt(line, 1), vectorAt(line, 2), vectorAt(line, 5),
                                   line.getParamFloat(8), line.getParamFloat(9), line.getParamFloat(10));
        line.setAnswer(added ? L"erstellt" : kLightExists);
    }
}

void RenderManager::cmdDEFRemoveLight(TypedConsoleCommand& line)
{
    if (DeferredStage* deferred = deferredFor(line))
        line.setAnswer(deferred->removeLightByName(line.getToken(0)) ? L"gelöscht!"
                                                                     : L"es gibt kein Licht mit diesen Namen!");
}

void RenderManager::cmdDEFBlurLights(TypedConsoleCommand& line)
{
    if (DeferredStage* deferred = deferredFor(line)) {
        deferred->setBlurLights(line.getParamBool(0));
        line.setAnswer(kSet);
    }
}

// ------------------------------------------------------------------ completion

void RenderManager::completeMapping(TypedConsoleCommand& line, std::vector<std::wstring>& candidates, bool vector)
{
    const std::wstring typed = line.getToken(0);
    for (const MappedParameterInfo& info : getMappedParameters()) {
        const bool isVector = info.kind == 1;
        if (isVector == vector && info.kind != 12)
            addIfPrefix(info.mapping, typed, candidates);
    }
}

void RenderManager::completeFloatMapping(TypedConsoleCommand& line, std::vector<std::wstring>& candidates)
{
    completeMapping(line, candidates, false);
}

void RenderManager::completeVectorMapping(TypedConsoleCommand& line, std::vector<std::wstring>& candidates)
{
    completeMapping(line, candidates, true);
}

void RenderManager::completeDefinedEffect(TypedConsoleCommand& line, std::vector<std::wstring>& candidates)
{
    const std::wstring typed = line.getToken(0);
    for (const RenderPostEffect* effect : m_postEffectList)
        addIfPrefix(effect->getName(), typed, candidates);
}

void RenderManager::completeActiveEffect(TypedConsoleCommand& line, std::vector<std::wstring>& candidates)
{
    const std::wstring typed = line.getToken(0);
    for (const RenderPostEffect* effect : getActivePostEffects())
        addIfPrefix(effect->getName(), typed, candidates);
}

void RenderManager::completeQuality(TypedConsoleCommand& line, std::vector<std::wstring>& candidates)
{
    const std::wstring typed = line.getParamString(0);
    for (const wchar_t* word : {L"off", L"low", L"med", L"high"})
        addIfPrefix(word, typed, candidates);
}

} // namespace Ulvo
