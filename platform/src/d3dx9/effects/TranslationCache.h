#pragma once
// Translated shader stages kept on disk between runs, in "<cache home>/<program>/effects" (the
// cache home is $XDG_CACHE_HOME, else ~/.cache). Translating HLSL costs a process and the
// compiler's time per entry point; a warm start reads one small file per entry instead.
//
// An entry is found by a hash of its key and holds the whole key, so a hash collision or a stale
// entry reads as a miss. The key is the translator's version, the entry point and the effect
// text after preprocessing, which already carries every include and define. Anything that does
// not read back whole (a torn write, a foreign file) is a miss and is written anew. A folder that
// cannot be made or written leaves the cache off: translation works as before.
#include "d3dx9/effects/ShaderTranslator.h"

#include <memory>
#include <string>

namespace D3DXEffects {

// The key of one entry point of one preprocessed effect text.
std::string translationKey(const std::string& source, const ShaderEntry& entry);

// The stage stored under the key, or null when there is none that reads back whole.
std::shared_ptr<const TranslatedStage> loadTranslation(const std::string& key);
// Stores the stage under the key (written aside, then renamed into place); failures are quiet
// after one diagnostic line.
void storeTranslation(const std::string& key, const TranslatedStage& stage);

} // namespace D3DXEffects
