#include "minigames/MinigameKinds.h"

namespace ThreeMatch {

// No kind is built yet: each minigame adds its line as it comes.
void registerMinigameKinds(MinispielManager::Kinds&) {}

} // namespace ThreeMatch
