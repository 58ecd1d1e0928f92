#pragma once
// The text description xactbuild reads (its syntax is documented in main.cpp).
#include <string>
#include <vector>

namespace XactBuild {

struct CategoryDef {
    std::string name;
    std::string parent; // empty: the root
    double volumeDb = 0.0;
    int instances = 255;
};

struct VariableDef {
    std::string name;
    float initial = 0.0f;
    float minimum = 0.0f;
    float maximum = 1.0f;
    bool readOnly = false;
    bool cueInstance = false;
    bool builtIn = false;
};

struct WaveDef {
    std::string name;
    std::string path; // as written, relative to the description's folder
    int line = 0;
};

struct WaveBankDef {
    std::string name;
    std::string output;
    std::vector<WaveDef> waves;
};

struct CueDef {
    std::string name;
    std::string wave;
    std::string category = "Default";
    double volumeDb = 0.0;
    int pitch = 0;     // cents
    int loopCount = 0; // 255: forever
    std::string volumeVariable;
    int line = 0;
};

struct SoundBankDef {
    std::string name;
    std::string output;
    std::vector<CueDef> cues;
};

struct Description {
    std::string settingsOutput;
    std::vector<CategoryDef> categories; // the built-in ones first
    std::vector<VariableDef> variables;  // likewise
    std::vector<WaveBankDef> waveBanks;
    std::vector<SoundBankDef> soundBanks;
};

// Parses the text; false with "line N: ..." in `error` on the first mistake. Names are
// checked for uniqueness and references (parents, waves, categories, variables) resolved.
bool parseDescription(const std::string& text, Description& out, std::string& error);

} // namespace XactBuild
