#include "graphics/effects/Effect.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/files/File.h"
#include "foundation/files/GOBManager.h"
#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"
#include "foundation/text/StringConversion.h"
#include "foundation/text/Utf16.h"
#include "graphics/effects/EffectInclude.h"
#include "graphics/effects/EffectManager.h"
#include "graphics/effects/EffectPool.h"

#include <cstdio>
#include <cctype>
#include <cstring>
#include <string_view>

namespace Ulvo {

bool useCompiledEffects = true;
bool writeCompiledEffects = true;
// An installed program points it at the user's cache folder (app/StartFolders.h).
std::wstring compiledEffectFolder = L"FXCache";

namespace {

FileLogger& effectLog()
{
    return moduleLogger(LogModule::Effect);
}

std::wstring widen(LPCSTR text)
{
    return text ? toWString(text) : std::wstring();
}

std::wstring bufferText(ID3DXBuffer* buffer)
{
    if (!buffer || !buffer->GetBufferPointer() || buffer->GetBufferSize() == 0)
        return std::wstring();
    const char* text = static_cast<const char*>(buffer->GetBufferPointer());
    return toWString(std::string(text, strnlen(text, buffer->GetBufferSize())));
}

void showError(const std::wstring& text)
{
    // The platform's message box never blocks without a display; the log has the text too.
    MessageBoxW(nullptr, text.c_str(), L"Fehler!", MB_ICONERROR);
}

// The effect source as ANSI text: UTF-16LE after a byte-order mark, multibyte otherwise.
std::string sourceText(const unsigned char* bytes, uint32_t size)
{
    if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        std::wstring wide;
        decodeUtf16LE(bytes + 2, size - 2, wide);
        return toString(wide);
    }
    return std::string(reinterpret_cast<const char*>(bytes), size);
}

} // namespace

bool blendsWithTargetAlpha(const char* text, size_t size)
{
    // Lower case, without the zero bytes of UTF-16 text.
    std::string t;
    t.reserve(size);
    for (size_t i = 0; i < size; ++i)
        if (text[i])
            t.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(text[i]))));
    if (t.find("destalpha") != std::string::npos || t.find("srcalphasat") != std::string::npos)
        return true;
    const auto skipSpace = [&t](size_t i) {
        while (i < t.size() && std::isspace(static_cast<unsigned char>(t[i])))
            ++i;
        return i;
    };
    for (const std::string_view name : {std::string_view("srcblend"), std::string_view("destblend")}) {
        for (size_t at = t.find(name); at != std::string::npos; at = t.find(name, at + 1)) {
            size_t i = at + name.size();
            if (t.compare(i, 5, "alpha") == 0)
                i += 5;
            i = skipSpace(i);
            if (i < t.size() && t[i] == '[') {
                i = t.find(']', i);
                if (i == std::string::npos)
                    break;
                i = skipSpace(i + 1);
            }
            if (i >= t.size() || t[i] != '=')
                continue;
            i = skipSpace(i + 1);
            if (i < t.size() && (std::isdigit(static_cast<unsigned char>(t[i])) || t[i] == '('))
                return true;
        }
    }
    return false;
}

Effect::Effect(const bool& shaderDebugging) : m_shaderDebugging(shaderDebugging) {}

Effect::~Effect()
{
    releaseEffect();
}

void Effect::releaseEffect()
{
    releaseAndNull(m_effect);
    m_parameterIndex.clear();
    m_parameters.clear();
    m_techniqueIndex.clear();
    m_techniques.clear();
    m_loaded = false;
    m_mayBlendWithTargetAlpha = false;
}

bool Effect::createFromNode(XMLNode* node)
{
    FileLogger& log = effectLog();
    log.log(10, LOG_TYPE_INFO, L"Ulvo::Effect::createFromNode\n");
    LogIndent<FileLogger> indent(log);
    releaseEffect();
    if (!node)
        return false;
    // The node may be our own stored definition (reload hands a copy, but be safe).
    XMLNode definition(*node);

    std::wstring name;
    if (definition.readString(L"NAME", name))
        rename(name);
    definition.readBool(L"PRE_COMPILE", m_preCompile);
    ID3DXEffectPool* pool = nullptr;
    std::wstring poolName;
    if (definition.readString(L"EFFECT_POOL", poolName)) {
        if (EffectPool* found = EffectManager::getInstance()->getEffectPool(poolName))
            pool = found->getPool();
    }
    if (XMLNode* macros = definition.getNode(L"MACROS"))
        m_macros = readMacros(macros);

    XMLNode* fileNode = definition.getNode(L"FILE");
    if (!fileNode)
        return false;
    File file(fileNode);
    if (!file.isOpen()) {
        log.log(100, LOG_TYPE_ERROR, L"Ulvo::Effect::createFromNode File not loaded\n");
        return false;
    }
    unsigned char* bytes = nullptr;
    uint32_t size = 0;
    if (!file.getFILE_DATA(bytes, size) || !bytes) {
        log.log(100, LOG_TYPE_ERROR, L"Ulvo::Effect::createFromNode cant get FileData\n");
        return false;
    }
    std::unique_ptr<unsigned char[]> fileBytes(bytes);

    EffectInclude include;
    include.setDirectory(File::getPath(file.getFileName()));
    creating(*this);

    const DWORD flags =
        m_shaderDebugging ? (D3DXSHADER_ENABLE_BACKWARDS_COMPATIBILITY | D3DXSHADER_DEBUG | D3DXSHADER_SKIPOPTIMIZATION)
                          : D3DXSHADER_ENABLE_BACKWARDS_COMPATIBILITY;
    getCompiledFileName(file.getFileName());
    const bool mayUseCache = useCompiledEffects && m_preCompile;
    HRESULT failure = E_FAIL;
    m_readCompiledCopy = false;
    ID3DXBuffer* compiled = compile(file.getFileName(), fileBytes.get(), size, flags, &include, mayUseCache, failure);
    if (!compiled) {
        log.log(100, LOG_TYPE_ERROR, L"Ulvo::Effect::createFromNode D3DXCreateEffect() failed NAME: ", getName(),
                L" HRESULT: ", std::to_wstring(static_cast<long>(failure)), L"\n");
        return false;
    }

    IDirect3DDevice9* device = D3DInterface::getInstance()->getDevice();
    ID3DXBuffer* errors = nullptr;
    HRESULT hr = D3DXCreateEffect(device, compiled->GetBufferPointer(), compiled->GetBufferSize(),
                                  m_macros.getD3DXMacros(), &include, flags, pool, &m_effect, &errors);
    releaseAndNull(compiled);
    const std::wstring errorText = bufferText(errors);
    releaseAndNull(errors);
    if (FAILED(hr) || !m_effect) {
        m_effect = nullptr;
        if (!errorText.empty()) {
            showError(file.getFileName() + L"\nD3DXCreateEffect() schlug fehl\n" + errorText);
            log.log(100, LOG_TYPE_ERROR, L"Ulvo::Effect::createFromNode D3DXCreateEffect() failed", getName(), L"\n");
            log.log(100, LOG_TYPE_ERROR, errorText, L"\n");
        } else {
            log.log(100, LOG_TYPE_ERROR, L"Ulvo::Effect::createFromNode D3DXCreateEffect() failed NAME: ", getName(),
                    L" HRESULT: ", std::to_wstring(static_cast<long>(hr)), L"\n");
        }
        return false;
    }
    if (!errorText.empty())
        log.log(50, LOG_TYPE_WARNING, L"Ulvo::Effect::createFromNode", file.getFileName(), L"\n",
                L"D3DXCreateEffect() erzeugte folgende Ausgabe:\n", errorText, L"\n");

    m_mayBlendWithTargetAlpha = m_readCompiledCopy || include.openedBlendsWithTargetAlpha() ||
                                blendsWithTargetAlpha(reinterpret_cast<const char*>(fileBytes.get()), size);
    m_loaded = true;
    log.log(10, LOG_TYPE_INFO, L"Ulvo::Effect::createFromNode ", getName(), L" is OK\n");
    if (!isFollowingDevice())
        followDevice();
    m_definition = definition;
    indexEffect(&definition);
    return m_loaded;
}

ID3DXBuffer* Effect::compile(const std::wstring& fileName, const unsigned char* bytes, uint32_t size, DWORD flags,
                             ID3DXInclude* include, bool mayUseCache, HRESULT& failure)
{
    FileLogger& log = effectLog();
    GOBOrder* order = GOBManager::getInstance()->getGOBOrder(L"DEFAULT");
    if (mayUseCache && File::FileExists(m_compiledFileName, order)) {
        File cached(m_compiledFileName);
        unsigned char* cachedBytes = nullptr;
        uint32_t cachedSize = 0;
        ID3DXBuffer* buffer = nullptr;
        if (cached.loadFile(m_compiledFileName, order) && cached.getFILE_DATA(cachedBytes, cachedSize) &&
            SUCCEEDED(failure = D3DXCreateBuffer(cachedSize, &buffer))) {
            std::memcpy(buffer->GetBufferPointer(), cachedBytes, cachedSize);
        }
        delete[] cachedBytes;
        m_readCompiledCopy = buffer != nullptr;
        return buffer;
    }

    const std::string source = sourceText(bytes, size);
    ID3DXEffectCompiler* compiler = nullptr;
    ID3DXBuffer* errors = nullptr;
    failure = D3DXCreateEffectCompiler(source.c_str(), static_cast<UINT>(source.size()), m_macros.getD3DXMacros(),
                                       include, flags, &compiler, &errors);
    if (FAILED(failure) || !compiler) {
        const std::wstring text = bufferText(errors);
        releaseAndNull(errors);
        if (!text.empty()) {
            showError(fileName + L"\nD3DXCreateEffectCompiler() schlug fehl\n" + text);
            log.log(100, LOG_TYPE_ERROR, L"Ulvo::Effect::createFromNode D3DXCreateEffectCompiler() failed", getName(),
                    L"\n");
            log.log(100, LOG_TYPE_ERROR, text, L"\n");
        }
        if (compiler)
            compiler->Release();
        return nullptr;
    }
    releaseAndNull(errors);
    ID3DXBuffer* compiled = nullptr;
    failure = compiler->CompileEffect(flags, &compiled, &errors);
    compiler->Release();
    if (FAILED(failure) || !compiled) {
        const std::wstring text = bufferText(errors);
        releaseAndNull(errors);
        releaseAndNull(compiled);
        if (!text.empty()) {
            showError(fileName + L"\nCompileEffect() schlug fehl\n" + text);
            log.log(100, LOG_TYPE_ERROR, L"Ulvo::Effect::createFromNode CompileEffect() failed", getName(), L"\n");
            log.log(100, LOG_TYPE_ERROR, text, L"\n");
        }
        return nullptr;
    }
    releaseAndNull(errors);
    if (writeCompiledEffects && mayUseCache) {
        CreateDirectoryW(compiledEffectFolder.c_str(), nullptr);
        // Through the checked path: a link in the cache never leads the write elsewhere.
        File::writeReplacing(m_compiledFileName, [compiled](const std::wstring& temporary) {
            FILE* out = _wfopen(temporary.c_str(), L"wb");
            if (!out)
                return false;
            bool written = std::fwrite(compiled->GetBufferPointer(), 1, compiled->GetBufferSize(), out) ==
                           compiled->GetBufferSize();
            written = std::fclose(out) == 0 && written;
            return written;
        });
    }
    return compiled;
}

void Effect::indexEffect(XMLNode* node)
{
    for (UINT index = 0;; ++index) {
        D3DXHANDLE handle = m_effect->GetTechnique(index);
        if (!handle)
            break;
        auto info = std::make_unique<EffectTechniqueInfo>();
        info->handle = handle;
        m_effect->GetTechniqueDesc(handle, &info->description);
        info->name = widen(info->description.Name);
        m_techniqueIndex[info->name] = info.get();
        m_techniques.push_back(std::move(info));
    }
    for (UINT index = 0;; ++index) {
        D3DXHANDLE handle = m_effect->GetParameter(nullptr, index);
        if (!handle)
            break;
        auto info = std::make_unique<EffectParameterInfo>();
        info->handle = handle;
        m_effect->GetParameterDesc(handle, &info->description);
        info->name = widen(info->description.Name);
        m_parameterIndex[info->name] = info.get();
        m_parameters.push_back(std::move(info));
    }
    std::wstring name;
    std::wstring userName;
    for (const XMLNode* child : node->getNodes()) {
        if (child->getName() != L"HANDLE_USERNAME" && child->getName() != L"TECHNIQUE_USERNAME")
            continue;
        if (!child->readString(L"NAME", name) || !child->readString(L"USER_NAME", userName))
            continue;
        if (child->getName() == L"HANDLE_USERNAME")
            renameHandle(name, userName);
        else
            renameTechnique(name, userName);
    }
}

bool Effect::reload()
{
    if (!m_loaded)
        return false;
    releaseAndNull(m_effect);
    XMLNode definition(m_definition);
    if (createFromNode(&definition))
        reloaded(*this);
    return m_loaded;
}

D3DXHANDLE Effect::getHandle(const std::wstring& name) const
{
    auto found = m_parameterIndex.find(name);
    return found == m_parameterIndex.end() ? nullptr : found->second->handle;
}

D3DXHANDLE Effect::getHandle(const wchar_t* name) const
{
    if (!name)
        return nullptr;
    auto found = m_parameterIndex.find(name);
    return found == m_parameterIndex.end() ? nullptr : found->second->handle;
}

D3DXHANDLE Effect::getTechnique(const unsigned int& index) const
{
    return index < m_techniques.size() ? m_techniques[index]->handle : nullptr;
}

namespace {

template <class Info>
bool renameIn(std::map<std::wstring, Info*, std::less<>>& index, const std::wstring& name, const std::wstring& userName)
{
    auto found = index.find(name);
    if (found == index.end())
        return false;
    Info* info = found->second;
    index.erase(found);
    info->name = userName;
    index.emplace(userName, info); // an existing entry under userName stays
    return true;
}

} // namespace

bool Effect::renameHandle(const std::wstring& name, const std::wstring& userName)
{
    return renameIn(m_parameterIndex, name, userName);
}

bool Effect::renameTechnique(const std::wstring& name, const std::wstring& userName)
{
    return renameIn(m_techniqueIndex, name, userName);
}

std::wstring Effect::getCompiledFileName(const std::wstring& sourceFileName)
{
    std::wstring fileName = compiledEffectFolder;
    if (!fileName.empty())
        fileName += L"\\";
    fileName += getName();
    fileName += L"_";
    fileName += File::getFileNameFromPath(sourceFileName, true);
    const std::wstring macroText = m_macros.getText(L'_', L'_');
    if (!macroText.empty())
        fileName += L"_(" + macroText + L")";
    fileName += L".fxo";
    m_compiledFileName = fileName;
    return fileName;
}

void Effect::deleteCompiledFile()
{
    DeleteFileW(m_compiledFileName.c_str());
}

void Effect::onLostDevice()
{
    if (m_effect)
        m_effect->OnLostDevice();
}

void Effect::onResetDevice()
{
    if (m_effect)
        m_effect->OnResetDevice();
}

EffectMacroList Effect::readMacros(XMLNode* macrosNode)
{
    EffectMacroList list;
    if (!macrosNode)
        return list;
    std::wstring name;
    std::wstring definition;
    for (const XMLNode* macro : macrosNode->getNodes()) {
        if (macro->getName() != L"MACRO" || !macro->readString(L"NAME", name) ||
            !macro->readString(L"DEFINITION", definition))
            continue;
        std::string narrowName = toString(name);
        std::string narrowDefinition = toString(definition);
        if (narrowName.size() > 1023)
            narrowName.resize(1023);
        if (narrowDefinition.size() > 1023)
            narrowDefinition.resize(1023);
        list.getMacros().push_back(EffectMacro{narrowName, narrowDefinition});
    }
    return list;
}

void Effect::addMacros(const EffectMacroList& list)
{
    std::vector<EffectMacro>& macros = m_macros.getMacros();
    macros.insert(macros.end(), list.getMacros().begin(), list.getMacros().end());
    // Each name once, where it last occurs, with its last definition.
    size_t i = 0;
    while (macros.size() >= 2 && i + 1 < macros.size()) {
        bool later = false;
        for (size_t j = i + 1; j < macros.size(); ++j) {
            if (macros[j].name == macros[i].name) {
                later = true;
                break;
            }
        }
        if (later)
            macros.erase(macros.begin() + static_cast<std::ptrdiff_t>(i));
        else
            ++i;
    }
}

} // namespace Ulvo
