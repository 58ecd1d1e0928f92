#pragma once
// Sound banks, wave banks and cues over FAudio's FACT objects. Each checks the indices it is
// given against what the checked reader learnt from the bank before FAudio sees them.
#include <xact3.h>

#include "xact/XactFormats.h"

#include <FACT.h>

namespace XactInternal {

class Engine;

class SoundBank final : public IXACT3SoundBank {
public:
    SoundBank(Engine& engine, FACTSoundBank* bank, SoundBankInfo info);
    SoundBank(const SoundBank&) = delete;
    SoundBank& operator=(const SoundBank&) = delete;
    ~SoundBank() = default;

    XACTINDEX GetCueIndex(PCSTR szFriendlyName) override;
    HRESULT GetNumCues(XACTINDEX* pnNumCues) override;
    HRESULT Prepare(XACTINDEX nCueIndex, DWORD dwFlags, XACTTIME timeOffset, IXACT3Cue** ppCue) override;
    HRESULT Play(XACTINDEX nCueIndex, DWORD dwFlags, XACTTIME timeOffset, IXACT3Cue** ppCue) override;
    HRESULT Stop(XACTINDEX nCueIndex, DWORD dwFlags) override;
    HRESULT Destroy() override;
    HRESULT GetState(DWORD* pdwState) override;

    FACTSoundBank* fact() const { return m_bank; }
    const SoundBankInfo& info() const { return m_info; }
    void expire() { m_bank = nullptr; }

private:
    // INVALIDUSAGE once the bank is gone, INVALIDCUEINDEX past its cues.
    HRESULT checkCue(XACTINDEX index) const;
    // checkCue, then NOWAVEBANK while a wave bank the cue needs is missing.
    HRESULT checkPlayableCue(XACTINDEX index) const;

    Engine& m_engine;
    FACTSoundBank* m_bank;
    SoundBankInfo m_info;
};

class WaveBank final : public IXACT3WaveBank {
public:
    WaveBank(Engine& engine, FACTWaveBank* bank, WaveBankInfo info);
    WaveBank(const WaveBank&) = delete;
    WaveBank& operator=(const WaveBank&) = delete;
    ~WaveBank() = default;

    HRESULT Destroy() override;
    HRESULT GetNumWaves(XACTINDEX* pnNumWaves) override;
    HRESULT GetState(DWORD* pdwState) override;

    FACTWaveBank* fact() const { return m_bank; }
    const WaveBankInfo& info() const { return m_info; }
    void expire() { m_bank = nullptr; }

private:
    Engine& m_engine;
    FACTWaveBank* m_bank;
    WaveBankInfo m_info;
};

class Cue final : public IXACT3Cue {
public:
    Cue(Engine& engine, SoundBank& bank, FACTCue* cue, XACTINDEX index);
    Cue(const Cue&) = delete;
    Cue& operator=(const Cue&) = delete;
    ~Cue() = default;

    HRESULT Play() override;
    HRESULT Stop(DWORD dwFlags) override;
    HRESULT GetState(DWORD* pdwState) override;
    HRESULT Destroy() override;
    HRESULT SetMatrixCoefficients(UINT32 uSrcChannelCount, UINT32 uDstChannelCount,
                                  float* pMatrixCoefficients) override;
    XACTVARIABLEINDEX GetVariableIndex(PCSTR szFriendlyName) override;
    HRESULT SetVariable(XACTVARIABLEINDEX nIndex, XACTVARIABLEVALUE nValue) override;
    HRESULT GetVariable(XACTVARIABLEINDEX nIndex, XACTVARIABLEVALUE* nValue) override;
    HRESULT Pause(BOOL fPause) override;

    FACTCue* fact() const { return m_cue; }
    SoundBank* bank() const { return m_bank; }
    XACTINDEX index() const { return m_index; }
    void expire()
    {
        m_cue = nullptr;
        m_bank = nullptr;
    }

private:
    // A cue variable index that may be read (and, with `write`, written).
    bool usableVariable(XACTVARIABLEINDEX index, bool write) const;

    Engine& m_engine;
    SoundBank* m_bank;
    FACTCue* m_cue;
    XACTINDEX m_index;
};

} // namespace XactInternal
