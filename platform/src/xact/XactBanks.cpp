// Sound banks, wave banks and cues: index checks in front of FAudio's FACT objects.
#include "xact/XactBanks.h"
#include "xact/XactEngine.h"

#include <utility>

namespace XactInternal {

namespace {

// GetState of a bank or cue: once FAudio's object is gone the caller sees
// goneState and XACTENGINE_E_INVALIDUSAGE.
template <class FactObject, class Query>
HRESULT readState(FactObject* object, Query query, DWORD goneState, DWORD* pdwState)
{
    if (!pdwState)
        return E_POINTER;
    if (!object) {
        *pdwState = goneState;
        return XACTENGINE_E_INVALIDUSAGE;
    }
    uint32_t state = 0;
    query(object, &state);
    *pdwState = state;
    return S_OK;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// SoundBank

SoundBank::SoundBank(Engine& engine, FACTSoundBank* bank, SoundBankInfo info)
    : m_engine(engine), m_bank(bank), m_info(std::move(info))
{
}

XACTINDEX SoundBank::GetCueIndex(PCSTR szFriendlyName)
{
    if (!m_bank || !szFriendlyName)
        return XACTINDEX_INVALID;
    for (size_t i = 0; i < m_info.cueNames.size(); ++i)
        if (m_info.cueNames[i] == szFriendlyName)
            return static_cast<XACTINDEX>(i);
    return XACTINDEX_INVALID;
}

HRESULT SoundBank::GetNumCues(XACTINDEX* pnNumCues)
{
    if (!pnNumCues)
        return E_POINTER;
    if (!m_bank)
        return XACTENGINE_E_INVALIDUSAGE;
    *pnNumCues = m_info.cueCount;
    return S_OK;
}

HRESULT SoundBank::checkCue(XACTINDEX index) const
{
    if (!m_bank)
        return XACTENGINE_E_INVALIDUSAGE;
    if (index >= m_info.cueCount)
        return XACTENGINE_E_INVALIDCUEINDEX;
    return S_OK;
}

HRESULT SoundBank::checkPlayableCue(XACTINDEX index) const
{
    const HRESULT hr = checkCue(index);
    if (FAILED(hr))
        return hr;
    if (!m_engine.wavesPlayable(m_info, m_info.cueWaves[index]))
        return XACTENGINE_E_NOWAVEBANK;
    return S_OK;
}

HRESULT SoundBank::Prepare(XACTINDEX nCueIndex, DWORD dwFlags, XACTTIME, IXACT3Cue** ppCue)
{
    if (!ppCue)
        return E_POINTER;
    *ppCue = nullptr;
    const HRESULT hr = checkPlayableCue(nCueIndex);
    if (FAILED(hr))
        return hr;
    FACTCue* cue = nullptr;
    if (FACTSoundBank_Prepare(m_bank, nCueIndex, dwFlags, 0, &cue) != 0 || !cue)
        return E_FAIL;
    *ppCue = m_engine.adoptCue(*this, cue, nCueIndex);
    return S_OK;
}

HRESULT SoundBank::Play(XACTINDEX nCueIndex, DWORD dwFlags, XACTTIME timeOffset, IXACT3Cue** ppCue)
{
    if (ppCue)
        *ppCue = nullptr;
    HRESULT hr = checkPlayableCue(nCueIndex);
    if (FAILED(hr))
        return hr;
    if (!ppCue) {
        // Fire and forget: FAudio destroys the cue when it ends.
        return FACTSoundBank_Play(m_bank, nCueIndex, dwFlags, 0, nullptr) == 0 ? S_OK : E_FAIL;
    }
    IXACT3Cue* cue = nullptr;
    hr = Prepare(nCueIndex, dwFlags, timeOffset, &cue);
    if (FAILED(hr))
        return hr;
    hr = cue->Play();
    if (FAILED(hr)) {
        cue->Destroy();
        return hr;
    }
    *ppCue = cue;
    return S_OK;
}

HRESULT SoundBank::Stop(XACTINDEX nCueIndex, DWORD dwFlags)
{
    const HRESULT hr = checkCue(nCueIndex);
    if (FAILED(hr))
        return hr;
    FACTSoundBank_Stop(m_bank, nCueIndex, dwFlags & XACT_FLAG_SOUNDBANK_STOP_IMMEDIATE);
    return S_OK;
}

HRESULT SoundBank::Destroy()
{
    m_engine.destroySoundBank(this);
    return S_OK;
}

HRESULT SoundBank::GetState(DWORD* pdwState)
{
    return readState(m_bank, FACTSoundBank_GetState, 0, pdwState);
}

// ---------------------------------------------------------------------------------------------
// WaveBank

WaveBank::WaveBank(Engine& engine, FACTWaveBank* bank, WaveBankInfo info)
    : m_engine(engine), m_bank(bank), m_info(std::move(info))
{
}

HRESULT WaveBank::Destroy()
{
    m_engine.destroyWaveBank(this);
    return S_OK;
}

HRESULT WaveBank::GetNumWaves(XACTINDEX* pnNumWaves)
{
    if (!pnNumWaves)
        return E_POINTER;
    if (!m_bank)
        return XACTENGINE_E_INVALIDUSAGE;
    *pnNumWaves = static_cast<XACTINDEX>(m_info.entryCount);
    return S_OK;
}

HRESULT WaveBank::GetState(DWORD* pdwState)
{
    return readState(m_bank, FACTWaveBank_GetState, 0, pdwState);
}

// ---------------------------------------------------------------------------------------------
// Cue

Cue::Cue(Engine& engine, SoundBank& bank, FACTCue* cue, XACTINDEX index)
    : m_engine(engine), m_bank(&bank), m_cue(cue), m_index(index)
{
}

HRESULT Cue::Play()
{
    if (!m_cue)
        return XACTENGINE_E_INVALIDUSAGE;
    // The wave bank may have gone since Prepare.
    if (!m_engine.wavesPlayable(m_bank->info(), m_bank->info().cueWaves[m_index]))
        return XACTENGINE_E_NOWAVEBANK;
    uint32_t state = 0;
    FACTCue_GetState(m_cue, &state);
    if (!(state & XACT_STATE_PREPARED))
        return XACTENGINE_E_INVALIDUSAGE;
    return FACTCue_Play(m_cue) == 0 ? S_OK : E_FAIL;
}

HRESULT Cue::Stop(DWORD dwFlags)
{
    if (!m_cue)
        return XACTENGINE_E_INVALIDUSAGE;
    FACTCue_Stop(m_cue, dwFlags & XACT_FLAG_CUE_STOP_IMMEDIATE);
    return S_OK;
}

HRESULT Cue::GetState(DWORD* pdwState)
{
    return readState(m_cue, FACTCue_GetState, XACT_STATE_STOPPED, pdwState);
}

HRESULT Cue::Destroy()
{
    m_engine.destroyCue(this);
    return S_OK;
}

HRESULT Cue::SetMatrixCoefficients(UINT32 uSrcChannelCount, UINT32 uDstChannelCount, float* pMatrixCoefficients)
{
    if (!pMatrixCoefficients)
        return E_POINTER;
    if (!m_cue)
        return XACTENGINE_E_INVALIDUSAGE;
    // FAudio keeps at most a stereo source over 7.1 output.
    if (uSrcChannelCount < 1 || uSrcChannelCount > 2 || uDstChannelCount < 1 || uDstChannelCount > 8)
        return E_INVALIDARG;
    FACTCue_SetMatrixCoefficients(m_cue, uSrcChannelCount, uDstChannelCount, pMatrixCoefficients);
    return S_OK;
}

bool Cue::usableVariable(XACTVARIABLEINDEX index, bool write) const
{
    const auto& variables = m_engine.settings().variables;
    if (index >= variables.size())
        return false;
    uint8_t a = variables[index].accessibility;
    if (!(a & kVariableCueInstance) || !(a & kVariablePublic))
        return false;
    return !(write && (a & kVariableReadOnly));
}

XACTVARIABLEINDEX Cue::GetVariableIndex(PCSTR szFriendlyName)
{
    if (!m_cue || !szFriendlyName)
        return XACTVARIABLEINDEX_INVALID;
    const auto& variables = m_engine.settings().variables;
    for (size_t i = 0; i < variables.size(); ++i)
        if ((variables[i].accessibility & kVariableCueInstance) && variables[i].name == szFriendlyName)
            return static_cast<XACTVARIABLEINDEX>(i);
    return XACTVARIABLEINDEX_INVALID;
}

HRESULT Cue::SetVariable(XACTVARIABLEINDEX nIndex, XACTVARIABLEVALUE nValue)
{
    if (!m_cue)
        return XACTENGINE_E_INVALIDUSAGE;
    if (!usableVariable(nIndex, true))
        return XACTENGINE_E_INVALIDVARIABLEINDEX;
    if (nValue != nValue)
        return E_INVALIDARG;
    FACTCue_SetVariable(m_cue, nIndex, nValue);
    return S_OK;
}

HRESULT Cue::GetVariable(XACTVARIABLEINDEX nIndex, XACTVARIABLEVALUE* nValue)
{
    if (!nValue)
        return E_POINTER;
    if (!m_cue)
        return XACTENGINE_E_INVALIDUSAGE;
    if (!usableVariable(nIndex, false))
        return XACTENGINE_E_INVALIDVARIABLEINDEX;
    float value = 0.0f;
    FACTCue_GetVariable(m_cue, nIndex, &value);
    *nValue = value;
    return S_OK;
}

HRESULT Cue::Pause(BOOL fPause)
{
    if (!m_cue)
        return XACTENGINE_E_INVALIDUSAGE;
    FACTCue_Pause(m_cue, fPause ? 1 : 0);
    return S_OK;
}

} // namespace XactInternal
