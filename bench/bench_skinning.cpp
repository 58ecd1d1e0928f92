// A skinned character of 2,000 vertices and 40 bones (a bent column of rings, each vertex shared
// by two neighbouring bones) drawn as the animated-mesh objects draw a skinned container in one
// pass: the pose applied, the bones blended on the processor into the drawn mesh (method 0) or
// handed to the skinned material effect as its palette (method 1), the matrices and material set,
// the subset drawn. A frame draws the character `draws` times into an offscreen target and is
// waited for by reading a pixel back; the main thread's CPU time is what counts (draws 0 gives the
// frame's own share). BM_PlainSkinnedFrame draws the same mesh with a plain GL 3.3 program that
// skins it in its vertex shader with the same palette, for comparison.
#include <windows.h>
#include <d3d9.h>

#include "BenchDevice.h"
#include "PlainGL.h"
#include "foundation/helpers/FrameHierarchy.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/Effect.h"
#include "graphics/effects/EffectBundle.h"
#include "graphics/effects/EffectManager.h"
#include "graphics/meshes/AnimatedMesh.h"
#include "render/cameras/LookAtCamera.h"
#include "scene/objects/ObjektDrawing.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kBones = 40, kRing = 50;
constexpr float kStep = 0.25f, kRadius = 0.5f;

std::string num(float v)
{
    std::ostringstream out;
    out.precision(6);
    out << std::fixed << v;
    return out.str();
}

std::string translation(float x, float y)
{
    return "1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0,0.0," + num(x) + "," + num(y) + ",0.0,1.0;;";
}

// Two columns of 20 bones (the file format nests at most 32 deep): bone b stands in column
// b / 20 at x = columnX, kStep above the one below it; ring b circles bone b.
constexpr int kColumn = kBones / 2;
float columnX(int bone)
{
    return bone < kColumn ? -0.6f : 0.6f;
}

// The character as .x text.
std::string characterText()
{
    const int vertices = kBones * kRing;
    std::ostringstream mesh;
    mesh << " Mesh Figur_Mesh {\n  " << vertices << ";\n";
    for (int r = 0; r < kBones; ++r)
        for (int k = 0; k < kRing; ++k) {
            const float a = 6.2831853f * static_cast<float>(k) / kRing;
            mesh << "  " << num(columnX(r) + kRadius * std::cos(a)) << ";" << num((r % kColumn) * kStep) << ";"
                 << num(kRadius * std::sin(a)) << ";" << (r * kRing + k + 1 < vertices ? "," : ";") << "\n";
        }
    std::ostringstream faces;
    const int faceCount = 2 * (kColumn - 1) * kRing * 2;
    faces << "  " << faceCount << ";\n";
    int written = 0;
    for (int r = 0; r + 1 < kBones; ++r) {
        if (r % kColumn == kColumn - 1)
            continue;
        for (int k = 0; k < kRing; ++k) {
            const int a = r * kRing + k, b = r * kRing + (k + 1) % kRing, c = a + kRing, d = b + kRing;
            faces << "  3;" << a << "," << c << "," << b << ";,\n";
            written += 2;
            faces << "  3;" << b << "," << c << "," << d << ";" << (written == faceCount ? ";" : ",") << "\n";
        }
    }
    mesh << faces.str() << "  MeshNormals {\n   " << vertices << ";\n";
    for (int r = 0; r < kBones; ++r)
        for (int k = 0; k < kRing; ++k) {
            const float a = 6.2831853f * static_cast<float>(k) / kRing;
            mesh << "   " << num(std::cos(a)) << ";0.0;" << num(std::sin(a)) << ";"
                 << (r * kRing + k + 1 < vertices ? "," : ";") << "\n";
        }
    mesh << faces.str() << "  }\n  MeshTextureCoords {\n   " << vertices << ";\n";
    for (int v = 0; v < vertices; ++v)
        mesh << "   " << num(static_cast<float>(v % kRing) / kRing) << ";"
             << num(static_cast<float>(v / kRing) / kBones) << ";" << (v + 1 < vertices ? "," : ";") << "\n";
    mesh << "  }\n  MeshMaterialList {\n   1;\n   " << faceCount << ";\n";
    for (int f = 0; f < faceCount; ++f)
        mesh << "   0" << (f + 1 < faceCount ? ",\n" : ";;\n");
    mesh << "   Material Haut {\n    0.8;0.6;0.5;1.0;;\n    20.0;\n    0.2;0.2;0.2;;\n    0.0;0.0;0.0;;\n   }\n  }\n";
    mesh << "  XSkinMeshHeader {\n   2;\n   2;\n   " << kBones << ";\n  }\n";
    for (int b = 0; b < kBones; ++b) {
        // Ring b half its own, half the bone below; a column's lowest ring all its first bone's.
        const bool lowest = b % kColumn == 0, highest = b % kColumn == kColumn - 1;
        std::vector<std::pair<int, float>> weights;
        for (int k = 0; k < kRing; ++k) {
            weights.push_back({b * kRing + k, lowest ? 1.0f : 0.5f});
            if (!highest)
                weights.push_back({(b + 1) * kRing + k, 0.5f});
        }
        mesh << "  SkinWeights {\n   \"B" << b << "\";\n   " << weights.size() << ";\n";
        for (size_t i = 0; i < weights.size(); ++i)
            mesh << "   " << weights[i].first << (i + 1 < weights.size() ? ",\n" : ";\n");
        for (size_t i = 0; i < weights.size(); ++i)
            mesh << "   " << num(weights[i].second) << (i + 1 < weights.size() ? ",\n" : ";\n");
        mesh << "   " << translation(-columnX(b), -(b % kColumn) * kStep) << "\n  }\n";
    }
    mesh << " }\n";
    std::ostringstream out;
    out << "xof 0303txt 0032\nFrame Wurzel {\n FrameTransformMatrix {\n  " << translation(0.0f, 0.0f) << "\n }\n"
        << mesh.str();
    for (int column = 0; column < 2; ++column) {
        for (int j = 0; j < kColumn; ++j) {
            const int b = column * kColumn + j;
            out << "Frame B" << b << " {\n FrameTransformMatrix {\n  "
                << translation(j == 0 ? columnX(b) : 0.0f, j == 0 ? 0.0f : kStep) << "\n }\n";
        }
        for (int j = 0; j < kColumn; ++j)
            out << "}\n";
    }
    out << "}\n";
    return out.str();
}

// Each bone bent a little about z, by a phase that moves per draw.
void bend(D3DXFRAME* frame, float phase)
{
    for (; frame; frame = frame->pFrameSibling) {
        if (frame->Name && frame->Name[0] == 'B') {
            const int b = std::atoi(frame->Name + 1);
            const bool lowest = b % kColumn == 0;
            D3DXMatrixRotationZ(&frame->TransformationMatrix, 0.04f * std::sin(phase + 0.3f * b));
            frame->TransformationMatrix._41 = lowest ? columnX(b) : 0.0f;
            frame->TransformationMatrix._42 = lowest ? 0.0f : kStep;
        }
        bend(frame->pFrameFirstChild, phase);
    }
}

struct SkinnedScene {
    IDirect3DDevice9* device = nullptr;
    Ulvo::AnimatedMesh character;
    Ulvo::Effect* plainEffect = nullptr;
    Ulvo::Effect* skinnedEffect = nullptr;
    Ulvo::LookAtCamera camera{L"Bench"};
    BenchSupport::OffscreenTarget screen;
    std::filesystem::path folder;
    float phase = 0.0f;

    bool create(UINT width, UINT height)
    {
        using namespace Ulvo;
        logSwitch() = 0;
        device = BenchSupport::startDevice(1024, 768);
        if (!device)
            return false;
        folder = BenchSupport::effectFolder(ULVO_SOURCE_DIR, "bench_skinning");
        XMLNode effects;
        if (!XMLNode::load(&effects, L"data\\FX\\sceneobjects.fxf", 0))
            return false;
        EffectManager::getInstance()->load(&effects);
        EffectBundle* plain = EffectManager::getInstance()->getEffectBundle(L"Material");
        EffectBundle* skinned = EffectManager::getInstance()->getEffectBundle(L"MaterialSkinned");
        plainEffect = plain ? plain->getEffect(L"Render") : nullptr;
        skinnedEffect = skinned ? skinned->getEffect(L"Render") : nullptr;
        const std::string text = characterText();
        if (!plainEffect || !skinnedEffect || !character.createFromMemory(text.data(), text.size(), nullptr) ||
            character.getSkinningMethod() != AnimatedMesh::SKIN_IN_VERTEX_SHADER)
            return false;
        camera.setAspect(static_cast<float>(width) / static_cast<float>(height));
        camera.setFovAspect(45.0, 0.0);
        camera.setNearFar(0.5, 60.0);
        camera.setEyePosition(D3DXVECTOR3(0, 5, -14));
        camera.setLookAt(D3DXVECTOR3(0, 5, 0));
        return screen.create(device, width, height);
    }

    ~SkinnedScene()
    {
        character.destroy();
        screen.release();
        std::error_code ignored;
        std::filesystem::current_path(std::filesystem::temp_directory_path(), ignored);
        if (!folder.empty())
            std::filesystem::remove_all(folder, ignored);
    }

    // One pass's work for the character, as AnimatedMeshObjekt::render and drawContainer do it.
    void draw(ID3DXEffect* fx, bool inShader)
    {
        using namespace Ulvo;
        D3DXMATRIX world, identity;
        D3DXMatrixIdentity(&world);
        D3DXMatrixIdentity(&identity);
        bend(character.getRootFrame(), phase += 0.1f);
        updateFrameMatrices(character.getRootFrame(), &world, character.getRootFrame());
        auto* container = static_cast<AnimatedMeshContainer*>(character.getRootFrame()->pMeshContainer);
        ID3DXMesh* mesh = container->MeshData.pMesh;
        if (inShader) {
            UINT bones = 0;
            const D3DXMATRIX* palette = character.bonePalette(container, bones);
            fx->SetBool("g_Skinned", TRUE);
            fx->SetMatrixArray("g_Bones", palette, bones);
            mesh = container->blendedMesh;
        } else {
            character.skinContainer(container);
        }
        ObjektDrawing::setWorldMatrices(fx, identity, &camera);
        const D3DXCOLOR colour(0.8f, 0.6f, 0.5f, 1.0f);
        fx->SetBool("g_useDiffTextur", FALSE);
        fx->SetTexture("g_Textur", nullptr);
        fx->SetValue("g_materialcolor", &colour, sizeof(float) * 4);
        fx->CommitChanges();
        mesh->DrawSubset(0);
    }

    void frame(int draws, bool inShader)
    {
        ID3DXEffect* fx = (inShader ? skinnedEffect : plainEffect)->getEffect();
        screen.frame(device, [&] {
            device->BeginScene();
            UINT passes = 0;
            fx->SetTechnique(fx->GetTechnique(0));
            fx->Begin(&passes, 0);
            fx->BeginPass(0);
            for (int i = 0; i < draws; ++i)
                draw(fx, inShader);
            fx->EndPass();
            fx->End();
            device->EndScene();
        });
    }
};

// Args: draws per frame, method (0 processor, 1 vertex shader).
void BM_SkinnedFrame(benchmark::State& state)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    auto scene = std::make_unique<SkinnedScene>();
    if (!scene->create(640, 480)) {
        state.SkipWithError("no engine device, effects or skinned character");
        return;
    }
    const int draws = static_cast<int>(state.range(0));
    const bool inShader = state.range(1) != 0;
    scene->frame(1, inShader); // first use compiles the programs
    for (auto _ : state)
        scene->frame(draws, inShader);
}
BENCHMARK(BM_SkinnedFrame)->Args({0, 1})->Args({8, 0})->Args({8, 1})->Unit(benchmark::kMicrosecond);

// The skinning step alone, per pass: the processor's blend into the drawn mesh (and its upload
// at the unlock), or the palette handed to the skinned effect; nothing drawn.
void BM_SkinningStep(benchmark::State& state)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    auto scene = std::make_unique<SkinnedScene>();
    if (!scene->create(640, 480)) {
        state.SkipWithError("no engine device, effects or skinned character");
        return;
    }
    const bool inShader = state.range(0) != 0;
    Ulvo::AnimatedMesh& character = scene->character;
    auto* container = static_cast<Ulvo::AnimatedMeshContainer*>(character.getRootFrame()->pMeshContainer);
    ID3DXEffect* fx = scene->skinnedEffect->getEffect();
    D3DXMATRIX world;
    D3DXMatrixIdentity(&world);
    for (auto _ : state) {
        bend(character.getRootFrame(), scene->phase += 0.1f);
        Ulvo::updateFrameMatrices(character.getRootFrame(), &world, character.getRootFrame());
        if (inShader) {
            UINT bones = 0;
            const D3DXMATRIX* palette = character.bonePalette(container, bones);
            fx->SetMatrixArray("g_Bones", palette, bones);
            fx->CommitChanges();
        } else {
            character.skinContainer(container);
        }
    }
}
BENCHMARK(BM_SkinningStep)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

using DrawElements = void(APIENTRYP)(GLenum, GLsizei, GLenum, const void*);

struct PlainSkinned : BenchSupport::PlainGL {
    DrawElements drawElements = nullptr;
    GLuint program = 0, fbo = 0;
    GLint bonesAt = -1, viewProjAt = -1, colourAt = -1;
    GLsizei indexCount = 0;
    Ulvo::AnimatedMesh* character = nullptr;
    std::vector<D3DXMATRIX> palette;
    D3DXMATRIX viewProj;
    float phase = 0.0f;

    bool create(Ulvo::AnimatedMesh& mesh, const D3DXMATRIX& viewProjection, GLsizei w, GLsizei h)
    {
        character = &mesh;
        viewProj = viewProjection;
        if (!open("skinning", w, h))
            return false;
        drawElements = extra<DrawElements>("glDrawElements");
        if (!drawElements)
            return false;
        glGenFramebuffers(1, &fbo);
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        GLuint colour = 0, depth = 0;
        glGenTextures(1, &colour);
        glBindTexture(GL_TEXTURE_2D, colour);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour, 0);
        glGenRenderbuffers(1, &depth);
        glBindRenderbuffer(GL_RENDERBUFFER, depth);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, w, h);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depth);
        glViewport(0, 0, w, h);
        glEnable(GL_DEPTH_TEST);
        program = BenchSupport::PlainGL::program(R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec4 weights;
layout(location = 2) in vec4 bones;
layout(location = 3) in vec3 normal;
layout(location = 4) in vec2 uv;
uniform mat4 palette[48];
uniform mat4 viewProj;
out vec3 n;
out vec2 t;
void main()
{
    vec4 p = vec4(0.0);
    vec3 m = vec3(0.0);
    for (int i = 0; i < 4; ++i) {
        mat4 bone = palette[int(bones[i])];
        p += weights[i] * (bone * vec4(position, 1.0));
        m += weights[i] * (mat3(bone) * normal);
    }
    gl_Position = viewProj * vec4(p.xyz, 1.0);
    n = m;
    t = uv;
})",
                                                 R"(#version 330 core
in vec3 n;
in vec2 t;
uniform vec4 colour;
out vec4 result;
void main() { result = vec4(colour.rgb * (0.3 + 0.7 * max(dot(normalize(n), vec3(0.0, 0.6, -0.8)), 0.0)), 1.0); })");
        if (!program)
            return false;
        bonesAt = glGetUniformLocation(program, "palette");
        viewProjAt = glGetUniformLocation(program, "viewProj");
        colourAt = glGetUniformLocation(program, "colour");
        // The same blended vertices and triangles the engine draws.
        auto* container = static_cast<Ulvo::AnimatedMeshContainer*>(character->getRootFrame()->pMeshContainer);
        ID3DXMesh* blended = container->blendedMesh;
        const DWORD stride = blended->GetNumBytesPerVertex();
        void* vertices = nullptr;
        void* indices = nullptr;
        GLuint vao = 0, buffers[2] = {};
        glGenVertexArrays(1, &vao);
        glBindVertexArray(vao);
        glGenBuffers(2, buffers);
        glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
        blended->LockVertexBuffer(D3DLOCK_READONLY, &vertices);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(stride) * blended->GetNumVertices(), vertices,
                     GL_STATIC_DRAW);
        blended->UnlockVertexBuffer();
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
        indexCount = static_cast<GLsizei>(blended->GetNumFaces() * 3);
        blended->LockIndexBuffer(D3DLOCK_READONLY, &indices);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, indexCount * 2, indices, GL_STATIC_DRAW);
        blended->UnlockIndexBuffer();
        const struct {
            GLuint at;
            GLint size;
            GLenum type;
            size_t offset;
        } layout[] = {{0, 3, GL_FLOAT, 0},
                      {1, 4, GL_FLOAT, 12},
                      {2, 4, GL_UNSIGNED_BYTE, 28},
                      {3, 3, GL_FLOAT, 32},
                      {4, 2, GL_FLOAT, 44}};
        for (const auto& a : layout) {
            glEnableVertexAttribArray(a.at);
            glVertexAttribPointer(a.at, a.size, a.type, GL_FALSE, static_cast<GLsizei>(stride),
                                  reinterpret_cast<const void*>(a.offset));
        }
        return true;
    }

    void frame(int draws)
    {
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        glClearColor(0.5f, 0.55f, 0.6f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glUseProgram(program);
        // Row-vector matrices read column by column are the column-vector ones.
        glUniformMatrix4fv(viewProjAt, 1, GL_FALSE, &viewProj._11);
        glUniform4f(colourAt, 0.8f, 0.6f, 0.5f, 1.0f);
        auto* container = static_cast<Ulvo::AnimatedMeshContainer*>(character->getRootFrame()->pMeshContainer);
        for (int i = 0; i < draws; ++i) {
            D3DXMATRIX world;
            D3DXMatrixIdentity(&world);
            bend(character->getRootFrame(), phase += 0.1f);
            Ulvo::updateFrameMatrices(character->getRootFrame(), &world, character->getRootFrame());
            UINT bones = 0;
            const D3DXMATRIX* palette = character->bonePalette(container, bones);
            glUniformMatrix4fv(bonesAt, static_cast<GLsizei>(bones), GL_FALSE, &palette->_11);
            drawElements(GL_TRIANGLES, indexCount, GL_UNSIGNED_SHORT, nullptr);
        }
        unsigned char pixel[4];
        glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
        benchmark::DoNotOptimize(pixel[0]);
    }
};

// Args: draws per frame.
void BM_PlainSkinnedFrame(benchmark::State& state)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    auto scene = std::make_unique<SkinnedScene>();
    if (!scene->create(640, 480)) {
        state.SkipWithError("no engine device, effects or skinned character");
        return;
    }
    // close() brings the engine's context back before its resources go.
    PlainSkinned plain;
    const D3DXMATRIX viewProj = scene->camera.getViewMatrix() * scene->camera.getProjectionMatrix();
    if (plain.create(scene->character, viewProj, 640, 480)) {
        const int draws = static_cast<int>(state.range(0));
        plain.frame(1);
        for (auto _ : state)
            plain.frame(draws);
    } else {
        state.SkipWithError("no GL 3.3 context");
    }
    plain.close();
}
BENCHMARK(BM_PlainSkinnedFrame)->Arg(0)->Arg(8)->Unit(benchmark::kMicrosecond);

} // namespace
