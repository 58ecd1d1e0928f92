// A plain SDL2 + OpenGL program drawing what bench_passes' shadowed frame draws (BM_ShadowFrame
// with shadows on): two splits, each a 2048 x 2048 map of the 16 boxes seen from the sun and then
// the floor and the boxes of its slice of the view at width x height reading it. It is the floor
// the engine's shadow pass is held against. The third argument chooses the map's layout:
//   0 a depth texture alone (no colour is written while the map is drawn),
//   1 an R32F colour target the casters write their depth into, with a D24S8 depth buffer cleared
//     whole (depth and stencil together),
//   2 the same with the depth buffer's depth alone cleared (its stencil left as it is).
// Each frame is waited for by reading one pixel back.
#include "PlainGL.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

constexpr GLsizei kMapSize = 2048;

// Column-major 4x4 matrices, as GL takes them.
struct Matrix {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};

Matrix operator*(const Matrix& a, const Matrix& b)
{
    Matrix r;
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) {
            float s = 0;
            for (int k = 0; k < 4; ++k)
                s += a.m[k * 4 + row] * b.m[c * 4 + k];
            r.m[c * 4 + row] = s;
        }
    return r;
}

Matrix placed(float x, float y, float z, float sx, float sy, float sz)
{
    Matrix r;
    r.m[0] = sx;
    r.m[5] = sy;
    r.m[10] = sz;
    r.m[12] = x;
    r.m[13] = y;
    r.m[14] = z;
    return r;
}

Matrix lookAt(const float eye[3], const float at[3])
{
    float f[3] = {at[0] - eye[0], at[1] - eye[1], at[2] - eye[2]};
    const float fl = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
    for (float& v : f)
        v /= fl;
    float s[3] = {f[2], 0, -f[0]}; // f x up, up = y
    const float sl = std::sqrt(s[0] * s[0] + s[2] * s[2]);
    s[0] /= sl;
    s[2] /= sl;
    const float u[3] = {s[1] * f[2] - s[2] * f[1], s[2] * f[0] - s[0] * f[2], s[0] * f[1] - s[1] * f[0]};
    Matrix r;
    const float* rows[3] = {s, u, f};
    for (int i = 0; i < 3; ++i) {
        const float sign = i == 2 ? -1.0f : 1.0f;
        r.m[0 * 4 + i] = sign * rows[i][0];
        r.m[1 * 4 + i] = sign * rows[i][1];
        r.m[2 * 4 + i] = sign * rows[i][2];
        r.m[3 * 4 + i] = -sign * (rows[i][0] * eye[0] + rows[i][1] * eye[1] + rows[i][2] * eye[2]);
    }
    return r;
}

Matrix perspective(float fovY, float aspect, float zn, float zf)
{
    Matrix r;
    const float t = 1.0f / std::tan(fovY / 2);
    r.m[0] = t / aspect;
    r.m[5] = t;
    r.m[10] = (zf + zn) / (zn - zf);
    r.m[11] = -1;
    r.m[14] = 2 * zf * zn / (zn - zf);
    r.m[15] = 0;
    return r;
}

Matrix ortho(float half, float zn, float zf)
{
    Matrix r;
    r.m[0] = 1 / half;
    r.m[5] = 1 / half;
    r.m[10] = -2 / (zf - zn);
    r.m[14] = -(zf + zn) / (zf - zn);
    return r;
}

// The 36 vertices of the unit box around the origin: position and normal.
std::vector<float> unitBox()
{
    std::vector<float> v;
    for (int axis = 0; axis < 3; ++axis)
        for (float side : {-0.5f, 0.5f}) {
            const int a = (axis + 1) % 3, b = (axis + 2) % 3;
            const float corners[6][2] = {{-0.5f, -0.5f}, {0.5f, -0.5f}, {0.5f, 0.5f},
                                         {-0.5f, -0.5f}, {0.5f, 0.5f},  {-0.5f, 0.5f}};
            for (int k = 0; k < 6; ++k) {
                // Both windings would do for a benchmark; culling is off.
                float p[3], n[3] = {0, 0, 0};
                p[axis] = side;
                p[a] = corners[k][0];
                p[b] = corners[k][1];
                n[axis] = side * 2;
                v.insert(v.end(), {p[0], p[1], p[2], n[0], n[1], n[2]});
            }
        }
    return v;
}

struct PlainShadow : BenchSupport::PlainGL {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    int layout = 0;
    GLsizei width = 0, height = 0;
    GLuint mapFbo = 0, mapTexture = 0, sceneFbo = 0, probeFbo = 0;
    GLuint casterProgram = 0, receiverProgram = 0, boxVao = 0;
    GLint casterAt = -1, worldAt = -1, viewProjAt = -1, lightAt = -1, colourAt = -1, viewAt = -1, sliceAt = -1;
    std::vector<Matrix> casters;
    Matrix floor;

    GLuint texture(GLint internal, GLsizei w, GLsizei h, GLenum format, GLenum type)
    {
        GLuint id = 0;
        glGenTextures(1, &id);
        glBindTexture(GL_TEXTURE_2D, id);
        glTexImage2D(GL_TEXTURE_2D, 0, internal, w, h, 0, format, type, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        return id;
    }
    void depthBuffer(GLsizei w, GLsizei h)
    {
        GLuint buffer = 0;
        glGenRenderbuffers(1, &buffer);
        glBindRenderbuffer(GL_RENDERBUFFER, buffer);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, w, h);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, buffer);
    }

    bool create(int mapLayout, GLsizei w, GLsizei h)
    {
        layout = mapLayout;
        width = w;
        height = h;
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        window = SDL_CreateWindow("shadow", 0, 0, w, h, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        context = window ? SDL_GL_CreateContext(window) : nullptr;
        if (!context || !load())
            return false;
        glGenFramebuffers(1, &mapFbo);
        glBindFramebuffer(GL_FRAMEBUFFER, mapFbo);
        if (layout == 0) {
            mapTexture = texture(GL_DEPTH_COMPONENT24, kMapSize, kMapSize, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT);
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, mapTexture, 0);
            glDrawBuffer(GL_NONE);
            glReadBuffer(GL_NONE);
        } else {
            mapTexture = texture(GL_R32F, kMapSize, kMapSize, GL_RED, GL_FLOAT);
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, mapTexture, 0);
            depthBuffer(kMapSize, kMapSize);
        }
        glGenFramebuffers(1, &sceneFbo);
        glBindFramebuffer(GL_FRAMEBUFFER, sceneFbo);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
                               texture(GL_RGBA8, w, h, GL_RGBA, GL_UNSIGNED_BYTE), 0);
        depthBuffer(w, h);
        glGenFramebuffers(1, &probeFbo);
        glBindFramebuffer(GL_FRAMEBUFFER, probeFbo);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
                               texture(GL_RGBA8, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE), 0);

        casterProgram = program(R"(#version 330 core
layout(location = 0) in vec3 position;
uniform mat4 worldLight;
void main() { gl_Position = worldLight * vec4(position, 1.0); })",
                                layout == 0 ? "#version 330 core\nvoid main() {}"
                                            : "#version 330 core\nout float depth;\n"
                                              "void main() { depth = gl_FragCoord.z; }");
        receiverProgram = program(R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
uniform mat4 world;
uniform mat4 viewProj;
uniform mat4 light;
uniform mat4 view;
uniform vec2 slice;
out vec4 fromLight;
out float lit;
void main() {
    vec4 p = world * vec4(position, 1.0);
    gl_Position = viewProj * p;
    // Each split draws its own slice of the view's depth, as the engine's clip planes keep it.
    float depth = -(view * p).z;
    gl_ClipDistance[0] = depth - slice.x;
    gl_ClipDistance[1] = slice.y - depth;
    fromLight = light * p;
    lit = max(dot(normalize(mat3(world) * normal), normalize(vec3(-1.0, 2.0, -1.5))), 0.0);
})",
                                  R"(#version 330 core
in vec4 fromLight;
in float lit;
uniform sampler2D map;
uniform vec4 colour;
out vec4 result;
void main() {
    vec3 p = fromLight.xyz / fromLight.w * 0.5 + 0.5;
    float shade = texture(map, p.xy).r + 0.002 < p.z ? 0.4 : 1.0;
    result = vec4(colour.rgb * (0.3 + 0.7 * lit * shade), 1.0);
})");
        if (!casterProgram || !receiverProgram)
            return false;
        casterAt = glGetUniformLocation(casterProgram, "worldLight");
        worldAt = glGetUniformLocation(receiverProgram, "world");
        viewProjAt = glGetUniformLocation(receiverProgram, "viewProj");
        lightAt = glGetUniformLocation(receiverProgram, "light");
        colourAt = glGetUniformLocation(receiverProgram, "colour");
        viewAt = glGetUniformLocation(receiverProgram, "view");
        sliceAt = glGetUniformLocation(receiverProgram, "slice");

        const std::vector<float> box = unitBox();
        GLuint buffer = 0;
        glGenVertexArrays(1, &boxVao);
        glBindVertexArray(boxVao);
        glGenBuffers(1, &buffer);
        glBindBuffer(GL_ARRAY_BUFFER, buffer);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(box.size() * sizeof(float)), box.data(), GL_STATIC_DRAW);
        glEnableVertexAttribArray(0);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 24, nullptr);
        glEnableVertexAttribArray(1);
        glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, 24, reinterpret_cast<void*>(12));
        // The bench_passes scene: a floor of 30 x 40 and 16 boxes of 1 on it.
        floor = placed(0, -0.05f, 0, 30, 0.1f, 40);
        for (int i = 0; i < 16; ++i)
            casters.push_back(
                placed(static_cast<float>(i % 4 * 3 - 5), 0.5f, static_cast<float>(i / 4 * 5 - 4), 1, 1, 1));
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_CLIP_DISTANCE0);
        glEnable(GL_CLIP_DISTANCE1);
        return true;
    }

    ~PlainShadow()
    {
        if (context)
            SDL_GL_DeleteContext(context);
        if (window)
            SDL_DestroyWindow(window);
    }

    void frame()
    {
        const float eye[3] = {0, 6, -14}, at[3] = {0, 0, 4};
        const Matrix view = lookAt(eye, at);
        const Matrix viewProj =
            perspective(0.7853982f, static_cast<float>(width) / static_cast<float>(height), 1, 40) * view;
        // The splits of near 1 and far 40 at a lambda of 1/2: half the logarithmic, half the even
        // division (13.4), each reaching one unit into the next as the engine's do.
        const float slices[2][2] = {{1.0f, 14.4f}, {13.4f, 41.0f}};
        glBindVertexArray(boxVao);
        for (int split = 0; split < 2; ++split) {
            // The nearer split sees half as far around the camera's target as the farther one.
            const float half = split == 0 ? 10.0f : 20.0f;
            const float sun[3] = {at[0] - 1 * 20, at[1] + 2 * 20, at[2] - 1.5f * 20};
            const Matrix light = ortho(half, 1, 80) * lookAt(sun, at);
            glBindFramebuffer(GL_FRAMEBUFFER, mapFbo);
            glViewport(0, 0, kMapSize, kMapSize);
            glClearColor(1, 1, 1, 1);
            glClear(layout == 0   ? GL_DEPTH_BUFFER_BIT
                    : layout == 1 ? GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT
                                  : GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            glUseProgram(casterProgram);
            for (const Matrix& world : casters) {
                const Matrix worldLight = light * world;
                glUniformMatrix4fv(casterAt, 1, GL_FALSE, worldLight.m);
                glDrawArrays(GL_TRIANGLES, 0, 36);
            }
            glBindFramebuffer(GL_FRAMEBUFFER, sceneFbo);
            glViewport(0, 0, width, height);
            if (split == 0) {
                glClearColor(0, 0, 0, 1);
                glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
            }
            glUseProgram(receiverProgram);
            glBindTexture(GL_TEXTURE_2D, mapTexture);
            glUniformMatrix4fv(viewProjAt, 1, GL_FALSE, viewProj.m);
            glUniformMatrix4fv(lightAt, 1, GL_FALSE, light.m);
            glUniformMatrix4fv(viewAt, 1, GL_FALSE, view.m);
            glUniform2f(sliceAt, slices[split][0], slices[split][1]);
            glUniformMatrix4fv(worldAt, 1, GL_FALSE, floor.m);
            glUniform4f(colourAt, 0.5f, 0.5f, 0.5f, 1);
            glDrawArrays(GL_TRIANGLES, 0, 36);
            glUniform4f(colourAt, 0.75f, 0.5f, 0.25f, 1);
            for (const Matrix& world : casters) {
                glUniformMatrix4fv(worldAt, 1, GL_FALSE, world.m);
                glDrawArrays(GL_TRIANGLES, 0, 36);
            }
        }
        unsigned char pixel[4];
        glBindFramebuffer(GL_FRAMEBUFFER, sceneFbo);
        glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
        benchmark::DoNotOptimize(pixel[0]);
    }
};

void BM_PlainShadowFrame(benchmark::State& state)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0 && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        state.SkipWithError("no SDL video");
        return;
    }
    PlainShadow scene;
    if (!scene.create(static_cast<int>(state.range(2)), static_cast<GLsizei>(state.range(0)),
                      static_cast<GLsizei>(state.range(1)))) {
        state.SkipWithError("no GL 3.3 context");
        return;
    }
    scene.frame(); // first use compiles the programs
    for (auto _ : state)
        scene.frame();
}
BENCHMARK(BM_PlainShadowFrame)
    ->Args({1024, 768, 0})
    ->Args({1024, 768, 1})
    ->Args({1024, 768, 2})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
