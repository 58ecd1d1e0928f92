#include "devices/sound/Wavebank.h"

#include "devices/sound/SoundInterface.h"
#include "foundation/files/File.h"
#include "foundation/logging/FailedCall.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"

namespace Ulvo {

bool readSoundBankFile(XMLNode* node, unsigned char*& data, uint32_t& size, std::wstring& fileName)
{
    data = nullptr;
    size = 0;
    XMLNode* fileNode = node ? node->getNode(L"FILE") : nullptr;
    if (!fileNode)
        return false;
    File file(fileNode);
    fileName = file.getFileName();
    if (!file.isOpen()) {
        mainLogger().log(75, LOG_TYPE_ERROR, L"Sound bank file not found: ", fileName, L"\n");
        return false;
    }
    if (!file.getFILE_DATA(data, size)) {
        data = nullptr;
        size = 0;
        return false;
    }
    return true;
}

void logDamagedBank(const std::wstring& fileName)
{
    mainLogger().log(
        75, LOG_TYPE_ERROR,
        L"Sound bank file refused by the sound engine (empty, damaged or not matching the global settings): ", fileName,
        L"\n");
}

Wavebank::Wavebank(XMLNode* node) : NamedObject(node)
{
    IXACT3Engine* engine = SoundInterface::getInstance()->getXACT3Engine();
    std::wstring fileName;
    if (!engine || !readSoundBankFile(node, m_wavebankfile_data, m_wavebankfile_size, fileName))
        return;
    if (FAILED(engine->CreateInMemoryWaveBank(m_wavebankfile_data, m_wavebankfile_size, 0, 0, &m_wavebank))) {
        m_wavebank = nullptr;
        logFailedCall(mainLogger(), L"Ulvo::Wavebank::Wavebank", __LINE__,
                      L"SoundInterface::getInstance().getXACT3Engine()->CreateInMemoryWaveBank(m_wavebankfile_data,"
                      L"m_wavebankfile_size,0,0,&m_wavebank)");
        logDamagedBank(fileName);
    }
}

Wavebank::~Wavebank()
{
    // The engine ends its banks at shut-down; one let go earlier ends here,
    // before the data it reads in place is freed.
    if (m_wavebank && SoundInterface::isEngineRunning())
        m_wavebank->Destroy();
    m_wavebank = nullptr;
    delete[] m_wavebankfile_data;
    m_wavebankfile_data = nullptr;
}

} // namespace Ulvo
