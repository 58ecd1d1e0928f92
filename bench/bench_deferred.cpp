// One deferred frame of the render manager on the offscreen driver with the render configuration
// of data/FX: the forward scene pass, then the deferred renderer's G-buffer of a ground, a table
// top and a ball, the sun with its two shadow splits and eight point lights round the ball,
// emissive and compose, at a render-target size of width x height. Each frame is waited for by
// reading one pixel back. BM_DeferredLights adds a grid of point lights without shadows over the
// ground, drawn each as its own sphere (batched 0), together in one instanced draw of their
// volumes (batched 1) or as screen rectangles in one draw (batched 2); the main thread's CPU time
// per light is the slope between 0 and 64 (or 512) of them. BM_PlainLights
// draws the same light volumes instanced over a G-buffer of its own with a plain GL 3.3 program.
#include <windows.h>
#include <d3d9.h>

#include "BenchDevice.h"
#include "PlainGL.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/EffectManager.h"
#include "graphics/meshes/MeshManager.h"
#include "lighting/LightingRenderers.h"
#include "lighting/deferred/DeferredRenderer.h"
#include "lighting/deferred/PointLightBatch.h"
#include "render/cameras/LookAtCamera.h"
#include "render/manager/DeferredStage.h"
#include "render/manager/RenderManager.h"
#include "render/scenegraph/SceneGraph.h"
#include "scene/ObjektKinds.h"
#include "scene/ObjektManager.h"
#include "scene/objects/BaseObjekt.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct DeferredScene {
    IDirect3DDevice9* device = nullptr;
    std::unique_ptr<Ulvo::RenderManager> manager;
    Ulvo::ObjektManager objects;
    Ulvo::SceneGraph graph;
    Ulvo::LookAtCamera camera{L"Bench"};
    std::vector<Ulvo::BaseObjekt*> placed;
    BenchSupport::OffscreenTarget screen;
    std::filesystem::path folder;

    bool create(UINT width, UINT height)
    {
        using namespace Ulvo;
        logSwitch() = 0;
        device = BenchSupport::startDevice(1024, 768);
        if (!device)
            return false;
        // The effect sources, the render configuration and the meshes as the program finds them.
        const std::filesystem::path source(ULVO_SOURCE_DIR);
        folder = BenchSupport::effectFolder(source, "bench_deferred");
        std::filesystem::create_directories(folder / "data" / "Meshes");
        std::ofstream list(folder / "data" / "Meshes" / "meshes.msh");
        list << "<MESHES>";
        for (const char* name : {"kugel", "kiste", "boden"}) {
            std::filesystem::copy_file(source / "tests" / "fuzz" / "corpus" / "xfile" / (std::string(name) + ".x"),
                                       folder / "data" / "Meshes" / (std::string(name) + ".x"),
                                       std::filesystem::copy_options::overwrite_existing);
            std::string upper(name);
            for (char& c : upper)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            list << "<MESH NAME=\"" << upper << "\"><FILE FILENAME=\"data\\Meshes\\" << name << ".x\"/></MESH>";
        }
        list << "</MESHES>";
        list.close();
        D3DInterface* d3d = D3DInterface::getInstance();
        d3d->getMeshManager()->loadFile(L"data\\Meshes\\meshes.msh", d3d->getTextureManager());
        for (const wchar_t* file : {L"data\\FX\\effecte.fxf", L"data\\FX\\sceneobjects.fxf"}) {
            XMLNode effects;
            if (!XMLNode::load(&effects, file, 0))
                return false;
            EffectManager::getInstance()->load(&effects);
        }
        manager = std::make_unique<RenderManager>();
        if (!attachLightingRenderers(*manager))
            return false;
        XMLNode config;
        if (!XMLNode::load(&config, L"data\\FX\\renderpass.rp", 0))
            return false;
        manager->load(&config);
        manager->setRenderTargetSize(width, height);
        manager->setSceneGraph(&graph);
        const wchar_t* const texts[] = {
            L"<OBJEKT NAME=\"Boden\" TYPE=\"MESH\"><BASE_DATA EFFECT=\"Material\"><RENDERPASSES DEFAULT=\"1\"/>"
            L"</BASE_DATA><MESH_DATA NAME=\"BODEN\"/></OBJEKT>",
            L"<OBJEKT NAME=\"Tisch\" TYPE=\"MESH\"><BASE_DATA EFFECT=\"Material\"><RENDERPASSES DEFAULT=\"1\"/>"
            L"<POSITION Y=\"2.5\"/><SCALE X=\"4\" Y=\"0.2\" Z=\"4\"/></BASE_DATA><MESH_DATA NAME=\"KISTE\"/></OBJEKT>",
            L"<OBJEKT NAME=\"Ball\" TYPE=\"MESH\"><BASE_DATA EFFECT=\"Material\"><RENDERPASSES DEFAULT=\"1\"/>"
            L"<POSITION X=\"3\" Y=\"1\" Z=\"1.5\"/></BASE_DATA><MESH_DATA NAME=\"KUGEL\"/></OBJEKT>"};
        for (const wchar_t* text : texts) {
            XMLNode node;
            XMLNode::load(&node, text, 1);
            BaseObjekt* object = createObjektByType(&node, &objects);
            if (!object)
                return false;
            placed.push_back(object);
            graph.addObject(object, true);
        }
        manager->getSettings().set(RenderSetting::DeferredAllowed, 1);
        if (!manager->getDeferredRenderer()->setEnabled(true))
            return false;
        // Eight point lights of radius 3 on a ring round the ball, the configured lantern among them.
        for (int i = 0; i < 7; ++i) {
            const float angle = static_cast<float>(i) * 0.8975979f;
            manager->getDeferredRenderer()->addPointLight(
                L"Ring" + std::to_wstring(i), D3DXCOLOR(0.6f, 0.5f, 0.4f, 1.0f),
                D3DXVECTOR3(3.0f + 2.5f * std::cos(angle), 1.0f, 1.5f + 2.5f * std::sin(angle)), 3.0f, 1.0f);
        }
        camera.setAspect(static_cast<float>(width) / static_cast<float>(height));
        camera.setFovAspect(45.0, 0.0);
        camera.setNearFar(0.5, 60.0);
        camera.setEyePosition(D3DXVECTOR3(-8, 2, -7));
        camera.setLookAt(D3DXVECTOR3(0, 0.5f, 0));
        return screen.create(device, width, height);
    }

    ~DeferredScene()
    {
        manager.reset();
        for (Ulvo::BaseObjekt* object : placed) {
            graph.removeObject(object, true);
            object->Release();
        }
        screen.release();
        std::error_code ignored;
        std::filesystem::current_path(std::filesystem::temp_directory_path(), ignored);
        if (!folder.empty())
            std::filesystem::remove_all(folder, ignored);
    }

    void frame()
    {
        screen.frame(device, [this] { manager->render(&camera); });
    }

    // count lights of radius 1.5 in a grid of 8 across over the ground in view.
    void addLights(int count, int batched)
    {
        auto* deferred = static_cast<Ulvo::DeferredRenderer*>(manager->getDeferredRenderer());
        deferred->setBatchPointLights(batched != 0);
        deferred->setPointLightRects(batched == 2);
        for (int i = 0; i < count; ++i)
            deferred->addPointLight(L"Gitter" + std::to_wstring(i), D3DXCOLOR(0.3f, 0.4f, 0.5f, 1.0f),
                                    D3DXVECTOR3(-4.0f + 1.2f * (i % 8), 0.8f, -3.0f + 1.2f * (i / 8 % 8)), 1.5f, 1.0f);
    }
};

void BM_DeferredFrame(benchmark::State& state)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    auto scene = std::make_unique<DeferredScene>();
    if (!scene->create(static_cast<UINT>(state.range(0)), static_cast<UINT>(state.range(1)))) {
        state.SkipWithError("no engine device, data or deferred buffers (offscreen GL unavailable?)");
        return;
    }
    scene->frame(); // first use compiles the shaders' programs
    for (auto _ : state)
        scene->frame();
}
BENCHMARK(BM_DeferredFrame)->Args({320, 240})->Args({1024, 768})->Unit(benchmark::kMillisecond)->UseRealTime();

// Args: extra point lights, batched.
void BM_DeferredLights(benchmark::State& state)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    auto scene = std::make_unique<DeferredScene>();
    if (!scene->create(640, 480)) {
        state.SkipWithError("no engine device, data or deferred buffers (offscreen GL unavailable?)");
        return;
    }
    scene->addLights(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    scene->frame();
    for (auto _ : state)
        scene->frame();
}
BENCHMARK(BM_DeferredLights)
    ->Args({0, 2})
    ->Args({64, 0})
    ->Args({64, 1})
    ->Args({64, 2})
    ->Args({512, 1})
    ->Args({512, 2})
    ->Unit(benchmark::kMicrosecond);

using DrawElementsInstanced = void(APIENTRYP)(GLenum, GLsizei, GLenum, const void*, GLsizei);
using AttribDivisor = void(APIENTRYP)(GLuint, GLuint);
using BufferSubData = void(APIENTRYP)(GLenum, GLintptr, GLsizeiptr, const void*);
using BlendFunc = void(APIENTRYP)(GLenum, GLenum);

// The same light volumes over a G-buffer of a flat ground, with the deferred point light's sums.
struct PlainLights : BenchSupport::PlainGL {
    DrawElementsInstanced drawInstanced = nullptr;
    AttribDivisor divisor = nullptr;
    BufferSubData subData = nullptr;
    BlendFunc blendFunc = nullptr;
    GLuint program = 0, lightFbo = 0, instances = 0, maps[3] = {};
    GLint viewProjAt = -1, inverseAt = -1, eyeAt = -1;
    GLsizei indexCount = 0;
    std::vector<Ulvo::PointLightBatch::Instance> lights;
    D3DXMATRIX viewProj, inverse;
    D3DXVECTOR3 eye;

    GLuint texture(GLint internal, GLsizei w, GLsizei h, GLenum format, GLenum type, const void* data)
    {
        GLuint id = 0;
        glGenTextures(1, &id);
        glBindTexture(GL_TEXTURE_2D, id);
        glTexImage2D(GL_TEXTURE_2D, 0, internal, w, h, 0, format, type, data);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        return id;
    }

    bool create(Ulvo::Camera& camera, int count, GLsizei w, GLsizei h)
    {
        viewProj = camera.getViewMatrix() * camera.getProjectionMatrix();
        D3DXMatrixInverse(&inverse, nullptr, &viewProj);
        eye = camera.getEyePosition();
        if (!open("lights", w, h))
            return false;
        drawInstanced = extra<DrawElementsInstanced>("glDrawElementsInstanced");
        divisor = extra<AttribDivisor>("glVertexAttribDivisor");
        subData = extra<BufferSubData>("glBufferSubData");
        blendFunc = extra<BlendFunc>("glBlendFunc");
        if (!drawInstanced || !divisor || !subData || !blendFunc)
            return false;
        // The ground's G-buffer: an albedo, the upward normal and the depth of the plane y = 0
        // under each pixel (1 where the sky is).
        const size_t pixels = static_cast<size_t>(w) * h;
        std::vector<uint32_t> colour(pixels, 0x00477E6Bu), normal(pixels, 0x1480FF80u);
        std::vector<float> depth(pixels, 1.0f);
        for (GLsizei y = 0; y < h; ++y)
            for (GLsizei x = 0; x < w; ++x) {
                const D3DXVECTOR3 nearPoint(2.0f * (x + 0.5f) / w - 1.0f, 1.0f - 2.0f * (y + 0.5f) / h, 0.0f);
                const D3DXVECTOR3 farPoint(nearPoint.x, nearPoint.y, 1.0f);
                D3DXVECTOR3 a, b;
                D3DXVec3TransformCoord(&a, &nearPoint, &inverse);
                D3DXVec3TransformCoord(&b, &farPoint, &inverse);
                if ((a.y > 0.0f) == (b.y > 0.0f))
                    continue;
                const D3DXVECTOR3 ground = a + (a.y / (a.y - b.y)) * (b - a);
                D3DXVECTOR3 projected;
                D3DXVec3TransformCoord(&projected, &ground, &viewProj);
                depth[static_cast<size_t>(h - 1 - y) * w + x] = projected.z;
            }
        maps[0] = texture(GL_RGBA8, w, h, GL_RGBA, GL_UNSIGNED_BYTE, colour.data());
        maps[1] = texture(GL_RGBA8, w, h, GL_RGBA, GL_UNSIGNED_BYTE, normal.data());
        maps[2] = texture(GL_R32F, w, h, GL_RED, GL_FLOAT, depth.data());
        glGenFramebuffers(1, &lightFbo);
        glBindFramebuffer(GL_FRAMEBUFFER, lightFbo);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
                               texture(GL_RGBA8, w, h, GL_RGBA, GL_UNSIGNED_BYTE, nullptr), 0);
        glViewport(0, 0, w, h);
        program = BenchSupport::PlainGL::program(R"(#version 330 core
layout(location = 0) in vec3 corner;
layout(location = 1) in vec4 place;
layout(location = 2) in vec4 colour;
layout(location = 3) in vec4 ambient;
layout(location = 4) in vec4 terms;
uniform mat4 viewProj;
out vec4 screen;
flat out vec4 p;
flat out vec4 c;
flat out vec4 a;
flat out vec4 t;
void main()
{
    gl_Position = viewProj * vec4(corner * place.w + place.xyz, 1.0);
    screen = gl_Position;
    p = place; c = colour; a = ambient; t = terms;
})",
                                                 R"(#version 330 core
in vec4 screen;
flat in vec4 p;
flat in vec4 c;
flat in vec4 a;
flat in vec4 t;
uniform sampler2D colourMap;
uniform sampler2D normalMap;
uniform sampler2D depthMap;
uniform mat4 inverseViewProj;
uniform vec3 eye;
out vec4 result;
void main()
{
    vec2 uv = screen.xy / screen.w * 0.5 + 0.5;
    float depth = texture(depthMap, uv).r;
    vec4 n4 = texture(normalMap, uv);
    vec3 n = normalize(n4.xyz * 2.0 - 1.0);
    float specular = texture(colourMap, uv).a;
    vec4 q = inverseViewProj * vec4(uv * 2.0 - 1.0, depth, 1.0);
    vec3 position = q.xyz / q.w;
    vec3 toLight = p.xyz - position;
    float d = length(toLight);
    vec3 l = toLight / max(d, 0.0001);
    float fade = pow(clamp(1.0 - d / p.w, 0.0, 1.0), a.w) * step(depth, 0.99999);
    float diffuse = max(dot(n, l), 0.0);
    vec3 halfway = normalize(l + normalize(eye - position));
    float highlight = specular * pow(max(dot(n, halfway), 0.0), max(n4.a * 255.0, 1.0)) * step(0.0001, diffuse);
    result = vec4(c.rgb * diffuse * t.x + a.rgb, highlight * t.y) * (fade * t.z);
})");
        if (!program)
            return false;
        glUseProgram(program);
        viewProjAt = glGetUniformLocation(program, "viewProj");
        inverseAt = glGetUniformLocation(program, "inverseViewProj");
        eyeAt = glGetUniformLocation(program, "eye");
        const char* const names[] = {"colourMap", "normalMap", "depthMap"};
        for (int i = 0; i < 3; ++i)
            glUniform1i(glGetUniformLocation(program, names[i]), i);
        std::vector<D3DXVECTOR3> corners;
        std::vector<Ulvo::PointLightBatch::Triangle> triangles;
        Ulvo::PointLightBatch::makeVolume(corners, triangles);
        indexCount = static_cast<GLsizei>(triangles.size() * 3);
        GLuint vao = 0, buffers[3] = {};
        glGenVertexArrays(1, &vao);
        glBindVertexArray(vao);
        glGenBuffers(3, buffers);
        glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(corners.size() * sizeof(D3DXVECTOR3)), corners.data(),
                     GL_STATIC_DRAW);
        glEnableVertexAttribArray(0);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 12, nullptr);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, indexCount * 2, triangles.data(), GL_STATIC_DRAW);
        instances = buffers[2];
        glBindBuffer(GL_ARRAY_BUFFER, instances);
        glBufferData(GL_ARRAY_BUFFER, 64 * 64, nullptr, GL_DYNAMIC_DRAW);
        for (GLuint i = 0; i < 4; ++i) {
            glEnableVertexAttribArray(1 + i);
            glVertexAttribPointer(1 + i, 4, GL_FLOAT, GL_FALSE, 64, reinterpret_cast<const void*>(i * 16ul));
            divisor(1 + i, 1);
        }
        for (int i = 0; i < count && i < 64; ++i)
            lights.push_back({D3DXVECTOR4(-4.0f + 1.2f * (i % 8), 0.8f, -3.0f + 1.2f * (i / 8 % 8), 1.5f),
                              D3DXVECTOR4(0.3f, 0.4f, 0.5f, 1.0f), D3DXVECTOR4(0, 0, 0, 1), D3DXVECTOR4(1, 1, 1, 0)});
        return true;
    }

    void frame()
    {
        glBindFramebuffer(GL_FRAMEBUFFER, lightFbo);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_BLEND);
        blendFunc(GL_ONE, GL_ONE);
        glEnable(GL_CULL_FACE);
        glCullFace(GL_FRONT);
        glUseProgram(program);
        // Row-vector matrices read column by column are the column-vector ones.
        glUniformMatrix4fv(viewProjAt, 1, GL_FALSE, &viewProj._11);
        glUniformMatrix4fv(inverseAt, 1, GL_FALSE, &inverse._11);
        glUniform3f(eyeAt, eye.x, eye.y, eye.z);
        for (GLuint i = 0; i < 3; ++i) {
            glActiveTexture(GL_TEXTURE0 + i);
            glBindTexture(GL_TEXTURE_2D, maps[i]);
        }
        if (!lights.empty()) {
            glBindBuffer(GL_ARRAY_BUFFER, instances);
            subData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(lights.size() * sizeof(lights[0])), lights.data());
            drawInstanced(GL_TRIANGLES, indexCount, GL_UNSIGNED_SHORT, nullptr, static_cast<GLsizei>(lights.size()));
        }
        unsigned char pixel[4];
        glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
        benchmark::DoNotOptimize(pixel[0]);
    }
};

// Args: point lights.
void BM_PlainLights(benchmark::State& state)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0 && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        state.SkipWithError("no SDL video");
        return;
    }
    Ulvo::LookAtCamera camera(L"Plain");
    camera.setAspect(640.0f / 480.0f);
    camera.setFovAspect(45.0, 0.0);
    camera.setNearFar(0.5, 60.0);
    camera.setEyePosition(D3DXVECTOR3(-8, 2, -7));
    camera.setLookAt(D3DXVECTOR3(0, 0.5f, 0));
    PlainLights plain;
    if (plain.create(camera, static_cast<int>(state.range(0)), 640, 480)) {
        plain.frame();
        for (auto _ : state)
            plain.frame();
    } else {
        state.SkipWithError("no GL 3.3 context");
    }
    plain.close();
}
BENCHMARK(BM_PlainLights)->Arg(0)->Arg(64)->Unit(benchmark::kMicrosecond);

} // namespace
