#include "threematch/levels/LevelDatei.h"

#include "foundation/logging/Logger.h"

#include <algorithm>
#include <cmath>

namespace ThreeMatch {

namespace {

void warn(const std::wstring& level, const std::wstring& text)
{
    Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING, L"ThreeMatch::LevelDatei: " + level + L": " + text + L"\n");
}

bool usableTime(double seconds)
{
    return std::isfinite(seconds) && seconds >= 0.0;
}

// A grid side from SIZE: within 1..kMaxSize, or 0 for none at all.
int side(int value, const std::wstring& level)
{
    if (value > LevelDatei::kMaxSize) {
        warn(level, L"SIZE " + std::to_wstring(value) + L" zu gross, nehme " + std::to_wstring(LevelDatei::kMaxSize));
        return LevelDatei::kMaxSize;
    }
    if (value < 1) {
        warn(level, L"SIZE " + std::to_wstring(value) + L" ohne Felder");
        return 0;
    }
    return value;
}

} // namespace

bool LevelDatei::load(const std::wstring& fileName)
{
    m_root.clear();
    if (Ulvo::XMLNode::load(&m_root, fileName, 0))
        return true;
    m_root.clear();
    Ulvo::mainLogger().log(100, Ulvo::LOG_TYPE_ERROR, L"ThreeMatch::LevelDatei: " + fileName + L" nicht gelesen\n");
    return false;
}

std::wstring LevelDatei::levelName(int number)
{
    return L"THREEMATCHLEVEL_" + std::to_wstring(number);
}

const Ulvo::XMLNode* LevelDatei::findLevel(int number) const
{
    return m_root.getNode(levelName(number));
}

const Ulvo::XMLNode* LevelDatei::findDefaultStoneSet(bool useZorn) const
{
    if (const Ulvo::XMLNode* set = m_root.getNode(useZorn ? L"DEFAULT_ROHSTOFFE_ZORN" : L"DEFAULT_ROHSTOFFE_NOZORN"))
        return set;
    return m_root.getNode(L"DEFAULT_ROHSTOFFE");
}

bool LevelDatei::readDefaultTime(double& seconds) const
{
    const Ulvo::XMLProperty* value = m_root.getFreeValue(L"DEFAULT_TIME");
    if (!value)
        return false;
    const double read = value->getDouble();
    if (!usableTime(read)) {
        warn(L"DEFAULT_TIME", L"unbrauchbar: " + value->getValue());
        return false;
    }
    seconds = read;
    return true;
}

int LevelDatei::countLevels() const
{
    int count = 0;
    while (findLevel(count))
        ++count;
    return count;
}

LevelBeschreibung LevelDatei::describe(const Ulvo::XMLNode& level)
{
    const std::wstring& name = level.getName();
    LevelBeschreibung d;
    level.readFlag(L"USE_BOESE", d.useBoese);
    int width = 0, height = 0;
    if (level.readPair(L"SIZE", width, height) > 0) {
        d.width = side(width, name);
        d.height = side(height, name);
        if (d.width == 0 || d.height == 0)
            d.width = d.height = 0;
    } else {
        warn(name, L"ohne SIZE");
    }
    d.stoneSet = level.getNode(L"ROHSTOFFE");

    std::vector<std::wstring> words;
    if (level.readWords(L"HG_TYP", words)) {
        for (const std::wstring& word : words) {
            const int set = Ulvo::XMLProperty(word).getInt();
            if (set < 0)
                warn(name, L"HG_TYP " + word + L" ungueltig, nehme 0");
            d.hgTyp.push_back(std::max(set, 0));
        }
    }
    if (d.hgTyp.empty())
        d.hgTyp.push_back(0);

    double time = 0.0;
    if (level.readDouble(L"TIME", time)) {
        if (usableTime(time)) {
            d.hasTime = true;
            d.time = time;
        } else {
            warn(name, L"TIME unbrauchbar");
        }
    }

    words.clear();
    if (level.readWords(L"FILE", words) && !words.empty()) {
        d.file = words[0];
        if (words.size() > 1)
            d.sampleWidth = std::max(0, Ulvo::XMLProperty(words[1]).getInt());
        if (words.size() > 2)
            d.sampleHeight = std::max(0, Ulvo::XMLProperty(words[2]).getInt());
    }
    return d;
}

} // namespace ThreeMatch
