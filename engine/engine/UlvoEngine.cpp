#include "engine/UlvoEngine.h"

#include <platform_app.h>
#include <windows.h>

#include "devices/d3d/D3DInterface.h"
#include "devices/input/DirectInputInterface.h"
#include "devices/input/Inputmanager.h"
#include "devices/sound/SoundInterface.h"
#include "foundation/app/AppInfo.h"
#include "foundation/logging/Logger.h"
#include "foundation/time/MeasureManager.h"
#include "foundation/time/MeasureTime.h"
#include "foundation/app/SocketSubsystem.h"
#include "foundation/app/UserGlobals.h"
#include "foundation/files/File.h"
#include "graphics/fonts/D3DXFontInterface.h"
#include "graphics/effects/EffectManager.h"
#include "graphics/SharedGraphics.h"
#include "gui/menus/GUIMenuManager.h"
#include "gui/system/GUISystem.h"
#include "lighting/LightingRenderers.h"
#include "lighting/deferred/DeferredRenderer.h"
#include "render/manager/RenderManager.h"
#include "render/cameras/CameraManager.h"
#include "render/scenegraph/SceneGraph.h"
#include "scene/ObjektManager.h"
#include "scene/objects/SceneClock.h"
#include "scene/SplineManager.h"
#include "terrain/TerrainKinds.h"
#include "terrain/fields/ParameterDensity.h"
#include "terrain/fields/ParameterHeight.h"
#include "scene/objects/LightAttachPoint.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

namespace Ulvo {

namespace {

FileLogger& engineLog()
{
    return moduleLogger(LogModule::Engine);
}

// After a step an accumulator keeps what is left over, but loses at least half
// of its backlog, so the loop never tries to catch up for long.
double reduceAccumulator(double accumulator, double interval)
{
    return std::max(0.0, std::min(accumulator - interval, accumulator * 0.5));
}

// Milliseconds left until an accumulator reaches its interval, truncated.
// Rounded up: with whole-millisecond truncation a step due in under 1 ms
// left the loop polling without sleeping (a third of a core while idle).
// The accumulators carry the extra time, so the average rates stay.
long long millisecondsUntilDue(double interval, double accumulator)
{
    return static_cast<long long>(std::ceil((interval - accumulator) * 1000.0));
}

double rateOf(double seconds)
{
    return seconds > 0.0 ? 1.0 / seconds : 0.0;
}

} // namespace

UlvoEngine* UlvoEngine::getInstance()
{
    // The loggers are built first so that they outlive the engine, whose
    // destructor still writes to them. The loop's hub, which holds the engine's
    // signals, is built by the engine's first member, so it outlives it too.
    engineLog();
    static UlvoEngine engine;
    return &engine;
}

UlvoEngine::UlvoEngine()
    : m_loop(MainLoopSignals::getInstance())
    , onExit(m_loop.onExit)
    , onUpdate(m_loop.onUpdate)
    , onBeforeUpdate(m_loop.onBeforeUpdate)
    , onAfterUpdate(m_loop.onAfterUpdate)
    , onRender(m_loop.onRender)
    , onBeforeRender(m_loop.onBeforeRender)
    , onAfterRender(m_loop.onAfterRender)
    , onWindowMessage(m_loop.onWindowMessage)
    , onActivate(m_loop.onActivate)
    , onConsoleShown(m_loop.onConsoleShown)
    , m_engineParams(&m_window)
    , m_perfTimer(true)
{
    startUp();
    m_maxConsoleHistory = 10;

    registerConsoleCommands();

    m_window.setTitle(m_appInfo->getProductName(), false);
}

void UlvoEngine::startUp()
{
    // The device interface hands out the effect manager and holds the texture
    // manager and sprites: the effect manager comes first, the other two after
    // the device interface.
    EffectManager* effects = EffectManager::getInstance();
    m_d3dInterface = D3DInterface::getInstance();
    m_d3dInterface->setGraphics(new SharedGraphics(effects));
    m_d3dInterface->connect(m_loop, &m_engineParams.getD3DInitParams());
    m_directInput = DirectInputInterface::getInstance();
    m_directInput->connect(m_loop, *m_d3dInterface);
    // First on onUpdate, so bindings are current before the game's update.
    m_inputManager = Inputmanager::getInstance();
    m_inputManager->connect(m_loop);
    m_soundInterface = SoundInterface::getInstance();
    m_soundInterface->connect(m_loop);

    m_guiSystem = GUISystem::getInstance();
    m_guiSystem->init(m_d3dInterface, &m_textManager);
    // Menu links follow keys once per press and the input bindings.
    GUIMenuManager::getInstance()->connectInput(&m_directInput->getKeyState(), m_inputManager);
    m_fontInterface = D3DXFontInterface::getInstance();
    m_fontInterface->connect(*m_d3dInterface);

    m_objektManager.reset(new (std::nothrow) ObjektManager());
    if (m_objektManager) {
        registerTerrainKinds(m_objektManager->getKinds());
        registerTerrainKindData(*m_objektManager);
    }
    // The height and slope fields find their terrain by name in this manager.
    ParameterHeight::setObjektManager(m_objektManager.get());
    // PARAMETER arrangements (scene layer) place copies by the terrain layer's fields.
    PlacementDensities::setMaker(&makeParameterDensity);
    m_sceneGraph.reset(new (std::nothrow) SceneGraph());
    m_renderManager.reset(new (std::nothrow) RenderManager());
    m_splineManager.reset(new (std::nothrow) SplineManager());
    SplineManager::setEngineSplines(m_splineManager.get());

    m_appInfo = AppInfo::getInstance();
    m_measureManager = MeasureManager::getInstance();
    m_cameraManager = CameraManager::getInstance();
    m_socketSubsystem = SocketSubsystem::getInstance();

    // What the render core, the scene objects and their lights reach of each other: the render
    // manager owns the lighting layer's renderers, the deferred one keeps the objects' lights.
    m_deferredRenderer =
        m_renderManager ? attachLightingRenderers(*m_renderManager, &m_perfTimer.getFrameTime()) : nullptr;
    if (m_sceneGraph)
        m_sceneGraph->setObjektRegistry(m_objektManager.get());
    // Scene files put their objects into the graph and their SPLINE nodes into the spline manager.
    if (m_objektManager) {
        m_objektManager->setSceneGraph(m_sceneGraph.get());
        m_objektManager->setSplineManager(m_splineManager.get());
        m_objektManager->setRenderManager(m_renderManager.get());
        // The editor's clicks with the console shown name the picked object in its line.
        m_objektManager->consoleTextPicked.connect(this, &UlvoEngine::insertConsoleText);
    }
    m_cameraManager->setRenderManager(m_renderManager.get());
    BaseObjekt::LightAttachPoint::setLightHost(m_deferredRenderer);
    // Water, clouds and animated meshes run on the game clock's steps.
    SceneClock::setFrameTime(&m_perfTimer.getFrameTime());

    m_active = true;
    m_directInput->getKeyState().consoleText.connect(this, &UlvoEngine::onConsoleText);
    m_loop.exitRequested.connect(this, &UlvoEngine::exit);
    m_loop.onUpdate.connect(this, &UlvoEngine::updateSceneObjects);
}

void UlvoEngine::updateSceneObjects()
{
    if (m_objektManager)
        m_objektManager->updateObjects(m_cameraManager ? m_cameraManager->getActiveCamera() : nullptr);
}

void UlvoEngine::shutDown()
{
    m_loop.exitRequested.disconnect(this);
    m_loop.onUpdate.disconnect(this);
    m_directInput->getKeyState().consoleText.disconnect(this);
    m_fontInterface->disconnect();
    GUIMenuManager::getInstance()->connectInput(nullptr, nullptr);
    m_soundInterface->disconnect(m_loop);
    m_inputManager->disconnect(m_loop);
    m_directInput->disconnect(m_loop);
    m_d3dInterface->disconnect(m_loop);
}

void UlvoEngine::setLoopState(int state)
{
    m_loopState = state;
    m_loop.setRunning(state > 0);
}

UlvoEngine::~UlvoEngine()
{
    FileLogger& log = engineLog();
    log.log(10, LOG_TYPE_INFO, L"Ulvo::UlvoEngine::~UlvoEngine\n");
    log.incIndent();
    delete m_userGlobals;
    m_userGlobals = nullptr;
    ParameterHeight::setObjektManager(nullptr);
    m_objektManager.reset();
    m_sceneGraph.reset();
    BaseObjekt::LightAttachPoint::setLightHost(nullptr);
    SceneClock::setFrameTime(nullptr);
    m_deferredRenderer = nullptr;
    m_cameraManager->setRenderManager(nullptr);
    m_renderManager.reset();
    m_splineManager.reset();
    log.decIndent();

    m_currentLine = nullptr;
    for (TypedConsoleCommand* line : m_consoleHistory)
        delete line;
    m_consoleHistory.clear();
    shutDown();
}

bool UlvoEngine::init()
{
    if (m_initialised)
        return true;
    FileLogger& log = engineLog();
    log.log(10, LOG_TYPE_INFO, L"Ulvo::UlvoEngine::init\n");
    log.incIndent();

    if (m_showConsoleFirst)
        mainLogger().showConsole(m_showConsole);

    // Splines need no device; scene files loaded later find the start-up file's by name.
    if (m_splineManager)
        m_splineManager->loadStartupFile();

    bool ok = true;
    m_engineParams.onBeforeInit.emit(ok);
    if (m_userGlobals && ok)
        ok = m_userGlobals->initSound(&m_engineParams) && ok;

    // Every device is started, whatever the others reported.
    PlatformStartupMark("engine: globals sound");
    const bool d3d = m_d3dInterface->init(&m_engineParams.getD3DInitParams());
    PlatformStartupMark("engine: device");
    const bool input = m_directInput->init(&m_engineParams.getDInputInitParams());
    const bool sound = m_soundInterface->init(&m_engineParams.getSoundInitParams());
    PlatformStartupMark("engine: input sound");
    ok = ok && d3d && input && sound;

    if (ok) {
        m_fontInterface->createAllFonts();
        PlatformStartupMark("engine: fonts");
        if (m_objektManager)
            m_objektManager->createDeviceResources();
        if (m_renderManager)
            m_renderManager->setSceneGraph(m_sceneGraph.get());
    }
    if (m_userGlobals && ok)
        ok = m_userGlobals->postInit(&m_engineParams) && ok;

    m_engineParams.onAfterInit.emit(ok);

    if (ok) {
        onActivate.connect(this, &UlvoEngine::setActive);
        m_initialised = true;
    }
    if (!m_showConsoleFirst) {
        mainLogger().showConsole(m_showConsole);
        ShowWindow(m_window.getHWND(), SW_SHOW);
    }
    log.decIndent();
    return ok;
}

// The loop's clocks and measures, alive from beginLoop to endLoop.
struct UlvoEngine::LoopClocks {
    Measures* updateMeasure = nullptr;
    Measures* renderMeasure = nullptr;
    MeasureTime loopWatch{L"UlvoEngine.Loop"};
    MeasureTime frameWatch{L"UlvoEngine.Frame"};
    MeasureTime betweenUpdatesWatch{L"UlvoEngine.BetweenUpdates"};
    MeasureTime updateDurationWatch{L"UlvoEngine.UpdateDuration"};
    MeasureTime betweenRendersWatch{L"UlvoEngine.BetweenRenders"};
    MeasureTime renderDurationWatch{L"UlvoEngine.RenderDuration"};
};

int UlvoEngine::run()
{
    if (!beginLoop())
        return -1;
    while (loopPass()) {}
    return endLoop();
}

bool UlvoEngine::beginLoop()
{
    if (!init() || m_loopState < 0)
        return false;

    setLoopState(1);
    m_exitCode = 0;
    m_updateRate = m_updateDurationRate = m_renderRate = m_renderDurationRate = m_frameRate = 0.0;
    m_timeBetweenUpdates = m_timeBetweenRenders = m_updateDuration = m_renderDuration = 0.0;
    m_frameAccumulator = m_updateAccumulator = m_renderAccumulator = 0.0;

    m_loopClocks = std::make_unique<LoopClocks>();
    m_loopClocks->updateMeasure = m_measureManager->child(L"UpdateLoop", true);
    m_loopClocks->renderMeasure = m_measureManager->child(L"RenderLoop", true);
    m_loopClocks->updateMeasure->setRolledByOwner(true);
    m_loopClocks->renderMeasure->setRolledByOwner(true);
    return true;
}

bool UlvoEngine::loopPass()
{
    if (m_loopState <= 0 || !m_loopClocks)
        return false;
    Measures* updateMeasure = m_loopClocks->updateMeasure;
    Measures* renderMeasure = m_loopClocks->renderMeasure;
    MeasureTime& loopWatch = m_loopClocks->loopWatch;
    MeasureTime& frameWatch = m_loopClocks->frameWatch;
    MeasureTime& betweenUpdatesWatch = m_loopClocks->betweenUpdatesWatch;
    MeasureTime& updateDurationWatch = m_loopClocks->updateDurationWatch;
    MeasureTime& betweenRendersWatch = m_loopClocks->betweenRendersWatch;
    MeasureTime& renderDurationWatch = m_loopClocks->renderDurationWatch;

    MSG msg{};
    if (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (GetMessageW(&msg, nullptr, 0, 0) == 0) {
            m_exitCode = static_cast<uint32_t>(msg.wParam);
            setLoopState(0);
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        return m_loopState > 0;
    }

    if (!m_d3dInterface->TestCooperative()) {
        // The device is lost (a minimised full-screen window): nothing can
        // be drawn, but waiting for it must not take a whole processor.
        Sleep(static_cast<DWORD>(std::clamp<long long>(millisecondsUntilDue(m_frameInterval, 0.0), 1, 100)));
        return m_loopState > 0;
    }

    const double dt = loopWatch.elapsed();
    m_frameAccumulator += dt;
    m_updateAccumulator += dt;
    m_renderAccumulator += dt;
    long long sleepBound = 2147483647;

    if (m_frameAccumulator >= m_frameInterval) {
        m_frameAccumulator = reduceAccumulator(m_frameAccumulator, m_frameInterval);
        m_frameRate = rateOf(frameWatch.elapsed());

        if (m_updateAccumulator >= m_updateInterval) {
            onBeforeUpdate.emit();
            updateMeasure->start();
            m_timeBetweenUpdates = betweenUpdatesWatch.elapsed();
            m_updateRate = rateOf(m_timeBetweenUpdates);
            updateDurationWatch.reset();
            m_perfTimer.update();
            m_soundInterface->update();
            m_d3dInterface->update();
            onUpdate.emit();
            m_updateAccumulator = reduceAccumulator(m_updateAccumulator, m_updateInterval);
            m_updateDuration = updateDurationWatch.elapsed();
            m_updateDurationRate = rateOf(m_updateDuration);
            updateMeasure->stop();
            updateMeasure->update(2);
            sleepBound = std::min(sleepBound, millisecondsUntilDue(m_updateInterval, m_updateAccumulator));
            onAfterUpdate.emit();
        }

        // A game asked to end (a signal, or a close that waited while the update loaded a scene)
        // draws no more: a frame of a huge scene keeps the end waiting for a second.
        if (m_renderAccumulator >= m_renderInterval && !PlatformTerminationPending()) {
            onBeforeRender.emit();
            renderMeasure->start();
            m_timeBetweenRenders = betweenRendersWatch.elapsed();
            m_renderRate = rateOf(m_timeBetweenRenders);
            renderDurationWatch.reset();
            onRender.emit();
            m_renderAccumulator = reduceAccumulator(m_renderAccumulator, m_renderInterval);
            m_renderDuration = renderDurationWatch.elapsed();
            m_renderDurationRate = rateOf(m_renderDuration);
            renderMeasure->stop();
            renderMeasure->update(2);
            sleepBound = std::min(sleepBound, millisecondsUntilDue(m_renderInterval, m_renderAccumulator));
            onAfterRender.emit();
        }

        m_measureManager->update(2);
    }

    const long long sleepTime =
        std::min({millisecondsUntilDue(m_frameInterval, m_frameAccumulator), sleepBound, 100LL});
    if (sleepTime > 0)
        Sleep(static_cast<DWORD>(sleepTime));
    return m_loopState > 0;
}

int UlvoEngine::endLoop()
{
    m_loopClocks.reset();
    onExit.emit(m_exitCode);
    return static_cast<int>(m_exitCode);
}

void UlvoEngine::exit(const uint32_t& code)
{
    m_exitCode = code;
    setLoopState(m_loopState > 0 ? 0 : -1);
}

bool UlvoEngine::load(const std::wstring& path)
{
    FileLogger& log = engineLog();
    log.log(10, LOG_TYPE_INFO, L"Ulvo::UlvoEngine::load\n");
    LogIndent<FileLogger> indent(log);

    XMLNode document;
    if (!XMLNode::load(&document, path, 0))
        return false;

    bool result = true;
    if (XMLNode* engineNode = document.getNode(L"ENGINE_PARAMS"))
        result = m_engineParams.load(engineNode);
    if (XMLNode* apiNode = document.getNode(L"API_PARAMS")) {
        if (m_userGlobals)
            result = m_userGlobals->load(apiNode) && result;
    }

    m_otherConfigSections.keepUnknown(document, {L"ENGINE_PARAMS", L"API_PARAMS"});
    return result;
}

bool UlvoEngine::save(const std::wstring& path)
{
    FileLogger& log = engineLog();
    log.log(10, LOG_TYPE_INFO, L"Ulvo::UlvoEngine::save\n");
    LogIndent<FileLogger> indent(log);

    XMLNode root(L"MyEngineParams");
    XMLNode* apiNode = new XMLNode(L"API_PARAMS");
    root.addNode(apiNode);
    if (m_userGlobals)
        m_userGlobals->save(apiNode);

    XMLNode* engineNode = new XMLNode(L"ENGINE_PARAMS");
    root.addNode(engineNode);
    const bool result = m_engineParams.save(engineNode);

    m_otherConfigSections.append(root);

    // A link is written through to the file it leads to, which keeps being the link's target;
    // a file without write permission is the user's wish to keep it as it is.
    std::wstring target = path;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        target = File::finalPath(path);
        log.log(50, LOG_TYPE_WARNING, L" ", path, L" is a link, written to ", target, L"\n");
    }
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        log.log(50, LOG_TYPE_WARNING, L" ", path, L" is read-only and is left as it is\n");
        return false;
    }
    if (result)
        XMLNode::save(&root, target, true);
    return result;
}

} // namespace Ulvo
