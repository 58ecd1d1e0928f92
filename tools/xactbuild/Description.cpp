#include "Description.h"

#include <cfloat>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>

namespace XactBuild {

namespace {

constexpr size_t kMaxFixedName = 63; // bank and wave names live in 64-byte fields

// Splits a line into words; "double quotes" keep blanks, '#' outside quotes ends the line.
bool tokenize(const std::string& line, std::vector<std::string>& words, std::string& error)
{
    words.clear();
    size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
        } else if (c == '#') {
            break;
        } else if (c == '"') {
            size_t end = line.find('"', i + 1);
            if (end == std::string::npos) {
                error = "unterminated quote";
                return false;
            }
            words.push_back(line.substr(i + 1, end - i - 1));
            i = end + 1;
        } else {
            size_t end = i;
            while (end < line.size() && line[end] != ' ' && line[end] != '\t' && line[end] != '\r' && line[end] != '#')
                ++end;
            words.push_back(line.substr(i, end - i));
            i = end;
        }
    }
    return true;
}

bool toNumber(const std::string& word, double& out)
{
    if (word.empty())
        return false;
    char* end = nullptr;
    out = std::strtod(word.c_str(), &end);
    return end && *end == '\0' && out == out;
}

bool toInteger(const std::string& word, long min, long max, int& out)
{
    if (word.empty())
        return false;
    char* end = nullptr;
    long v = std::strtol(word.c_str(), &end, 10);
    if (!end || *end != '\0' || v < min || v > max)
        return false;
    out = static_cast<int>(v);
    return true;
}

void addBuiltIns(Description& d)
{
    d.categories.push_back({"Global", "", 0.0, 255});
    d.categories.push_back({"Default", "Global", 0.0, 255});
    d.categories.push_back({"Music", "Global", 0.0, 255});
    auto builtIn = [&d](const char* name, float initial, float minimum, float maximum, bool readOnly, bool cue) {
        VariableDef v;
        v.name = name;
        v.initial = initial;
        v.minimum = minimum;
        v.maximum = maximum;
        v.readOnly = readOnly;
        v.cueInstance = cue;
        v.builtIn = true;
        d.variables.push_back(v);
    };
    builtIn("SpeedOfSound", 343.5f, 0.0f, 1000000.0f, false, false);
    builtIn("NumCueInstances", 0.0f, 0.0f, 1024.0f, true, true);
    builtIn("AttackTime", 0.0f, 0.0f, 80000.0f, false, true);
    builtIn("ReleaseTime", 0.0f, 0.0f, 80000.0f, false, true);
    builtIn("OrientationAngle", 0.0f, -180.0f, 180.0f, false, true);
    builtIn("DopplerPitchScalar", 1.0f, 0.0f, 4.0f, false, true);
    builtIn("Distance", 0.0f, 0.0f, FLT_MAX, false, true);
}

class Parser {
public:
    explicit Parser(Description& out) : m_out(out) {}

    bool line(int number, const std::vector<std::string>& w, std::string& error)
    {
        m_line = number;
        const std::string& key = w[0];
        if (key == "settings")
            return settings(w, error);
        if (key == "category")
            return category(w, error);
        if (key == "variable")
            return variable(w, error);
        if (key == "wavebank")
            return waveBank(w, error);
        if (key == "wave")
            return wave(w, error);
        if (key == "soundbank")
            return soundBank(w, error);
        if (key == "cue")
            return cue(w, error);
        error = "unknown keyword \"" + key + "\"";
        return false;
    }

    bool finish(std::string& error);

private:
    bool settings(const std::vector<std::string>& w, std::string& error)
    {
        if (w.size() != 2)
            return bad("settings <file.xgs>", error);
        if (!m_out.settingsOutput.empty()) {
            error = "settings given twice";
            return false;
        }
        m_out.settingsOutput = w[1];
        return true;
    }

    bool category(const std::vector<std::string>& w, std::string& error)
    {
        if (w.size() < 2 || w[1].empty() || w.size() % 2 != 0)
            return bad("category <name> [parent <name>] [volume <dB>] [instances <1..255>]", error);
        CategoryDef* def = nullptr;
        for (size_t i = 0; i < m_out.categories.size(); ++i)
            if (m_out.categories[i].name == w[1]) {
                if (i >= 3) {
                    error = "category \"" + w[1] + "\" given twice";
                    return false;
                }
                def = &m_out.categories[i];
            }
        CategoryDef fresh;
        fresh.name = w[1];
        fresh.parent = "Global";
        CategoryDef& c = def ? *def : fresh;
        for (size_t i = 2; i < w.size(); i += 2) {
            const std::string& k = w[i];
            const std::string& v = w[i + 1];
            if (k == "parent") {
                if (def && def->name == "Global") {
                    error = "the category \"Global\" has no parent";
                    return false;
                }
                bool known = false;
                for (const CategoryDef& other : m_out.categories)
                    known = known || (other.name == v && other.name != c.name);
                if (!known) {
                    error = "unknown parent category \"" + v + "\" (parents come first)";
                    return false;
                }
                c.parent = v;
            } else if (k == "volume") {
                if (!toNumber(v, c.volumeDb) || c.volumeDb < -96.0 || c.volumeDb > 6.0)
                    return bad("volume is in dB, -96 to 6", error);
            } else if (k == "instances") {
                if (!toInteger(v, 1, 255, c.instances))
                    return bad("instances is 1 to 255", error);
            } else {
                error = "unknown category option \"" + k + "\"";
                return false;
            }
        }
        if (!def)
            m_out.categories.push_back(fresh);
        return true;
    }

    bool variable(const std::vector<std::string>& w, std::string& error)
    {
        if (w.size() < 2 || w[1].empty())
            return bad("variable <name> [initial <v>] [min <v>] [max <v>] [readonly] [cue]", error);
        for (const VariableDef& other : m_out.variables)
            if (other.name == w[1]) {
                error = "variable \"" + w[1] + "\" given twice" + (other.builtIn ? " (it is built in)" : "");
                return false;
            }
        VariableDef v;
        v.name = w[1];
        for (size_t i = 2; i < w.size(); ++i) {
            const std::string& k = w[i];
            if (k == "readonly") {
                v.readOnly = true;
                continue;
            }
            if (k == "cue") {
                v.cueInstance = true;
                continue;
            }
            double number = 0.0;
            if (i + 1 >= w.size() || !toNumber(w[i + 1], number)) {
                error = "variable option \"" + k + "\" needs a number";
                return false;
            }
            if (k == "initial")
                v.initial = static_cast<float>(number);
            else if (k == "min")
                v.minimum = static_cast<float>(number);
            else if (k == "max")
                v.maximum = static_cast<float>(number);
            else {
                error = "unknown variable option \"" + k + "\"";
                return false;
            }
            ++i;
        }
        if (!(v.minimum <= v.initial && v.initial <= v.maximum)) {
            error = "variable \"" + v.name + "\": min <= initial <= max does not hold";
            return false;
        }
        m_out.variables.push_back(v);
        return true;
    }

    bool waveBank(const std::vector<std::string>& w, std::string& error)
    {
        if (w.size() != 3 || w[1].empty())
            return bad("wavebank <name> <file.xwb>", error);
        if (w[1].size() > kMaxFixedName)
            return bad("wave bank names have at most 63 bytes", error);
        for (const WaveBankDef& other : m_out.waveBanks)
            if (other.name == w[1]) {
                error = "wave bank \"" + w[1] + "\" given twice";
                return false;
            }
        m_out.waveBanks.push_back({w[1], w[2], {}});
        return true;
    }

    bool wave(const std::vector<std::string>& w, std::string& error)
    {
        if (w.size() != 3 || w[1].empty())
            return bad("wave <name> <file.wav>", error);
        if (m_out.waveBanks.empty()) {
            error = "wave before any wavebank";
            return false;
        }
        if (w[1].size() > kMaxFixedName)
            return bad("wave names have at most 63 bytes", error);
        if (!m_waves.insert(w[1]).second) {
            error = "wave \"" + w[1] + "\" given twice";
            return false;
        }
        m_out.waveBanks.back().waves.push_back({w[1], w[2], m_line});
        return true;
    }

    bool soundBank(const std::vector<std::string>& w, std::string& error)
    {
        if (w.size() != 3 || w[1].empty())
            return bad("soundbank <name> <file.xsb>", error);
        if (w[1].size() > kMaxFixedName)
            return bad("sound bank names have at most 63 bytes", error);
        for (const SoundBankDef& other : m_out.soundBanks)
            if (other.name == w[1]) {
                error = "sound bank \"" + w[1] + "\" given twice";
                return false;
            }
        m_out.soundBanks.push_back({w[1], w[2], {}});
        return true;
    }

    bool cue(const std::vector<std::string>& w, std::string& error)
    {
        const char* usage = "cue <name> <wave> [category <name>] [volume <dB>] [pitch <cents>] "
                            "[loop <0..254>|forever] [volumevar <variable>]";
        if (w.size() < 3 || w[1].empty() || w.size() % 2 != 1)
            return bad(usage, error);
        if (m_out.soundBanks.empty()) {
            error = "cue before any soundbank";
            return false;
        }
        SoundBankDef& bank = m_out.soundBanks.back();
        for (const CueDef& other : bank.cues)
            if (other.name == w[1]) {
                error = "cue \"" + w[1] + "\" given twice in sound bank \"" + bank.name + "\"";
                return false;
            }
        CueDef c;
        c.name = w[1];
        c.wave = w[2];
        c.line = m_line;
        for (size_t i = 3; i < w.size(); i += 2) {
            const std::string& k = w[i];
            const std::string& v = w[i + 1];
            if (k == "category") {
                c.category = v;
            } else if (k == "volume") {
                if (!toNumber(v, c.volumeDb) || c.volumeDb < -96.0 || c.volumeDb > 6.0)
                    return bad("volume is in dB, -96 to 6", error);
            } else if (k == "pitch") {
                if (!toInteger(v, -1200, 1200, c.pitch))
                    return bad("pitch is in cents, -1200 to 1200", error);
            } else if (k == "loop") {
                if (v == "forever")
                    c.loopCount = 255;
                else if (!toInteger(v, 0, 254, c.loopCount))
                    return bad("loop is 0 to 254 or forever", error);
            } else if (k == "volumevar") {
                c.volumeVariable = v;
            } else {
                error = "unknown cue option \"" + k + "\"";
                return false;
            }
        }
        bank.cues.push_back(c);
        return true;
    }

    bool bad(const std::string& usage, std::string& error)
    {
        error = "expected " + usage;
        return false;
    }

    Description& m_out;
    std::set<std::string> m_waves;
    int m_line = 0;
};

bool Parser::finish(std::string& error)
{
    std::set<std::string> categories;
    for (const CategoryDef& c : m_out.categories)
        categories.insert(c.name);
    std::map<std::string, const VariableDef*> variables;
    for (const VariableDef& v : m_out.variables)
        variables[v.name] = &v;
    for (const WaveBankDef& bank : m_out.waveBanks)
        if (bank.waves.empty()) {
            error = "wave bank \"" + bank.name + "\" has no waves";
            return false;
        }
    for (const SoundBankDef& bank : m_out.soundBanks) {
        if (bank.cues.empty()) {
            error = "sound bank \"" + bank.name + "\" has no cues";
            return false;
        }
        for (const CueDef& c : bank.cues) {
            std::string where = "line " + std::to_string(c.line) + ": cue \"" + c.name + "\": ";
            if (!m_waves.count(c.wave)) {
                error = where + "unknown wave \"" + c.wave + "\"";
                return false;
            }
            if (!categories.count(c.category)) {
                error = where + "unknown category \"" + c.category + "\"";
                return false;
            }
            if (!c.volumeVariable.empty()) {
                auto v = variables.find(c.volumeVariable);
                if (v == variables.end() || v->second->builtIn) {
                    error = where + "unknown volume variable \"" + c.volumeVariable + "\"";
                    return false;
                }
                if (!(v->second->maximum > v->second->minimum)) {
                    error = where + "the volume variable needs max > min";
                    return false;
                }
            }
        }
    }
    if ((!m_out.soundBanks.empty() || !m_out.waveBanks.empty()) && m_out.settingsOutput.empty()) {
        // Sound banks refer into the settings (categories, curves): they are written together.
        error = "banks need a settings line";
        return false;
    }
    return true;
}

} // namespace

bool parseDescription(const std::string& text, Description& out, std::string& error)
{
    out = Description();
    addBuiltIns(out);
    Parser parser(out);
    std::istringstream in(text);
    std::string line;
    int number = 0;
    std::vector<std::string> words;
    while (std::getline(in, line)) {
        ++number;
        std::string lineError;
        if (!tokenize(line, words, lineError) || (!words.empty() && !parser.line(number, words, lineError))) {
            error = "line " + std::to_string(number) + ": " + lineError;
            return false;
        }
    }
    if (out.settingsOutput.empty() && out.waveBanks.empty() && out.soundBanks.empty()) {
        error = "the description names nothing to build";
        return false;
    }
    return parser.finish(error);
}

} // namespace XactBuild
