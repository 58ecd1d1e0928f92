#include "threematch/controller/ThreeMatchGame.h"

namespace ThreeMatch {

void ThreeMatchGame::onMenuOpened(Ulvo::GUIMenu*, Ulvo::GUIMenu*) {}
void ThreeMatchGame::onButtonClicked(Ulvo::GUIWindow&) {}
void ThreeMatchGame::applyOptions() {}
void ThreeMatchGame::onCursorChecked(Ulvo::GUICheckboxButton&) {}
void ThreeMatchGame::toggleExchangeView() {}
void ThreeMatchGame::onProfileSwitched(Profil*, Profil*) {}

void ThreeMatchGame::rebuildProfileList() {}
void ThreeMatchGame::onProfileButtonClicked(Ulvo::GUIWindow&) {}
Profil* ThreeMatchGame::getProfileOrActive(Profil* profil) const
{
    return profil;
}
void ThreeMatchGame::onProfileNameKey(Ulvo::KeyState&, const unsigned char&) {}
void ThreeMatchGame::onUseZornChecked(Ulvo::GUICheckboxButton&) {}
void ThreeMatchGame::onEasyChecked(Ulvo::GUICheckboxButton&) {}
void ThreeMatchGame::onMediumChecked(Ulvo::GUICheckboxButton&) {}
void ThreeMatchGame::onHardChecked(Ulvo::GUICheckboxButton&) {}
void ThreeMatchGame::onFullscreenChecked(Ulvo::GUICheckboxButton&) {}
void ThreeMatchGame::onHelpChecked(Ulvo::GUICheckboxButton&) {}
void ThreeMatchGame::onHiresChecked(Ulvo::GUICheckboxButton&) {}
void ThreeMatchGame::onSoundVolume(Ulvo::GUISlider&, const float&) {}
void ThreeMatchGame::onMusicVolume(Ulvo::GUISlider&, const float&) {}
void ThreeMatchGame::onResolutionSlider(Ulvo::GUISlider&, const float&) {}
void ThreeMatchGame::showResolutionLabel() {}
void ThreeMatchGame::showUseSettingsMenu() {}
void ThreeMatchGame::showAutoDegradeMenu() {}
void ThreeMatchGame::onSettingsConfirmed(const bool&) {}
void ThreeMatchGame::onConfirmTimeLeft(const float&) {}
bool ThreeMatchGame::updateLoadingProgress(float, bool)
{
    return true;
}
void ThreeMatchGame::drawLoadingScreen() {}
void ThreeMatchGame::pickMenuBackground() {}
void ThreeMatchGame::onPostRender(Ulvo::ForwardRenderer&) {}
void ThreeMatchGame::renderIngameTarget(Ulvo::RenderToTexture&) {}
void ThreeMatchGame::drawIngamePicture(Ulvo::GUIWindow&, const bool&) {}
void ThreeMatchGame::drawTooltipFrame(Ulvo::GUIWindow&, bool&) {}
void ThreeMatchGame::fitHelpPage(Ulvo::GUIWindow&) {}
void ThreeMatchGame::refreshBuildingButtons() {}
void ThreeMatchGame::onBuildingMarked(Ulvo::GUIWindow&) {}
void ThreeMatchGame::onBuildingUnmarked(Ulvo::GUIWindow&) {}
void ThreeMatchGame::onBuildingClicked(Ulvo::GUIWindow&, const bool&) {}
void ThreeMatchGame::showBuildingPreview(Ulvo::GUIWindow&, const bool&) {}
void ThreeMatchGame::showWinTally(Ulvo::GUIWindow&, const bool&) {}
void ThreeMatchGame::showLoseTally(Ulvo::GUIWindow&, const bool&) {}
void ThreeMatchGame::onMinispielClosed(Minispiel&) {}
void ThreeMatchGame::onMinispielResult(Minispiel&, const float&) {}
void ThreeMatchGame::showKatastrophe() {}
void ThreeMatchGame::onRohstoffVorstellung(Rohstoff&) {}
bool ThreeMatchGame::showHelp(uint32_t)
{
    return false;
}
void ThreeMatchGame::onBonusUsed(Bonus*) {}
void ThreeMatchGame::onActivate(const bool&) {}
void ThreeMatchGame::onMouseButton(Ulvo::MouseState&, const UlvoMouseButton&) {}
void ThreeMatchGame::onMouseButtonUp(Ulvo::MouseState&, const UlvoMouseButton&) {}
void ThreeMatchGame::onMouseMove(Ulvo::MouseState&, const UlvoAchse&) {}
void ThreeMatchGame::toViewCoords(D3DXVECTOR2& out, const D3DXVECTOR2& screen, bool) const
{
    out = screen;
}
void ThreeMatchGame::startLevel(bool) {}

} // namespace ThreeMatch
