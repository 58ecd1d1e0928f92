#include "threematch/profiles/ProfileManager.h"

#include "foundation/app/AppInfo.h"
#include "foundation/files/File.h"
#include "foundation/files/GOBManager.h"
#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"

#include <windows.h>

#include <algorithm>

namespace ThreeMatch {

namespace {

ProfileManager* s_instance = nullptr;

void logLine(int type, const std::wstring& text)
{
    Ulvo::mainLogger().log(100, type, L"ThreeMatch::ProfileManager: ", text, L"\n");
}

// The document as written: its root "PROFILE" opened first and closed last. A file cut
// short loses its closing tag, which the lenient reader would not notice.
bool isWholeDocument(const std::vector<Ulvo::XMLToken>& tokens)
{
    if (tokens.empty() || tokens.front().text != L"PROFILE")
        return false;
    if (tokens.front().kind == Ulvo::XMLToken::EMPTY_TAG)
        return true;
    if (tokens.front().kind != Ulvo::XMLToken::TAG)
        return false;
    for (auto it = tokens.rbegin(); it != tokens.rend(); ++it) {
        if (it->kind == Ulvo::XMLToken::TAG || it->kind == Ulvo::XMLToken::EMPTY_TAG)
            return it->text == L"/PROFILE";
    }
    return false;
}

} // namespace

ProfileManager* ProfileManager::getInstance()
{
    static ProfileManager instance;
    if (!s_instance)
        s_instance = &instance;
    return &instance;
}

ProfileManager* ProfileManager::existingInstance()
{
    return s_instance;
}

ProfileManager::ProfileManager() = default;

ProfileManager::~ProfileManager()
{
    if (s_instance == this)
        s_instance = nullptr;
    if (m_loaded)
        saveProfiles();
    releaseAll();
}

std::wstring ProfileManager::profilePath()
{
    return Ulvo::AppInfo::getInstance()->expandSavePath() + L"\\profile.prf";
}

void ProfileManager::releaseAll()
{
    m_active = nullptr;
    Ulvo::releaseAndClear(m_profiles);
}

bool ProfileManager::readFile(const std::wstring& path)
{
    m_root.clear();
    m_root.setName(L"PROFILE");
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return false; // a first start
    Ulvo::File file(L"profile.prf");
    std::wstring text;
    if (file.loadFile(path, Ulvo::GOBManager::getInstance()->getGOBOrder(L"DEFAULT")))
        text = file.getFILE_DATA();
    const std::vector<Ulvo::XMLToken> tokens = Ulvo::XMLNode::tokenize(text);
    std::size_t index = 0;
    Ulvo::XMLNode read;
    if (isWholeDocument(tokens) && read.load(tokens, index)) {
        m_root = read;
        return true;
    }
    // The player's progress is in there: keep it aside rather than overwrite it at the next save.
    const std::wstring backup = path + L".bak";
    if (MoveFileExW(path.c_str(), backup.c_str(), MOVEFILE_REPLACE_EXISTING))
        logLine(Ulvo::LOG_TYPE_ERROR, path + L" ist unlesbar und wurde als " + backup + L" gesichert");
    else
        logLine(Ulvo::LOG_TYPE_ERROR, path + L" ist unlesbar und konnte nicht gesichert werden");
    return false;
}

void ProfileManager::loadProfiles()
{
    if (Profil* old = m_active) {
        old->writeToNode(m_globals);
        m_active = nullptr;
        activeProfileChanged.emit(old, nullptr);
    }
    releaseAll();
    profilesChanged.emit();

    if (readFile(profilePath())) {
        for (Ulvo::XMLNode* node : m_root.getNodes()) {
            if (!node || node->getName() != L"PROFIL")
                continue;
            auto* profil = new Profil(node);
            profil->readFromNode(node);
            m_profiles.push_back(profil);
        }
        profilesChanged.emit();
        if (const Ulvo::XMLAttribute* active = m_root.getAttribute(L"ACTIVE_PROFIL"))
            selectProfile(findProfile(active->getValue()));
    }
    m_loaded = true;
}

bool ProfileManager::saveProfiles()
{
    if (!m_loaded) {
        // An unread file would be overwritten with nothing.
        logLine(Ulvo::LOG_TYPE_ERROR, L"saveProfiles vor loadProfiles, nicht gespeichert");
        return false;
    }
    if (m_active)
        m_active->writeToNode(m_globals);
    Ulvo::XMLAttribute* attribute = m_root.getAttribute(L"ACTIVE_PROFIL");
    if (m_active) {
        if (!attribute) {
            attribute = new Ulvo::XMLAttribute(L"ACTIVE_PROFIL");
            m_root.addAttribute(attribute);
        }
        attribute->setValue(m_active->getName());
    } else if (attribute) {
        m_root.removeAttribute(attribute);
    }
    const std::wstring path = profilePath();
    if (Ulvo::XMLNode::save(&m_root, path, true))
        return true;
    logLine(Ulvo::LOG_TYPE_ERROR, path + L" nicht gespeichert, die alte Datei bleibt");
    return false;
}

void ProfileManager::saveAtExit()
{
    if (m_loaded)
        saveProfiles();
    m_loaded = false;
    m_globals = nullptr;
}

void ProfileManager::selectProfile(Profil* profil)
{
    Profil* old = m_active;
    m_active = profil;
    if (old)
        old->writeToNode(m_globals);
    if (profil)
        profil->applyToClasses(m_globals);
    activeProfileChanged.emit(old, profil);
}

std::wstring ProfileManager::refuseName(const std::wstring& name, const Profil* except) const
{
    if (name.empty())
        return L"leerer Name";
    // It is written as an attribute and as a free value.
    if (!Ulvo::XMLNode::isWritableAttributeValue(name) || !Ulvo::XMLNode::isWritablePropertyValue(name))
        return L"\"" + name + L"\" kann nicht gespeichert werden";
    for (const Profil* listed : m_profiles) {
        if (listed != except && listed->getName() == name)
            return L"\"" + name + L"\" gibt es schon";
    }
    return std::wstring();
}

bool ProfileManager::createProfile(Profil* profil)
{
    if (!profil || std::find(m_profiles.begin(), m_profiles.end(), profil) != m_profiles.end())
        return false;
    const std::wstring refusal = refuseName(profil->getName(), profil);
    if (!refusal.empty()) {
        logLine(Ulvo::LOG_TYPE_WARNING, L"Profil abgelehnt: " + refusal);
        return false;
    }
    auto* node = new Ulvo::XMLNode(L"PROFIL");
    m_root.addNode(node);
    profil->setNode(node);
    // Named at once: a profile that is saved before it was ever active keeps its name.
    profil->save(node);
    m_profiles.push_back(profil);
    profilesChanged.emit();
    if (!m_active) {
        m_active = profil;
        profil->applyToClasses(m_globals);
        activeProfileChanged.emit(nullptr, profil);
    }
    return true;
}

bool ProfileManager::deleteProfile(Profil* profil)
{
    if (!profil || std::find(m_profiles.begin(), m_profiles.end(), profil) == m_profiles.end())
        return false;
    std::erase(m_profiles, profil);
    if (m_active == profil) {
        m_active = nullptr;
        profil->writeToNode(m_globals);
        activeProfileChanged.emit(profil, nullptr);
    }
    if (Ulvo::XMLNode* node = profil->getNode()) {
        profil->setNode(nullptr);
        m_root.removeNode(node);
    }
    profilesChanged.emit();
    profil->Release();
    return true;
}

bool ProfileManager::renameProfile(Profil* profil, const std::wstring& name)
{
    if (!profil || std::find(m_profiles.begin(), m_profiles.end(), profil) == m_profiles.end())
        return false;
    const std::wstring refusal = refuseName(name, profil);
    if (!refusal.empty()) {
        logLine(Ulvo::LOG_TYPE_WARNING, L"Umbenennen abgelehnt: " + refusal);
        return false;
    }
    profil->rename(name);
    // Only the active profile rewrites its node on a save; the others keep theirs as read.
    if (Ulvo::XMLNode* node = profil->getNode()) {
        if (Ulvo::XMLAttribute* attribute = node->getAttribute(L"NAME"))
            attribute->setValue(name);
        else
            node->addAttribute(new Ulvo::XMLAttribute(L"NAME", name));
        if (Ulvo::XMLNode* child = node->getNode(L"NAME"))
            node->removeNode(child);
    }
    profilesChanged.emit();
    return true;
}

Profil* ProfileManager::getProfile(int index) const
{
    return index >= 0 && index < getProfileCount() ? m_profiles[static_cast<std::size_t>(index)] : nullptr;
}

Profil* ProfileManager::findProfile(const std::wstring& name) const
{
    for (Profil* profil : m_profiles) {
        if (profil->getName() == name)
            return profil;
    }
    return nullptr;
}

} // namespace ThreeMatch
