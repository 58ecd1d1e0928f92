// xactbuild: writes the XACT3 global settings (.xgs), in-memory wave banks (.xwb) and sound
// banks (.xsb) the sound engine loads, from WAV files and a text description.
//
//   xactbuild DESCRIPTION OUTDIR
//
// WAV paths are relative to the description's folder, output paths relative to OUTDIR
// (folders are created). Exit status 0 on success; 1 with a message on stderr otherwise.
//
// The description: one item per line, words separated by blanks, "double quotes" around a
// word with blanks, '#' starts a comment. Names are case-sensitive.
//
//   settings FILE.xgs
//       The global-settings file (exactly one; needed whenever banks are built).
//   category NAME [parent NAME] [volume DB] [instances N]
//       A sound category. "Global" (the root), "Default" and "Music" (both under "Global")
//       always exist; naming one of them changes its volume or instance limit. A new
//       category's parent defaults to "Global" and must appear before it. volume: -96..6 dB
//       (default 0); instances: 1..255 playing at once (default 255).
//   variable NAME [initial V] [min V] [max V] [readonly] [cue]
//       A public global variable (with "cue": a per-cue variable). Defaults: initial 0,
//       min 0, max 1. Built in and not to be declared again: the global "SpeedOfSound" and
//       the cue variables "Distance", "DopplerPitchScalar", "OrientationAngle",
//       "NumCueInstances", "AttackTime", "ReleaseTime".
//   wavebank NAME FILE.xwb
//       Starts an in-memory wave bank; the wave lines after it belong to it.
//   wave NAME FILE.wav
//       A wave of the current wave bank: 8- or 16-bit PCM, mono or stereo, 1000..200000 Hz.
//       Wave names are unique over the whole description.
//   soundbank NAME FILE.xsb
//       Starts a sound bank; the cue lines after it belong to it.
//   cue NAME WAVE [category NAME] [volume DB] [pitch CENTS] [loop N|forever] [volumevar VAR]
//       A cue of the current sound bank playing the named wave (from any wave bank).
//       category: default "Default"; volume: -96..6 dB (default 0); pitch: -1200..1200 cents
//       (default 0); loop: extra repetitions 0..254 or "forever" (default 0); volumevar: a
//       declared variable whose value scales the cue's loudness linearly, silent at its min
//       and full at its max (e.g. "MusicVolume").
//
// Example:
//   settings Vodezivudo.xgs
//   category Sounds volume -2
//   variable MusicVolume initial 1
//   variable SoundVolume initial 1
//   wavebank Effects Effects.xwb
//   wave click click.wav
//   wave theme theme.wav
//   soundbank Main Main.xsb
//   cue klick_menu click category Sounds volumevar SoundVolume
//   cue MUSIK theme category Music loop forever volumevar MusicVolume
//
// Bank and wave names have at most 63 bytes. Wave banks are written before the sound banks
// that play from them; the engine finds a sound bank's waves by wave bank name at play time.
#include "BankWriter.h"
#include "Description.h"
#include "WavFile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace XactBuild;

namespace {

int fail(const std::string& message)
{
    std::fprintf(stderr, "xactbuild: %s\n", message.c_str());
    return 1;
}

bool writeFile(const fs::path& path, const std::vector<uint8_t>& bytes, std::string& error)
{
    std::error_code ec;
    if (path.has_parent_path())
        fs::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out)
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        error = "cannot write \"" + path.string() + "\"";
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return fail("usage: xactbuild DESCRIPTION OUTDIR");
    const fs::path descriptionPath = argv[1];
    const fs::path outDir = argv[2];

    std::ifstream in(descriptionPath, std::ios::binary);
    if (!in)
        return fail("cannot open \"" + descriptionPath.string() + "\"");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    Description description;
    std::string error;
    if (!parseDescription(text, description, error))
        return fail(descriptionPath.string() + ": " + error);
    const fs::path base = descriptionPath.parent_path();

    // Everything is built in memory first, so a bad input leaves no partial set of files.
    std::vector<std::pair<fs::path, std::vector<uint8_t>>> outputs;
    BuiltSettings settings = writeSettings(description);
    if (!description.settingsOutput.empty())
        outputs.emplace_back(outDir / description.settingsOutput, settings.bytes);
    for (const WaveBankDef& bank : description.waveBanks) {
        std::vector<WavData> waves;
        for (const WaveDef& wave : bank.waves) {
            WavData data;
            if (!readWav((base / wave.path).string(), data, error))
                return fail("line " + std::to_string(wave.line) + ": wave \"" + wave.name + "\": " + error);
            waves.push_back(std::move(data));
        }
        outputs.emplace_back(outDir / bank.output, writeWaveBank(bank, waves));
    }
    for (const SoundBankDef& bank : description.soundBanks) {
        std::vector<uint8_t> bytes;
        if (!writeSoundBank(bank, description, settings, bytes, error))
            return fail(error);
        outputs.emplace_back(outDir / bank.output, std::move(bytes));
    }
    for (const auto& [path, bytes] : outputs)
        if (!writeFile(path, bytes, error))
            return fail(error);
    return 0;
}
