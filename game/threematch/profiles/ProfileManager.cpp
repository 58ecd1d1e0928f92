#include "threematch/profiles/ProfileManager.h"

#include "foundation/app/AppInfo.h"
#include "foundation/files/File.h"
#include "foundation/files/GOBManager.h"
#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <cstdint>
#include <cstdio>
#include <iterator>

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

// The opening tags named PROFIL anywhere in the text (an upper bound of the profiles).
std::size_t countProfileTags(const std::wstring& text)
{
    static const std::wstring kTag = L"<PROFIL";
    std::size_t count = 0;
    for (std::size_t at = text.find(kTag); at != std::wstring::npos; at = text.find(kTag, at + kTag.size())) {
        const std::size_t next = at + kTag.size();
        count += next < text.size() && (std::iswspace(text[next]) || text[next] == L'>' || text[next] == L'/');
    }
    return count;
}

// Past this a file holds thousands of full profiles: it is not a save the game wrote.
constexpr uint64_t kMaxFileBytes = 64ull << 20;

// Every name the game writes into the file.
bool isProfileName(const std::wstring& name)
{
    static const wchar_t* const kNames[] = {
        L"PROFILE",       L"PROFIL",    L"KLASSE",      L"ROHSTOFF",     L"ROHSTOFFE",   L"ROHSTOFF_KLASSE",
        L"GEBAEUDE",      L"NAME",      L"UNLOCKED",    L"PUNKTE",       L"STUFE",       L"LEBEN",
        L"ACTUAL_LEVEL",  L"USE_ZORN",  L"SHOWN_HELP",  L"ACTIVE_LEVEL", L"ISNEW",       L"ISVORGESTELLT",
        L"SCHWIERIGKEIT", L"REST_TIME", L"PLAYED_TIME", L"LEVEL_NAME",   L"PROBABILITY", L"ANZ_LADUNGEN"};
    return std::find(std::begin(kNames), std::end(kNames), name) != std::end(kNames);
}

// A closing tag that does not close the innermost open node (a damaged name) would make the
// lenient reader skip it and sink the rest of the file into that node, with the profiles
// after it. Such a pair is mended: the name the game writes wins, else the opening one.
// Returns how many tags were mended.
int mendTags(std::vector<Ulvo::XMLToken>& tokens)
{
    int mended = 0;
    std::vector<std::size_t> open;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        Ulvo::XMLToken& token = tokens[i];
        if (token.kind != Ulvo::XMLToken::TAG || token.text.empty())
            continue;
        if (token.text[0] != L'/') {
            open.push_back(i);
            continue;
        }
        if (open.empty()) {
            ++mended; // a stray closing tag, which the reader passes over
            continue;
        }
        std::wstring& opening = tokens[open.back()].text;
        const std::wstring closing = token.text.substr(1);
        if (closing != opening) {
            ++mended;
            if (isProfileName(closing) && !isProfileName(opening))
                opening = closing;
            else
                token.text = L"/" + opening;
        }
        open.pop_back();
    }
    return mended;
}

// The numbers of a profile as written: digits with an optional sign. Anything else is a
// damaged value that the profile reads as 0 or a part of it.
bool isCleanNumber(const std::wstring& text)
{
    std::size_t at = !text.empty() && (text[0] == L'-' || text[0] == L'+') ? 1 : 0;
    if (at >= text.size())
        return false;
    for (; at < text.size(); ++at) {
        if (text[at] < L'0' || text[at] > L'9')
            return false;
    }
    return true;
}

// The first thing in a read document that the game did not write; empty when none.
std::wstring findDamage(const Ulvo::XMLNode& root)
{
    static const wchar_t* const kNumbers[] = {L"ACTUAL_LEVEL", L"PUNKTE",     L"STUFE",        L"LEBEN",
                                              L"USE_ZORN",     L"SHOWN_HELP", L"SCHWIERIGKEIT"};
    for (const Ulvo::XMLNode* node : root.getNodes()) {
        if (!node)
            continue;
        if (node->getName() != L"PROFIL")
            return L"unbekannter Eintrag " + node->getName();
        if (!node->getAttribute(L"NAME"))
            return L"Profil ohne Namen";
        for (const wchar_t* key : kNumbers) {
            const Ulvo::XMLProperty* value = node->getFreeValue(key);
            if (value && !isCleanNumber(value->getValue()))
                return std::wstring(key) + L" \"" + value->getValue() + L"\" ist keine Zahl";
        }
    }
    return std::wstring();
}

// The size on disk; false when it cannot be measured.
bool fileSize(const std::wstring& path, uint64_t& size)
{
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW(path.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    FindClose(find);
    size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

std::vector<unsigned char> readBytes(const std::wstring& path)
{
    std::vector<unsigned char> bytes;
    if (FILE* file = _wfopen(path.c_str(), L"rb")) {
        unsigned char buffer[65536];
        std::size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
            bytes.insert(bytes.end(), buffer, buffer + got);
        std::fclose(file);
    }
    return bytes;
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

bool ProfileManager::keepAside(const std::wstring& path, bool move)
{
    // An older backup is never replaced: the next free name is taken, and a file kept before
    // unchanged is not kept twice.
    const std::vector<unsigned char> bytes = readBytes(path);
    std::wstring backup;
    for (int number = 1; number <= kMaxBackups && backup.empty(); ++number) {
        const std::wstring name = path + L".bak" + (number > 1 ? std::to_wstring(number) : std::wstring());
        const DWORD attributes = GetFileAttributesW(name.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            backup = name;
        else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) && readBytes(name) == bytes)
            backup = name;
    }
    bool kept = false;
    if (!backup.empty() && GetFileAttributesW(backup.c_str()) != INVALID_FILE_ATTRIBUTES) {
        kept = true;
    } else if (!backup.empty() && move) {
        kept = MoveFileExW(path.c_str(), backup.c_str(), 0) != 0;
    } else if (!backup.empty()) {
        if (FILE* file = _wfopen(backup.c_str(), L"wb")) {
            kept = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
            kept = std::fclose(file) == 0 && kept;
            if (!kept)
                DeleteFileW(backup.c_str());
        }
    }
    if (kept) {
        if (move)
            DeleteFileW(path.c_str());
        tellPlayer(L"Der Spielstand \"" + path + L"\" war beschädigt; er wurde als \"" + backup + L"\" aufbewahrt.");
        return true;
    }
    // Without a copy the only one left is the file itself: it is not written over.
    m_keepFile = true;
    tellPlayer(L"Der Spielstand \"" + path +
               L"\" ist beschädigt und konnte nicht gesichert werden. Er bleibt unverändert; Fortschritt "
               L"aus diesem Spiel wird nicht gespeichert.");
    return false;
}

void ProfileManager::tellPlayer(const std::wstring& text)
{
    logLine(Ulvo::LOG_TYPE_ERROR, text);
    if (!m_notice.empty())
        m_notice += L"\n";
    m_notice += text;
}

void ProfileManager::showNotice()
{
    if (m_notice.empty())
        return;
    // Once, on screen (and on stderr): a lost save must not hide in a log that is off.
    MessageBoxW(nullptr, m_notice.c_str(), L"Spielstand", MB_OK | MB_ICONWARNING | MB_SYSTEMMODAL);
    m_notice.clear();
}

bool ProfileManager::readFile(const std::wstring& path)
{
    m_root.clear();
    m_root.setName(L"PROFILE");
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return false; // a first start
    uint64_t size = 0;
    if (fileSize(path, size) && size > kMaxFileBytes) {
        m_keepFile = true;
        tellPlayer(L"Der Spielstand \"" + path + L"\" ist mit " + std::to_wstring(size >> 20) +
                   L" MB zu groß und wird nicht gelesen. Er bleibt unverändert; Fortschritt aus diesem Spiel wird "
                   L"nicht gespeichert.");
        return false;
    }
    Ulvo::File file(L"profile.prf");
    std::wstring text;
    if (file.loadFile(path, Ulvo::GOBManager::getInstance()->getGOBOrder(L"DEFAULT")))
        text = file.getFILE_DATA();
    auto refuseCount = [&](std::size_t count) {
        m_keepFile = true;
        tellPlayer(L"Der Spielstand \"" + path + L"\" enthält " + std::to_wstring(count) + L" Profile, mehr als " +
                   std::to_wstring(kMaxProfiles) +
                   L", und wird nicht gelesen. Er bleibt unverändert; Fortschritt aus diesem Spiel wird nicht "
                   L"gespeichert.");
        return false;
    };
    // Counted in the text itself, before it is cut into tokens and a tree: a file of a hundred
    // thousand profiles is refused in the time it takes to read, and a quit asked meanwhile comes
    // at once. The count can only be too high, and a refused file is kept as it is.
    if (const std::size_t count = countProfileTags(text); count > static_cast<std::size_t>(kMaxProfiles))
        return refuseCount(count);
    std::vector<Ulvo::XMLToken> tokens = Ulvo::XMLNode::tokenize(text);
    std::wstring().swap(text);
    const int mended = mendTags(tokens);
    std::size_t index = 0;
    Ulvo::XMLNode read;
    if (isWholeDocument(tokens) && read.load(tokens, index)) {
        std::vector<Ulvo::XMLToken>().swap(tokens);
        const std::size_t count = read.getNodeCount(L"PROFIL");
        if (count > static_cast<std::size_t>(kMaxProfiles))
            return refuseCount(count);
        m_root = read;
        std::wstring damage = findDamage(m_root);
        if (mended > 0)
            damage = std::to_wstring(mended) + L" beschädigte Tags";
        // The file as it was stays beside the one the game writes from what it could read.
        if (!damage.empty()) {
            logLine(Ulvo::LOG_TYPE_ERROR, path + L": " + damage);
            keepAside(path, false);
        }
        return true;
    }
    // The player's progress is in there: keep it aside rather than overwrite it at the next save.
    keepAside(path, true);
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

    m_keepFile = false;
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
    showNotice();
}

bool ProfileManager::saveProfiles()
{
    if (!m_loaded) {
        // An unread file would be overwritten with nothing.
        logLine(Ulvo::LOG_TYPE_ERROR, L"saveProfiles vor loadProfiles, nicht gespeichert");
        return false;
    }
    if (m_keepFile) {
        logLine(Ulvo::LOG_TYPE_ERROR, profilePath() + L" bleibt unverändert, nicht gespeichert");
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
    if (!m_toldSaveFailure) {
        m_toldSaveFailure = true;
        tellPlayer(L"Der Spielstand \"" + path + L"\" konnte nicht gespeichert werden; die alte Datei bleibt.");
        showNotice();
    } else {
        logLine(Ulvo::LOG_TYPE_ERROR, path + L" nicht gespeichert, die alte Datei bleibt");
    }
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
    std::wstring refusal = refuseName(profil->getName(), profil);
    if (refusal.empty() && getProfileCount() >= kMaxProfiles)
        refusal = L"schon " + std::to_wstring(kMaxProfiles) + L" Profile";
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
