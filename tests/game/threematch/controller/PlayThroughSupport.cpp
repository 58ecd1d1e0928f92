#include "PlayThroughSupport.h"

#include <platform_app.h>
#include <platform_test.h>

#include "devices/d3d/D3DInitParams.h"
#include "devices/d3d/D3DInterface.h"
#include "devices/input/DInputInitParams.h"
#include "devices/input/DirectInputInterface.h"
#include "engine/UlvoEngine.h"
#include "foundation/app/AppInfo.h"
#include "foundation/files/GOBFile.h"
#include "foundation/files/GOBManager.h"
#include "foundation/logging/Logger.h"
#include "foundation/time/PerfTimer.h"
#include "graphics/effects/Effect.h"
#include "gui/menus/GUIMenu.h"
#include "gui/menus/GUIMenuManager.h"
#include "gui/system/GUISystem.h"
#include "gui/widgets/GUIButton.h"
#include "gui/windows/GUIWindow.h"
#include "threematch/board/Bildchen.h"
#include "threematch/board/Feld.h"
#include "threematch/board/Spielfeld.h"
#include "threematch/controller/ThreeMatchGame.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/stones/Rohstoff.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace PlayThrough {

namespace {

// Counts the loop's render steps.
struct RenderCounter : public sigslot::has_slots<> {
    int renders = 0;
    void onRender() { ++renders; }
};

RenderCounter& renderCounter()
{
    static RenderCounter counter;
    return counter;
}

// What the program entry does before the engine exists, once per process: the archive and
// the search order.
void openArchiveOnce()
{
    static bool opened = false;
    if (opened)
        return;
    opened = true;
    Ulvo::GOBManager* archives = Ulvo::GOBManager::getInstance();
    archives->addGOBFile(new Ulvo::GOBFile(L"BASEGOB", L"Lumaro.gob", 0));
    archives->createDefaultOrder(0);
}

const char* const kPhaseVariable = "THREEMATCH_TEST_PHASE";
const char* const kFolderVariable = "THREEMATCH_TEST_RUN_FOLDER";
const char* const kSaveVariable = "THREEMATCH_TEST_XDG";
// The folder of the test's last RunFolder, handed to its phase processes.
std::string s_runFolder;

// Seconds on the (virtual) performance counter.
double now()
{
    LARGE_INTEGER count{}, frequency{};
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

} // namespace

RunFolder::RunFolder()
{
    Ulvo::AppInfo::getInstance()->setSavePathKind(Ulvo::AppInfo::SAVE_PATH_APP_DATA);
    if (const char* folder = std::getenv(kFolderVariable)) {
        // The test's process made it and removes it.
        m_path = folder;
        m_owned = false;
        if (const char* saves = std::getenv(kSaveVariable))
            setenv("XDG_DATA_HOME", saves, 1);
        return;
    }
    std::error_code ec;
    // Every game starts as a first start: no profiles and no settings from an earlier test.
    for (const char* name : {"profile.prf", "profile.prf.bak", "config.cfg"})
        fs::remove(GameHost::saveFile(name), ec);
    std::string pattern = (fs::temp_directory_path() / "threematch-run-XXXXXX").string();
    if (mkdtemp(pattern.data()))
        m_path = pattern;
    fs::copy(TestSupport::runtimeDir(), m_path, fs::copy_options::recursive, ec);
    fs::remove(m_path / "intro.wmv", ec);
    s_runFolder = m_path.string();
}

RunFolder::~RunFolder()
{
    std::error_code ec;
    // With the logs on, the folder stays for them to be read.
    if (std::getenv("ULVO_PLAYTHROUGH_LOGS"))
        std::printf("run folder kept: %s\n", m_path.c_str());
    else if (m_owned && !m_path.empty())
        fs::remove_all(m_path, ec);
}

GameHost::GameHost(const RunFolder& folder, int hires)
{
    using namespace Ulvo;
    m_logs = logSwitch();
    logSwitch() = std::getenv("ULVO_PLAYTHROUGH_LOGS") ? m_logs : 0;
    PlatformUseVirtualClock(true);
    m_cwd = std::make_unique<TestSupport::ScopedCwd>(folder.path());
    openArchiveOnce();

    UlvoEngine* engine = UlvoEngine::getInstance();
    useCompiledEffects = false;
    AppInfo* info = AppInfo::getInstance();
    info->setSavePathKind(AppInfo::SAVE_PATH_APP_DATA);
    info->createSaveFolder();
    if (!engine->getUserGlobals())
        engine->setUserGlobals(new ThreeMatch::MyGlobals());
    m_configPath = info->expandSavePath() + L"\\config.cfg";

    engine->load(m_configPath);
    if (!engine->isInitialised()) {
        D3DInitParams& display = engine->getEngineParams().getD3DInitParams();
        *display.getPresentParams() = D3DInitParams::defaultPresentParams();
        display.setWindowed(true);
        *display.getDisplayMode() = D3DDISPLAYMODE{1024, 768, 60, D3DFMT_X8R8G8B8};
        display.setMinRes(0, 0);
        display.setMaxRes(0xFFFFFFFFu, 0xFFFFFFFFu);
        display.setAutoDegrade(false, false);
        ThreeMatch::ThreeMatchGame::prepareInput(engine->getEngineParams().getDInputInitParams());
        D3DInterface::getInstance()->createWindow();
        if (!engine->init()) {
            ADD_FAILURE() << "the engine did not start";
            return;
        }
    }
    if (hires >= 0)
        static_cast<ThreeMatch::MyGlobals*>(engine->getUserGlobals())->setHires(hires != 0);
    DirectInputInterface::getInstance()->centerMouse();

    m_game = std::make_unique<ThreeMatch::ThreeMatchGame>(false, true);
    engine->onAfterRender.connect(&renderCounter(), &RenderCounter::onRender);
    m_running = engine->beginLoop();
    EXPECT_TRUE(m_running) << "the main loop did not begin";
}

GameHost::~GameHost()
{
    using namespace Ulvo;
    UlvoEngine* engine = UlvoEngine::getInstance();
    if (m_running) {
        engine->exit(0);
        while (engine->loopPass()) {}
        m_running = false;
    }
    if (!m_ended && engine->isInitialised())
        m_exitCode = engine->endLoop();
    m_game.reset();
    engine->onAfterRender.disconnect(&renderCounter());
    engine->save(m_configPath);
    m_cwd.reset();
    PlatformUseVirtualClock(false);
    logSwitch() = m_logs;
}

HWND GameHost::window() const
{
    return Ulvo::UlvoEngine::getInstance()->getWindow()->getHWND();
}

void GameHost::pass()
{
    Ulvo::UlvoEngine* engine = Ulvo::UlvoEngine::getInstance();
    if (!m_running)
        return;
    if (!engine->loopPass()) {
        m_running = false;
        m_exitCode = engine->endLoop();
        m_ended = true;
    }
}

int GameHost::renders()
{
    return renderCounter().renders;
}

void GameHost::frames(int count)
{
    const int target = renderCounter().renders + count;
    // A pass that neither renders nor waits would leave the virtual clock standing.
    for (int passes = 0; m_running && renderCounter().renders < target; ++passes) {
        pass();
        if (passes % 64 == 63)
            PlatformAdvanceVirtualClock(1000);
    }
}

void GameHost::seconds(double seconds)
{
    const double end = now() + seconds;
    for (int passes = 0; m_running && now() < end; ++passes) {
        pass();
        if (passes % 64 == 63)
            PlatformAdvanceVirtualClock(1000);
    }
}

bool GameHost::fastForward(const std::function<bool()>& condition, double seconds)
{
    Ulvo::UlvoEngine* engine = Ulvo::UlvoEngine::getInstance();
    const double interval = engine->getRenderInterval();
    engine->setRenderFrequency(1.0);
    const double end = now() + seconds;
    for (int passes = 0; m_running && now() < end && !condition(); ++passes) {
        pass();
        if (passes % 64 == 63)
            PlatformAdvanceVirtualClock(1000);
    }
    engine->setRenderFrequency(1.0 / interval);
    return condition();
}

bool GameHost::waitFor(const std::function<bool()>& condition, double seconds)
{
    const double interval = Ulvo::UlvoEngine::getInstance()->getRenderInterval();
    for (double t = 0.0; t <= seconds; t += interval) {
        if (condition())
            return true;
        if (!m_running)
            return false;
        frames(1);
    }
    return condition();
}

bool GameHost::runToExit(double seconds)
{
    waitFor([this] { return !m_running; }, seconds);
    return !m_running;
}

void GameHost::moveTo(int x, int y)
{
    PlatformInjectMouseMove(window(), x, y);
    frames(1);
}

void GameHost::click(int x, int y)
{
    moveTo(x, y);
    PlatformInjectMouseButton(window(), 1, true, x, y);
    frames(2);
    PlatformInjectMouseButton(window(), 1, false, x, y);
    frames(2);
}

void GameHost::drag(int x0, int y0, int x1, int y1)
{
    moveTo(x0, y0);
    PlatformInjectMouseButton(window(), 1, true, x0, y0);
    frames(2);
    for (int k = 1; k <= 4; ++k)
        moveTo(x0 + (x1 - x0) * k / 4, y0 + (y1 - y0) * k / 4);
    PlatformInjectMouseButton(window(), 1, false, x1, y1);
    frames(2);
}

bool GameHost::click(const std::wstring& windowName)
{
    Ulvo::GUIWindow* target = findWindow(windowName);
    // A screen fading in takes its clicks once its windows stand still; until then the screen
    // fading out may still be in front.
    double alpha = -1.0;
    const auto standsShown = [&windowName, target, &alpha] {
        const double previous = alpha;
        alpha = target->getAlpha();
        return shown(windowName) && alpha == previous;
    };
    if (!target || !waitFor(standsShown, 3.0))
        return false;
    const Ulvo::FloatRect& r = target->getScreenRect();
    click(static_cast<int>((r.left + r.right) / 2), static_cast<int>((r.top + r.bottom) / 2));
    return true;
}

void GameHost::key(int scancode)
{
    PlatformInjectKey(window(), scancode, true);
    frames(2);
    PlatformInjectKey(window(), scancode, false);
    frames(2);
}

void GameHost::type(const std::string& text)
{
    for (char c : text) {
        if (c >= 'a' && c <= 'z')
            key(KEY_A + (c - 'a'));
        else if (c >= '1' && c <= '9')
            key(30 + (c - '1'));
        else if (c == '0')
            key(39);
        else if (c == ' ')
            key(44);
        else if (c == '-')
            key(45);
    }
}

Image GameHost::screen(unsigned divisor) const
{
    Image full;
    IDirect3DDevice9* device = Ulvo::D3DInterface::getInstance()->getDevice();
    IDirect3DSurface9* backBuffer = nullptr;
    if (!device || FAILED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer)))
        return full;
    D3DSURFACE_DESC desc{};
    IDirect3DSurface9* copy = nullptr;
    if (SUCCEEDED(backBuffer->GetDesc(&desc)) &&
        SUCCEEDED(device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &copy,
                                                      nullptr))) {
        D3DLOCKED_RECT locked{};
        if (SUCCEEDED(device->GetRenderTargetData(backBuffer, copy)) &&
            SUCCEEDED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
            full.width = desc.Width;
            full.height = desc.Height;
            for (UINT y = 0; y < desc.Height; ++y) {
                const auto* row = reinterpret_cast<const DWORD*>(static_cast<const uint8_t*>(locked.pBits) +
                                                                 static_cast<size_t>(y) * locked.Pitch);
                full.pixels.insert(full.pixels.end(), row, row + desc.Width);
            }
            copy->UnlockRect();
        }
        copy->Release();
    }
    backBuffer->Release();
    if (divisor <= 1 || full.width == 0)
        return full;
    Image small;
    small.width = full.width / divisor;
    small.height = full.height / divisor;
    const DWORD count = divisor * divisor;
    for (UINT y = 0; y < small.height; ++y) {
        for (UINT x = 0; x < small.width; ++x) {
            DWORD out = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                DWORD sum = 0;
                for (UINT dy = 0; dy < divisor; ++dy)
                    for (UINT dx = 0; dx < divisor; ++dx)
                        sum += (full.at(divisor * x + dx, divisor * y + dy) >> shift) & 0xFF;
                out |= ((sum + count / 2) / count) << shift;
            }
            small.pixels.push_back(out);
        }
    }
    return small;
}

Ulvo::GUIWindow* GameHost::findWindow(const std::wstring& name)
{
    return Ulvo::GUISystem::getInstance()->getWindow(name);
}

bool GameHost::shown(const std::wstring& name)
{
    const Ulvo::GUIWindow* window = findWindow(name);
    return window && window->isEnabled() && window->getAlpha() > 0.5;
}

std::wstring GameHost::activeMenu()
{
    const Ulvo::GUIMenu* menu = Ulvo::GUIMenuManager::getInstance()->getActiveMenu();
    return menu ? menu->getName() : std::wstring();
}

fs::path GameHost::saveFile(const std::string& name)
{
    return fs::path(PlatformMapPath(Ulvo::AppInfo::getInstance()->expandSavePath())) / name;
}

namespace Player {

namespace {

bool isPopupMenu(const std::wstring& menu)
{
    return menu == L"THREEMATCH_HELP_MENU" || menu == L"THREEMATCH_VORSTELLUNG_MENU";
}

// A shown button of the menu whose name says it closes the screen.
Ulvo::GUIWindow* closingButton(const Ulvo::GUIMenu& menu)
{
    std::vector<Ulvo::GUIWindow*> windows;
    for (Ulvo::GUIWindow* top : menu.getWindows()) {
        windows.push_back(top);
        top->getAllDescendants(windows);
    }
    for (Ulvo::GUIWindow* window : windows) {
        const std::wstring& name = window->getName();
        const bool closes = name.find(L"OK") != std::wstring::npos || name.find(L"WEITER") != std::wstring::npos ||
                            name.find(L"SCHLIESSEN") != std::wstring::npos;
        if (closes && dynamic_cast<Ulvo::GUIButton*>(window) && GameHost::shown(name))
            return window;
    }
    return nullptr;
}

ThreeMatch::Spielfeld* board(GameHost& host)
{
    return host.game().getBoard();
}

bool settled(GameHost& host)
{
    ThreeMatch::Spielfeld* b = board(host);
    return b && !b->isBusy() && b->getFlyingStones().empty();
}

// How many target cells lie on the lines through the two cells, within the reach of a run.
int targetsNear(const ThreeMatch::Spielfeld& b, const ThreeMatch::Feld* first, const ThreeMatch::Feld* second)
{
    int score = 0;
    for (const ThreeMatch::Feld* cell : {first, second}) {
        int column = 0, row = 0;
        if (!b.findFeld(cell, column, row))
            continue;
        for (int d = -2; d <= 2; ++d) {
            for (const auto& [c, r] : {std::pair{column + d, row}, std::pair{column, row + d}}) {
                const ThreeMatch::Feld* near = b.getFeld(c, r);
                score += near && near->has(ThreeMatch::FeldFlag::kZiel) ? 1 : 0;
            }
        }
    }
    return score;
}

int typeAt(const ThreeMatch::Spielfeld& board, int x, int y)
{
    const ThreeMatch::Feld* cell = board.getFeld(x, y);
    const ThreeMatch::Bildchen* stone = cell ? cell->getStone() : nullptr;
    return stone && stone->getRohstoff() ? stone->getRohstoff()->getId() : -1;
}

// How many target cells the runs that a swap makes lie on.
int targetsCleared(const ThreeMatch::Spielfeld& board, const ThreeMatch::Feld* a, const ThreeMatch::Feld* b)
{
    int ax = 0, ay = 0, bx = 0, by = 0;
    if (!board.findFeld(a, ax, ay) || !board.findFeld(b, bx, by))
        return 0;
    const auto type = [&](int x, int y) {
        if (x == ax && y == ay)
            return typeAt(board, bx, by);
        if (x == bx && y == by)
            return typeAt(board, ax, ay);
        return typeAt(board, x, y);
    };
    const auto target = [&](int x, int y) { return board.getFeld(x, y)->has(ThreeMatch::FeldFlag::kZiel) ? 1 : 0; };
    int count = 0;
    for (const auto& [x, y] : {std::pair{ax, ay}, std::pair{bx, by}}) {
        const int t = type(x, y);
        if (t < 0)
            continue;
        int left = x, right = x, top = y, bottom = y;
        while (type(left - 1, y) == t)
            --left;
        while (type(right + 1, y) == t)
            ++right;
        while (type(x, top - 1) == t)
            --top;
        while (type(x, bottom + 1) == t)
            ++bottom;
        for (int i = left; right - left >= 2 && i <= right; ++i)
            count += target(i, y);
        for (int i = top; bottom - top >= 2 && i <= bottom; ++i)
            count += target(x, i);
    }
    return count;
}

} // namespace

bool dismissPopup(GameHost& host)
{
    const Ulvo::GUIMenu* menu = Ulvo::GUIMenuManager::getInstance()->getActiveMenu();
    if (!menu || !isPopupMenu(menu->getName()))
        return false;
    Ulvo::GUIWindow* button = closingButton(*menu);
    if (!button) {
        host.frames(1);
        return false;
    }
    host.click(button->getName());
    host.seconds(0.5);
    return true;
}

bool waitForMenu(GameHost& host, const std::wstring& menu, double seconds)
{
    const double interval = Ulvo::UlvoEngine::getInstance()->getRenderInterval();
    for (double t = 0.0; t <= seconds && host.running(); t += interval) {
        const std::wstring active = GameHost::activeMenu();
        if (active == menu)
            return true;
        if (!dismissPopup(host))
            host.frames(1);
    }
    if (GameHost::activeMenu() == menu)
        return true;
    ADD_FAILURE() << "waited for " << narrow(menu) << ", the screen is " << narrow(GameHost::activeMenu());
    // To see what stood in the way.
    if (const char* folder = std::getenv("ULVO_SCREEN_DUMP"))
        TestSupport::writePng(std::string(folder) + "/waited_for_" + narrow(menu) + ".png", host.screen(1));
    return false;
}

bool idleUntil(GameHost& host, const std::function<bool()>& condition, double seconds)
{
    const double end = now() + seconds;
    while (host.running() && now() < end && !condition()) {
        host.fastForward([&condition] { return condition() || isPopupMenu(GameHost::activeMenu()); }, end - now());
        dismissPopup(host);
    }
    return condition();
}

bool createProfile(GameHost& host, const std::string& name)
{
    if (!waitForMenu(host, L"NEUES_PROFILE_MENU"))
        return false;
    host.seconds(1.0);
    host.type(name);
    host.seconds(0.5);
    if (!host.click(L"NP_OKButton")) {
        ADD_FAILURE() << "no NP_OKButton to click";
        return false;
    }
    if (!waitForMenu(host, L"PROFILE_MENU"))
        return false;
    host.seconds(1.0);
    if (!host.click(L"P_OKButton")) {
        ADD_FAILURE() << "no P_OKButton to click";
        return false;
    }
    return waitForMenu(host, L"HAUPTMENU");
}

bool playNextLevel(GameHost& host)
{
    host.seconds(1.0);
    if (!host.click(L"THREEMATCH_BAUEN_SPIELEN")) {
        ADD_FAILURE() << "no THREEMATCH_BAUEN_SPIELEN to click";
        return false;
    }
    if (!waitForMenu(host, L"THREEMATCH_INGAME_MENU"))
        return false;
    const double interval = Ulvo::UlvoEngine::getInstance()->getRenderInterval();
    for (double t = 0.0; t <= 15.0 && host.running(); t += interval) {
        if (board(host) && board(host)->getState() == ThreeMatch::Spielfeld::Laeuft && settled(host))
            return true;
        if (!dismissPopup(host))
            host.frames(1);
    }
    ADD_FAILURE() << "the level did not start running";
    return false;
}

bool cellPoint(GameHost& host, int column, int row, POINT& point)
{
    ThreeMatch::Spielfeld* b = board(host);
    auto* globals = static_cast<ThreeMatch::MyGlobals*>(Ulvo::UlvoEngine::getInstance()->getUserGlobals());
    const ThreeMatch::Feld* wanted = b ? b->getFeld(column, row) : nullptr;
    if (!wanted || !globals)
        return false;
    long sumX = 0, sumY = 0, hits = 0;
    for (int y = 0; y < 768; y += 4) {
        for (int x = 0; x < 1024; x += 4) {
            D3DXVECTOR2 view;
            host.game().toViewCoords(view, D3DXVECTOR2(static_cast<float>(x), static_cast<float>(y)), false);
            if (b->getCellAt(globals->getBoardViewOffset(), globals->getBoardViewScale(), view) == wanted) {
                sumX += x;
                sumY += y;
                ++hits;
            }
        }
    }
    if (hits == 0)
        return false;
    point = POINT{static_cast<LONG>(sumX / hits), static_cast<LONG>(sumY / hits)};
    return true;
}

bool chooseMove(ThreeMatch::Spielfeld& b, ThreeMatch::Feld*& first, ThreeMatch::Feld*& second, bool nearTargets)
{
    b.possibleMoves();
    const auto& moves = b.getPossibleMoves();
    if (moves.empty())
        return false;
    // Near the targets: the runs that clear the most of them first, then the moves nearest them.
    std::size_t best = 0;
    int bestScore = -1;
    for (std::size_t i = 0; i < moves.size(); ++i) {
        const int near = targetsNear(b, moves[i].first, moves[i].second);
        const int score = nearTargets ? 1000 * targetsCleared(b, moves[i].first, moves[i].second) + near : 100 - near;
        if (score > bestScore) {
            best = i;
            bestScore = score;
        }
    }
    first = moves[best].first;
    second = moves[best].second;
    return true;
}

void updates(ThreeMatch::ThreeMatchGame& game, int count)
{
    Ulvo::PerfTimer* clock = Ulvo::UlvoEngine::getInstance()->getPerfTimer();
    for (int i = 0; i < count; ++i) {
        PlatformAdvanceVirtualClock(25000);
        clock->setPause(1, false); // help screens stop the clock; the rules here run regardless
        clock->update();
        game.update();
    }
}

bool swapClearingARun(GameHost& host, bool nearTargets)
{
    ThreeMatch::Spielfeld* b = board(host);
    if (!b || b->getState() != ThreeMatch::Spielfeld::Laeuft)
        return false;
    // A popup (a new stone shown, a hint) holds the board until it is closed.
    const auto settledOrPopup = [&host] { return settled(host) || isPopupMenu(GameHost::activeMenu()); };
    if (!host.waitFor(settledOrPopup, 10.0) || !settled(host))
        return false;
    ThreeMatch::Feld* first = nullptr;
    ThreeMatch::Feld* second = nullptr;
    if (!chooseMove(*b, first, second, nearTargets))
        return false;
    int c1 = 0, r1 = 0, c2 = 0, r2 = 0;
    POINT p1{}, p2{};
    if (!b->findFeld(first, c1, r1) || !b->findFeld(second, c2, r2) || !cellPoint(host, c1, r1, p1) ||
        !cellPoint(host, c2, r2, p2)) {
        ADD_FAILURE() << "a move's cells are not on the screen";
        return false;
    }
    host.click(p1.x, p1.y);
    host.click(p2.x, p2.y);
    host.seconds(0.3);
    host.waitFor(settledOrPopup, 10.0);
    return true;
}

bool winLevel(GameHost& host, int maxSwaps)
{
    for (int swaps = 0; swaps < maxSwaps; ++swaps) {
        ThreeMatch::Spielfeld* b = board(host);
        if (!b || b->getState() != ThreeMatch::Spielfeld::Laeuft)
            break;
        if (!swapClearingARun(host) && !dismissPopup(host))
            host.seconds(0.5);
    }
    host.waitFor([&host] { return board(host) && board(host)->getState() != ThreeMatch::Spielfeld::Laeuft; }, 3.0);
    ThreeMatch::Spielfeld* b = board(host);
    if (b && (b->getState() == ThreeMatch::Spielfeld::Gewonnen || b->isWon()))
        return true;
    ADD_FAILURE() << "the level was not won, its state is " << (b ? b->getState() : -1);
    return false;
}

} // namespace Player

bool isPhaseProcess()
{
    return std::getenv(kPhaseVariable) != nullptr;
}

bool runPhase(const char* name, const std::function<void()>& body)
{
    if (const char* phase = std::getenv(kPhaseVariable)) {
        if (std::string(phase) == name)
            body();
        return true;
    }
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string filter = std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name();
    std::string lsan = "suppressions=" + (TestSupport::sourceDir() / "tests" / "lsan.supp").string();
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        setenv(kPhaseVariable, name, 1);
        setenv(kFolderVariable, s_runFolder.c_str(), 1);
        if (const char* xdg = std::getenv("XDG_DATA_HOME"))
            setenv(kSaveVariable, xdg, 1);
        // llvmpipe's JIT is many times faster than softpipe; it only deadlocks the sanitizer's
        // slow unwinder, which the leak suppressions then go without.
        setenv("GALLIUM_DRIVER", "llvmpipe", 1);
        setenv("LSAN_OPTIONS", lsan.c_str(), 1);
        const char* argv[] = {"/proc/self/exe", filter.c_str(), "--gtest_also_run_disabled_tests", nullptr};
        execv("/proc/self/exe", const_cast<char* const*>(argv));
        _exit(127);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child)
        return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string narrow(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text)
        out += c < 128 ? static_cast<char>(c) : '?';
    return out;
}

::testing::AssertionResult matchesGolden(const Image& image, const std::string& name, int tolerance)
{
    return TestSupport::matchesGolden(
        image, TestSupport::sourceDir() / "tests" / "game" / "threematch" / "controller" / "golden", name, tolerance);
}

} // namespace PlayThrough
