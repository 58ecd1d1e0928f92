// One full frame of the render manager at 1024x768 on the offscreen driver: the forward renderer's
// scene pass over 64 lit boxes, then two post effects of "data\FX\renderpass.rp", copied onto the
// back buffer. The argument chooses the post effects: 0 the configured magnifier and roll-in (as
// the game starts), 1 greyscale and soft focus. Each frame is waited for by reading one pixel back.
// BM_FrameAgainstPlainGL holds either frame against a plain GL program drawing the same picture.
// BM_HDRFrame runs the frame with and without the HDR chain at two render-target sizes.
#include <windows.h>
#include <d3d9.h>
#include <platform_test.h>

#include "BenchDevice.h"
#include "PlainGL.h"
#include "engine/render/BoxObjekt.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/EffectManager.h"
#include "lighting/LightingRenderers.h"
#include "render/cameras/LookAtCamera.h"
#include "render/manager/RenderManager.h"
#include "render/manager/RenderPostEffect.h"
#include "render/scenegraph/SceneGraph.h"

#include <SDL.h>
#include <GL/glcorearb.h>
#include <benchmark/benchmark.h>
#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define ULVO_CALLGRIND 1
#endif

#include <algorithm>
#include <chrono>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

constexpr unsigned kWidth = 1024;
constexpr unsigned kHeight = 768;

struct FrameScene {
    IDirect3DDevice9* device = nullptr;
    std::unique_ptr<Ulvo::RenderManager> manager;
    Ulvo::SceneGraph graph;
    Ulvo::LookAtCamera camera{L"Bench"};
    std::vector<RenderTesting::BoxObjekt*> boxes;
    IDirect3DSurface9* backBuffer = nullptr;
    IDirect3DSurface9* probe = nullptr;
    IDirect3DSurface9* probeMemory = nullptr;
    std::filesystem::path folder;

    bool create()
    {
        using namespace Ulvo;
        logSwitch() = 0;
        // Frame after frame: the boxes draw without keeping the names the scene tests read.
        RenderTesting::BoxObjekt::recording = false;
        device = BenchSupport::startDevice(kWidth, kHeight);
        if (!device)
            return false;
        // The effect sources and the render configuration as the program finds them.
        const std::filesystem::path source(ULVO_SOURCE_DIR);
        folder = std::filesystem::temp_directory_path() / ("bench_frame_" + std::to_string(getpid()));
        std::filesystem::create_directories(folder / "data" / "FX");
        for (const auto& entry : std::filesystem::directory_iterator(source / "data" / "FX"))
            std::filesystem::copy_file(entry.path(), folder / "data" / "FX" / entry.path().filename(),
                                       std::filesystem::copy_options::overwrite_existing);
        std::filesystem::current_path(folder);
        XMLNode effects;
        if (!XMLNode::load(&effects, L"data\\FX\\effecte.fxf", 0))
            return false;
        EffectManager::getInstance()->load(&effects);
        if (!RenderTesting::loadTestBoxEffect(source, folder))
            return false;

        manager = std::make_unique<RenderManager>();
        if (!attachLightingRenderers(*manager))
            return false;
        manager->setRenderTargetSize(kWidth, kHeight);
        XMLNode config;
        if (!XMLNode::load(&config, L"data\\FX\\renderpass.rp", 0))
            return false;
        manager->load(&config);
        for (int i = 0; i < 64; ++i) {
            const std::wstring position = L"<POSITION X=\"" + std::to_wstring(i % 8 * 2 - 7) + L"\" Y=\"" +
                                          std::to_wstring(i / 8 * 2 - 7) + L"\" Z=\"" + std::to_wstring(i % 3) +
                                          L"\"/>";
            boxes.push_back(RenderTesting::makeBox(L"Box" + std::to_wstring(i),
                                                   L"MASK_COLOR=\"FF" + std::wstring(i % 2 ? L"C08040" : L"4080C0") +
                                                       L"\"><RENDERPASSES DEFAULT=\"1\"/>" + position));
            graph.addObject(boxes.back(), true);
        }
        graph.getSunLightSystem().setTime(12, 0, 0);
        manager->setSceneGraph(&graph);
        camera.setAspect(4.0f / 3.0f);
        camera.setEyePosition(D3DXVECTOR3(0, 2, -22));
        camera.setLookAt(D3DXVECTOR3(0, 0, 0));
        device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer);
        device->SetRenderTarget(0, backBuffer);
        device->CreateRenderTarget(1, 1, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &probe, nullptr);
        device->CreateOffscreenPlainSurface(1, 1, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &probeMemory, nullptr);
        return backBuffer && probe && probeMemory;
    }

    // Greyscale and soft focus instead of the configured two.
    void useGreyAndBlur()
    {
        for (const wchar_t* name : {L"LUPE", L"EINROLLEN"})
            manager->deactivatePostEffectByName(name);
        for (const wchar_t* name : {L"GRAUSTUFEN", L"WEICHZEICHNER"})
            manager->activatePostEffect(manager->getPostEffect(name));
    }

    ~FrameScene()
    {
        manager.reset();
        for (RenderTesting::BoxObjekt* box : boxes) {
            graph.removeObject(box, true);
            box->Release();
        }
        for (IDirect3DSurface9* surface : {probeMemory, probe, backBuffer})
            if (surface)
                surface->Release();
        std::error_code ignored;
        std::filesystem::current_path(std::filesystem::temp_directory_path(), ignored);
        if (!folder.empty())
            std::filesystem::remove_all(folder, ignored);
    }

    // The back buffer's pixels, top row first, as R, G, B bytes.
    std::vector<unsigned char> picture()
    {
        std::vector<unsigned char> rgb;
        IDirect3DSurface9* memory = nullptr;
        D3DLOCKED_RECT locked{};
        if (SUCCEEDED(device->CreateOffscreenPlainSurface(kWidth, kHeight, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &memory,
                                                          nullptr)) &&
            SUCCEEDED(device->GetRenderTargetData(backBuffer, memory)) &&
            SUCCEEDED(memory->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
            for (unsigned y = 0; y < kHeight; ++y) {
                const unsigned char* row = static_cast<const unsigned char*>(locked.pBits) + y * locked.Pitch;
                for (unsigned x = 0; x < kWidth; ++x)
                    rgb.insert(rgb.end(), {row[x * 4 + 2], row[x * 4 + 1], row[x * 4]});
            }
            memory->UnlockRect();
        }
        if (memory)
            memory->Release();
        return rgb;
    }

    void frame()
    {
        manager->render(&camera);
        device->StretchRect(backBuffer, nullptr, probe, nullptr, D3DTEXF_POINT);
        device->GetRenderTargetData(probe, probeMemory);
    }
};

void BM_RenderManagerFrame(benchmark::State& state)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    auto scene = std::make_unique<FrameScene>();
    if (!scene->create()) {
        state.SkipWithError("no engine device at 1024x768 (offscreen GL unavailable?)");
        return;
    }
    if (state.range(0) == 1)
        scene->useGreyAndBlur();
    scene->frame(); // first use compiles the shaders' programs
    for (auto _ : state)
        scene->frame();
    state.counters["post_effects"] = static_cast<double>(scene->manager->getActivePostEffects().size());
    // What one frame asks of GL, counted outside the timed loop.
    uint64_t calls = 0, draws = 0, callsAfter = 0, drawsAfter = 0;
    const unsigned batches = PlatformBatchesHandedOver(scene->device);
    PlatformCountGLCalls(true);
    PlatformGLCallCounts(calls, draws);
    scene->frame();
    PlatformGLCallCounts(callsAfter, drawsAfter);
    PlatformCountGLCalls(false);
    state.counters["gl_calls"] = static_cast<double>(callsAfter - calls);
    // Batches the device handed to the driver within the frame (render-target changes aside).
    state.counters["hand_overs"] = static_cast<double>(PlatformBatchesHandedOver(scene->device) - batches);
    // Pixels written (draws, clears, copies) in screens of the frame, the read-back's aside.
    PlatformCountPixels(true);
    const uint64_t pixels = PlatformPixelCount();
    scene->manager->render(&scene->camera);
    state.counters["screens"] =
        static_cast<double>(PlatformPixelCount() - pixels) / static_cast<double>(kWidth * kHeight);
    PlatformCountPixels(false);
    state.counters["draws"] = static_cast<double>(drawsAfter - draws);
    if (drawsAfter > draws)
        state.counters["calls_per_draw"] =
            static_cast<double>(callsAfter - calls) / static_cast<double>(drawsAfter - draws);
}
BENCHMARK(BM_RenderManagerFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same frame at a render-target size of width x height, with the HDR chain after the post
// effects (RP_HDR 7) or without it (0): the difference is the chain's cost at that size.
void BM_HDRFrame(benchmark::State& state)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    auto scene = std::make_unique<FrameScene>();
    if (!scene->create()) {
        state.SkipWithError("no engine device at 1024x768 (offscreen GL unavailable?)");
        return;
    }
    scene->manager->setRenderTargetSize(static_cast<uint32_t>(state.range(0)), static_cast<uint32_t>(state.range(1)));
    if (!scene->manager->setHDRMode(static_cast<uint32_t>(state.range(2)))) {
        state.SkipWithError("the HDR targets could not be made");
        return;
    }
    scene->frame();
    for (auto _ : state)
        scene->frame();
}
BENCHMARK(BM_HDRFrame)
    ->Args({320, 240, 0})
    ->Args({320, 240, 7})
    ->Args({1024, 768, 0})
    ->Args({1024, 768, 7})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// ---------------------------------------------------------------------------------------------
// The same picture drawn with OpenGL 3.3 directly, on a context of its own on the same driver:
// the boxes (one draw each, their world matrices, colours, the sun and the camera taken from the
// engine's scene) lit per vertex into a colour and depth target, then the two post effects as two
// full-screen passes with the effects' parameters (the first into a second target, the last into
// a target standing for the back buffer), waited for as the engine's frame is: the magnifier and
// the roll-in, or greyscale and soft focus. BM_FrameAgainstPlainGL alternates the two frame by
// frame and reports each one's median, the ratio of their times over blocks of ten frames, and how
// many pixels of the two pictures differ.

struct ReferenceGL : BenchSupport::PlainGL {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    GLuint sceneFbo = 0, magnifiedFbo = 0, backFbo = 0, probeFbo = 0;
    GLuint sceneTexture = 0, magnifiedTexture = 0;
    GLuint boxProgram = 0, magnifierProgram = 0, rollInProgram = 0, greyProgram = 0, blurProgram = 0;
    GLuint nearest = 0; // the grey and blur passes' sampler
    // Greyscale and soft focus in place of the magnifier and the roll-in.
    bool greyAndBlur = false;
    GLuint boxVao = 0, quadVao = 0;
    // Uniform locations, looked up once as a plain GL program would.
    GLint worldAt = -1, worldViewProjAt = -1, colourAt = -1, sunAt = -1, sunDiffuseAt = -1, sunAmbientAt = -1;
    GLint centreAt = -1, radiusAt = -1, shrinkAt = -1, blendAt = -1, shownAt = -1, strengthAt = -1;

    GLuint target(GLuint& texture, bool depth, GLsizei width = kWidth, GLsizei height = kHeight)
    {
        GLuint fbo = 0;
        glGenFramebuffers(1, &fbo);
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
        if (depth) {
            GLuint buffer = 0;
            glGenRenderbuffers(1, &buffer);
            glBindRenderbuffer(GL_RENDERBUFFER, buffer);
            glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, kWidth, kHeight);
            glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, buffer);
        }
        return fbo;
    }

    bool create()
    {
        SDL_Window* engineWindow = SDL_GL_GetCurrentWindow();
        SDL_GLContext engineContext = SDL_GL_GetCurrentContext();
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        window = SDL_CreateWindow("reference", 0, 0, kWidth, kHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        context = window ? SDL_GL_CreateContext(window) : nullptr;
        bool complete = context != nullptr && load();
        if (complete) {
            GLuint backTexture = 0;
            sceneFbo = target(sceneTexture, true);
            magnifiedFbo = target(magnifiedTexture, false);
            backFbo = target(backTexture, false);
            GLuint probeTexture = 0;
            probeFbo = target(probeTexture, false, 1, 1);
            // The box effect: mask colour times ambient plus diffuse, lit per vertex by the sun.
            boxProgram = program(R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
uniform mat4 world;
uniform mat4 worldViewProj;
uniform vec4 colour;
uniform vec3 sun;
uniform vec3 sunDiffuse;
uniform vec3 sunAmbient;
out vec4 lit;
void main() {
    gl_Position = worldViewProj * vec4(position, 1.0);
    // Half a pixel right and down, so the pixel centres fall where the engine's device puts them.
    gl_Position.xy += vec2(1.0 / 1024.0, -1.0 / 768.0) * gl_Position.w;
    vec3 n = normalize(mat3(world) * normal);
    lit = vec4(colour.rgb * (sunAmbient + sunDiffuse * max(dot(n, sun), 0.0)), colour.a);
})",
                                 R"(#version 330 core
in vec4 lit;
out vec4 colour;
void main() { colour = clamp(lit, 0.0, 1.0); })");
            const char* quad = R"(#version 330 core
out vec2 uv;
void main() {
    uv = vec2(gl_VertexID & 1, gl_VertexID >> 1);
    gl_Position = vec4(uv * 2.0 - 1.0, 0.0, 1.0);
})";
            // The lens's place, radius, enlargement and blend are the game's to move, as they are
            // the effect's parameters: uniforms here too (as constants the compiler would fold the
            // lens away at an enlargement of 1). What needs no pixel is worked out once per frame.
            magnifierProgram = program(quad, R"(#version 330 core
in vec2 uv;
uniform sampler2D source;
uniform vec2 centre;
uniform float radius;
uniform float shrink;
uniform float blend;
out vec4 colour;
void main() {
    vec2 offset = uv - centre;
    float inside = length(offset * vec2(4.0 / 3.0, 1.0)) <= radius ? blend : 0.0;
    colour = texture(source, mix(uv, centre + offset * shrink, inside));
})");
            rollInProgram = program(quad, R"(#version 330 core
in vec2 uv;
uniform sampler2D source;
uniform float shown;
out vec4 colour;
void main() {
    vec4 c = texelFetch(source, ivec2(gl_FragCoord.xy), 0);
    colour = 1.0 - uv.y <= shown ? c : vec4(0.0);
})");
            // Both read whole texels where they lie, through a nearest sampler at the texel centres
            // (cheaper on llvmpipe than texelFetch with its own clamping); the soft focus's
            // neighbours are constant offsets, and those past the edge are the edge's own, as the
            // effect's clamped sampler reads them.
            greyProgram = program(quad, R"(#version 330 core
in vec2 uv;
uniform sampler2D source;
uniform float strength;
out vec4 colour;
void main() {
    vec4 c = texture(source, uv);
    float grey = dot(c.rgb, vec3(0.299, 0.587, 0.114));
    colour = vec4(mix(c.rgb, vec3(grey), strength), c.a);
})");
            blurProgram = program(quad, R"(#version 330 core
in vec2 uv;
uniform sampler2D source;
out vec4 colour;
void main() {
    vec4 sum = vec4(0.0);
    sum += textureOffset(source, uv, ivec2(-1, -1));
    sum += textureOffset(source, uv, ivec2(0, -1));
    sum += textureOffset(source, uv, ivec2(1, -1));
    sum += textureOffset(source, uv, ivec2(-1, 0));
    sum += texture(source, uv);
    sum += textureOffset(source, uv, ivec2(1, 0));
    sum += textureOffset(source, uv, ivec2(-1, 1));
    sum += textureOffset(source, uv, ivec2(0, 1));
    sum += textureOffset(source, uv, ivec2(1, 1));
    colour = sum / 9.0;
})");
            glGenSamplers(1, &nearest);
            glSamplerParameteri(nearest, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glSamplerParameteri(nearest, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
            glSamplerParameteri(nearest, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
            glSamplerParameteri(nearest, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
            complete = boxProgram && magnifierProgram && rollInProgram && greyProgram && blurProgram;
            worldAt = glGetUniformLocation(boxProgram, "world");
            worldViewProjAt = glGetUniformLocation(boxProgram, "worldViewProj");
            colourAt = glGetUniformLocation(boxProgram, "colour");
            sunAt = glGetUniformLocation(boxProgram, "sun");
            sunDiffuseAt = glGetUniformLocation(boxProgram, "sunDiffuse");
            sunAmbientAt = glGetUniformLocation(boxProgram, "sunAmbient");
            centreAt = glGetUniformLocation(magnifierProgram, "centre");
            radiusAt = glGetUniformLocation(magnifierProgram, "radius");
            shrinkAt = glGetUniformLocation(magnifierProgram, "shrink");
            blendAt = glGetUniformLocation(magnifierProgram, "blend");
            shownAt = glGetUniformLocation(rollInProgram, "shown");
            strengthAt = glGetUniformLocation(greyProgram, "strength");
            const std::vector<RenderTesting::BoxVertex> box = RenderTesting::unitBox();
            GLuint buffer = 0;
            glGenVertexArrays(1, &boxVao);
            glBindVertexArray(boxVao);
            glGenBuffers(1, &buffer);
            glBindBuffer(GL_ARRAY_BUFFER, buffer);
            glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(box.size() * sizeof(box[0])), box.data(),
                         GL_STATIC_DRAW);
            glEnableVertexAttribArray(0);
            glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(box[0]), nullptr);
            glEnableVertexAttribArray(1);
            glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, sizeof(box[0]), reinterpret_cast<void*>(12));
            glGenVertexArrays(1, &quadVao);
        }
        SDL_GL_MakeCurrent(engineWindow, engineContext);
        return complete;
    }

    ~ReferenceGL()
    {
        if (context)
            SDL_GL_DeleteContext(context);
        if (window)
            SDL_DestroyWindow(window);
    }

    // One frame of the scene's boxes, as the engine's camera sees them; the engine's context is
    // current again afterwards.
    void frame(const FrameScene& scene)
    {
        SDL_Window* engineWindow = SDL_GL_GetCurrentWindow();
        SDL_GLContext engineContext = SDL_GL_GetCurrentContext();
        SDL_GL_MakeCurrent(window, context);
        glViewport(0, 0, kWidth, kHeight);
        glBindFramebuffer(GL_FRAMEBUFFER, sceneFbo);
        glClearColor(0, 0, 0, 0);
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_CULL_FACE);
        glFrontFace(GL_CW); // the boxes' faces turn clockwise seen from outside, as D3D draws them
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        glUseProgram(boxProgram);
        glBindVertexArray(boxVao);
        // The sun as the engine gave it to the boxes' effect.
        float sun[3] = {}, diffuse[4] = {}, ambient[4] = {};
        ID3DXEffect* boxEffect = scene.boxes.front()->getEffect()->getEffect();
        boxEffect->GetFloatArray("g_LightDir", sun, 3);
        boxEffect->GetFloatArray("g_LightDiffuse", diffuse, 4);
        boxEffect->GetFloatArray("g_LightAmbient", ambient, 4);
        D3DXVECTOR3 towards(sun[0], sun[1], sun[2]);
        D3DXVec3Normalize(&towards, &towards);
        glUniform3f(sunAt, towards.x, towards.y, towards.z);
        glUniform3f(sunDiffuseAt, diffuse[0], diffuse[1], diffuse[2]);
        glUniform3f(sunAmbientAt, ambient[0], ambient[1], ambient[2]);
        const D3DXMATRIX& viewProj = scene.camera.getViewProjectionMatrix();
        for (const RenderTesting::BoxObjekt* box : scene.boxes) {
            // Row vectors on the engine's side are column-major matrices here as they are.
            const D3DXMATRIX world = box->getWorldMatrix();
            const D3DXMATRIX worldViewProj = world * viewProj;
            const D3DXCOLOR colour = box->getMaskColor();
            glUniformMatrix4fv(worldAt, 1, GL_FALSE, &world._11);
            glUniformMatrix4fv(worldViewProjAt, 1, GL_FALSE, &worldViewProj._11);
            glUniform4f(colourAt, colour.r, colour.g, colour.b, 1.0f);
            glDrawArrays(GL_TRIANGLES, 0, 36);
        }
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        glBindVertexArray(quadVao);
        glBindFramebuffer(GL_FRAMEBUFFER, magnifiedFbo);
        if (greyAndBlur) {
            glBindSampler(0, nearest);
            glUseProgram(greyProgram);
            glUniform1f(strengthAt, scene.manager->getPostEffect(L"GRAUSTUFEN")->getParamFloat(L"Staerke"));
            glBindTexture(GL_TEXTURE_2D, sceneTexture);
            glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
            glBindFramebuffer(GL_FRAMEBUFFER, backFbo);
            glUseProgram(blurProgram);
            glBindTexture(GL_TEXTURE_2D, magnifiedTexture);
            glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
            glBindSampler(0, 0);
        } else {
            glUseProgram(magnifierProgram);
            Ulvo::RenderPostEffect* lens = scene.manager->getPostEffect(L"LUPE");
            const D3DXVECTOR4 place = lens->getParamVector(L"Position"), params = lens->getParamVector(L"Params");
            glUniform2f(centreAt, place.x, 1.0f - place.y);
            glUniform1f(radiusAt, lens->getParamFloat(L"Radius"));
            glUniform1f(shrinkAt, 1.0f / std::max(params.x, 0.0001f));
            glUniform1f(blendAt, std::clamp(params.y, 0.0f, 1.0f));
            glBindTexture(GL_TEXTURE_2D, sceneTexture);
            glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
            glBindFramebuffer(GL_FRAMEBUFFER, backFbo);
            glUseProgram(rollInProgram);
            glUniform1f(shownAt, 1.0f);
            glBindTexture(GL_TEXTURE_2D, magnifiedTexture);
            glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
        }
        unsigned char pixel[4];
        // Waited for as the engine's frame is (its device reads no single pixel of a target): the
        // picture scaled onto a target of one pixel, and that pixel read back.
        glBindFramebuffer(GL_READ_FRAMEBUFFER, backFbo);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, probeFbo);
        glBlitFramebuffer(0, 0, kWidth, kHeight, 0, 0, 1, 1, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        glBindFramebuffer(GL_FRAMEBUFFER, probeFbo);
        glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
        SDL_GL_MakeCurrent(engineWindow, engineContext);
    }

    // The last frame's pixels, top row first, as R, G, B bytes.
    std::vector<unsigned char> picture()
    {
        SDL_Window* engineWindow = SDL_GL_GetCurrentWindow();
        SDL_GLContext engineContext = SDL_GL_GetCurrentContext();
        SDL_GL_MakeCurrent(window, context);
        std::vector<unsigned char> rgba(kWidth * kHeight * 4), rgb;
        glBindFramebuffer(GL_FRAMEBUFFER, backFbo);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        SDL_GL_MakeCurrent(engineWindow, engineContext);
        for (unsigned y = kHeight; y-- > 0;)
            for (unsigned x = 0; x < kWidth; ++x)
                rgb.insert(rgb.end(), &rgba[(y * kWidth + x) * 4], &rgba[(y * kWidth + x) * 4 + 3]);
        return rgb;
    }
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

void BM_FrameAgainstPlainGL(benchmark::State& state)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    auto scene = std::make_unique<FrameScene>();
    if (!scene->create()) {
        state.SkipWithError("no engine device at 1024x768 (offscreen GL unavailable?)");
        return;
    }
    ReferenceGL reference;
    if (!reference.create()) {
        state.SkipWithError("no OpenGL 3.3 context for the reference");
        return;
    }
    if (state.range(0) == 1) {
        scene->useGreyAndBlur();
        reference.greyAndBlur = true;
    }
    scene->frame();
    reference.frame(*scene);
    // Both draw the same picture: pixels with a channel more than 1 apart, and the largest difference.
    const std::vector<unsigned char> enginePicture = scene->picture(), plainPicture = reference.picture();
    if (enginePicture.size() == plainPicture.size()) {
        int largest = 0;
        size_t differing = 0;
        for (size_t i = 0; i < enginePicture.size(); i += 3) {
            int worst = 0;
            for (size_t c = i; c < i + 3; ++c)
                worst = std::max(worst, std::abs(int(enginePicture[c]) - int(plainPicture[c])));
            differing += worst > 1 ? 1 : 0;
            largest = std::max(largest, worst);
        }
        state.counters["differing_pixels"] = static_cast<double>(differing);
        state.counters["largest_difference"] = largest;
    }
    using Clock = std::chrono::steady_clock;
    // Processor time of the whole process (the rasteriser's threads too) and of this thread per
    // frame, beside the time it took: the same work taking longer is waiting, not working.
    auto processorMs = [](clockid_t clock) {
        timespec t{};
        clock_gettime(clock, &t);
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
    };
    std::vector<double> engine, plain, ratios, engineCpu, plainCpu, engineMain, plainMain;
    double engineBlock = 0.0, plainBlock = 0.0;
    for (auto _ : state) {
        const double cpuA = processorMs(CLOCK_PROCESS_CPUTIME_ID), mainA = processorMs(CLOCK_THREAD_CPUTIME_ID);
        const Clock::time_point a = Clock::now();
        scene->frame();
        const Clock::time_point b = Clock::now();
        const double cpuB = processorMs(CLOCK_PROCESS_CPUTIME_ID), mainB = processorMs(CLOCK_THREAD_CPUTIME_ID);
        reference.frame(*scene);
        const Clock::time_point c = Clock::now();
        engineCpu.push_back(cpuB - cpuA);
        plainCpu.push_back(processorMs(CLOCK_PROCESS_CPUTIME_ID) - cpuB);
        engineMain.push_back(mainB - mainA);
        plainMain.push_back(processorMs(CLOCK_THREAD_CPUTIME_ID) - mainB);
        engine.push_back(std::chrono::duration<double, std::milli>(b - a).count());
        plain.push_back(std::chrono::duration<double, std::milli>(c - b).count());
        engineBlock += engine.back();
        plainBlock += plain.back();
        if (engine.size() % 10 == 0) {
            ratios.push_back(engineBlock / plainBlock);
            engineBlock = plainBlock = 0.0;
        }
    }
    state.counters["engine_ms"] = median(engine);
    state.counters["gl_ms"] = median(plain);
    state.counters["engine_cpu_ms"] = median(engineCpu);
    state.counters["gl_cpu_ms"] = median(plainCpu);
    // The calling thread's share: what the rasteriser waits for before each of its batches.
    state.counters["engine_main_ms"] = median(engineMain);
    state.counters["gl_main_ms"] = median(plainMain);
    if (!ratios.empty()) {
        // Above 1: the engine's frame takes longer than the plain one.
        state.counters["ratio"] = median(ratios);
        state.counters["ratio_min"] = *std::min_element(ratios.begin(), ratios.end());
        state.counters["ratio_max"] = *std::max_element(ratios.begin(), ratios.end());
    }
}
BENCHMARK(BM_FrameAgainstPlainGL)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

#ifdef ULVO_CALLGRIND
// Under callgrind only: the instructions of ten engine frames and of ten plain ones, each set
// dumped under its name ("engine", "plain"). Run as
//   LP_NUM_THREADS=0 valgrind --tool=callgrind bench_frame --benchmark_filter=BM_FrameInstructions
// and read the totals of the dumps, two for each frame kind (the argument, as above): without threads of its own the rasteriser works on the
// calling thread, where the counts are exact (callgrind's serialised threads add waiting of their
// own). Instructions are steadier than time on a shared machine.
void BM_FrameInstructions(benchmark::State& state)
{
    if (!RUNNING_ON_VALGRIND) {
        state.SkipWithError("counts instructions under callgrind only");
        return;
    }
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    auto scene = std::make_unique<FrameScene>();
    ReferenceGL reference;
    if (!scene->create() || !reference.create()) {
        state.SkipWithError("no engine device or reference context");
        return;
    }
    if (state.range(0) == 1) {
        scene->useGreyAndBlur();
        reference.greyAndBlur = true;
    }
    for (int i = 0; i < 3; ++i) {
        scene->frame();
        reference.frame(*scene);
    }
    for (auto _ : state) {
        // A dump zeroes the counts, so each set starts from nothing.
        CALLGRIND_ZERO_STATS;
        for (int i = 0; i < 10; ++i)
            scene->frame();
        CALLGRIND_DUMP_STATS_AT("engine");
        for (int i = 0; i < 10; ++i)
            reference.frame(*scene);
        CALLGRIND_DUMP_STATS_AT("plain");
    }
}
BENCHMARK(BM_FrameInstructions)->Arg(0)->Arg(1)->Iterations(1);
#endif

} // namespace
