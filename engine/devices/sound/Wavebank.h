#pragma once
// An in-memory wave bank of the sound engine, read whole from its file; the
// engine reads the waves in place, so the buffer lives as long as the bank.
#include "foundation/objects/NamedObject.h"

#include <xact3.h>

#include <cstdint>
#include <string>

namespace Ulvo {

class XMLNode;

class Wavebank : public NamedObject {
public:
    // NAME and the child node FILE (the bank file).
    explicit Wavebank(XMLNode* node);
    ~Wavebank() override;
    Wavebank(const Wavebank&) = delete;
    Wavebank& operator=(const Wavebank&) = delete;

    IXACT3WaveBank* getXACTWaveBank() const { return m_wavebank; }

private:
    unsigned char* m_wavebankfile_data = nullptr;
    uint32_t m_wavebankfile_size = 0;
    IXACT3WaveBank* m_wavebank = nullptr;
};

// Reads the bank file that the node's FILE child describes into a new buffer
// (free with delete[]); false, with a log line, when there is none or it
// cannot be read.
bool readSoundBankFile(XMLNode* node, unsigned char*& data, uint32_t& size, std::wstring& fileName);
// The log line that names a bank file the sound engine refused.
void logDamagedBank(const std::wstring& fileName);

} // namespace Ulvo
