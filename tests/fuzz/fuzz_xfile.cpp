// Reads arbitrary bytes as a .x mesh file with the platform's own reader, merged and as a
// hierarchy. A refused file must leave nothing behind; an accepted one must hold only faces
// whose corners and materials exist, skin weights whose vertices exist, frames whose parents
// come before them and key lists that are never empty and never go back in time, so that
// nothing built from it can index past its arrays.
#include "d3dx9/xfile/XFileReader.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void check(bool holds)
{
    if (!holds)
        std::abort();
}

void checkScene(const XFile::Scene& scene, bool mayBeEmpty)
{
    const size_t vertices = scene.positions.size();
    check((mayBeEmpty || vertices > 0) && vertices <= XFile::kMaxVertices);
    check(scene.indices.size() == scene.attributes.size() * 3);
    check(scene.normals.empty() || scene.normals.size() == vertices);
    check(scene.texCoords.empty() || scene.texCoords.size() == vertices);
    for (uint32_t index : scene.indices)
        check(index < vertices);
    for (uint32_t material : scene.attributes)
        check(material < scene.materials.size());
}

template <class Keys> void checkKeys(const Keys& keys)
{
    check(!keys.empty());
    for (size_t k = 1; k < keys.size(); ++k)
        check(keys[k - 1].time <= keys[k].time);
}

void checkHierarchy(const XFile::Hierarchy& hierarchy)
{
    check(hierarchy.ticksPerSecond > 0);
    check(!hierarchy.frames.empty() || !hierarchy.meshes.empty());
    for (size_t f = 0; f < hierarchy.frames.size(); ++f)
        check(hierarchy.frames[f].parent < static_cast<int>(f));
    for (const XFile::HierarchyMesh& mesh : hierarchy.meshes) {
        checkScene(mesh.geometry, false);
        check(mesh.frame < static_cast<int>(hierarchy.frames.size()));
        check(mesh.fileVertex.size() == mesh.geometry.positions.size());
        for (uint32_t file : mesh.fileVertex)
            check(file < mesh.fileVertexCount);
        check(mesh.bones.size() <= XFile::kMaxBones);
        for (const XFile::SkinWeights& bone : mesh.bones) {
            check(bone.vertices.size() == bone.weights.size());
            for (uint32_t v : bone.vertices)
                check(v < mesh.fileVertexCount);
            for (float w : bone.weights)
                check(std::isfinite(w) && w >= 0.0f);
        }
    }
    for (const XFile::AnimationSet& set : hierarchy.sets) {
        for (const XFile::Animation& animation : set.animations) {
            checkKeys(animation.scales);
            checkKeys(animation.rotations);
            checkKeys(animation.translations);
            for (const auto& key : animation.rotations)
                check(std::fabs(D3DXQuaternionLength(&key.value) - 1.0f) < 1e-3f);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    XFile::Scene scene;
    std::string error;
    if (!XFile::read(data, size, scene, error))
        check(!error.empty() && scene.positions.empty() && scene.indices.empty() && scene.materials.empty());
    else
        checkScene(scene, false);

    XFile::Hierarchy hierarchy;
    error.clear();
    if (!XFile::readHierarchy(data, size, hierarchy, error))
        check(!error.empty() && hierarchy.frames.empty() && hierarchy.meshes.empty() && hierarchy.sets.empty());
    else
        checkHierarchy(hierarchy);
    return 0;
}
