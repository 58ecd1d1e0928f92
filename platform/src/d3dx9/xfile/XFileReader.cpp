#include "d3dx9/xfile/XFileReader.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <utility>

namespace XFile {

namespace {

// Refusals travel as this exception inside the reader only; read() turns it into false.
struct Refused {
    std::string message;
};

enum class TokenType { End, Name, Number, String, Open, Close, Separator, Guid };

struct Token {
    TokenType type = TokenType::End;
    const char* begin = nullptr;
    size_t length = 0;
};

class Lexer {
public:
    Lexer(const char* begin, const char* end) : m_at(begin), m_end(end) {}

    [[noreturn]] void refuse(const std::string& what) const
    {
        throw Refused{"line " + std::to_string(m_line) + ": " + what};
    }

    size_t remaining() const { return static_cast<size_t>(m_end - m_at); }

    const Token& peek()
    {
        if (!m_peeked) {
            m_next = scan();
            m_peeked = true;
        }
        return m_next;
    }

    Token next()
    {
        Token token = peek();
        m_peeked = false;
        return token;
    }

    // Separators between values carry nothing the counts do not already say.
    void skipSeparators()
    {
        while (peek().type == TokenType::Separator)
            next();
    }

    double number()
    {
        skipSeparators();
        const Token token = next();
        if (token.type != TokenType::Number)
            refuse("a number was expected");
        char buffer[64];
        const size_t length = token.length < sizeof(buffer) - 1 ? token.length : sizeof(buffer) - 1;
        std::memcpy(buffer, token.begin, length);
        buffer[length] = '\0';
        const double value = std::strtod(buffer, nullptr);
        if (!std::isfinite(value))
            refuse("a number is out of range");
        return value;
    }

    float real() { return static_cast<float>(number()); }

    uint32_t count()
    {
        const double value = number();
        if (value < 0.0 || value > 4294967295.0 || value != std::floor(value))
            refuse("a count or index is not a whole number from 0 to 4294967295");
        return static_cast<uint32_t>(value);
    }

    // A count of items that each take at least minBytes of text: more than the rest of the
    // file can hold is refused before anything is reserved for it.
    uint32_t boundedCount(uint32_t limit, size_t minBytes, const char* what)
    {
        const uint32_t n = count();
        if (n > limit)
            refuse(std::string(what) + " count " + std::to_string(n) + " is above the limit " + std::to_string(limit));
        if (static_cast<uint64_t>(n) * minBytes > remaining())
            refuse(std::string(what) + " count " + std::to_string(n) + " is more than the file holds");
        return n;
    }

    std::string string()
    {
        skipSeparators();
        const Token token = next();
        if (token.type != TokenType::String)
            refuse("a string was expected");
        std::string text;
        for (size_t i = 1; i + 1 < token.length; ++i) {
            char c = token.begin[i];
            if (c == '\\' && i + 2 < token.length)
                c = token.begin[++i];
            text.push_back(c);
        }
        return text;
    }

    void expect(TokenType type, const char* what)
    {
        skipSeparators();
        if (next().type != type)
            refuse(std::string("expected ") + what);
    }

private:
    Token scan()
    {
        for (;;) {
            while (m_at < m_end && (*m_at == ' ' || *m_at == '\t' || *m_at == '\r' || *m_at == '\n')) {
                if (*m_at == '\n')
                    ++m_line;
                ++m_at;
            }
            if (m_at < m_end && (*m_at == '#' || (*m_at == '/' && m_at + 1 < m_end && m_at[1] == '/'))) {
                while (m_at < m_end && *m_at != '\n')
                    ++m_at;
                continue;
            }
            break;
        }
        Token token;
        token.begin = m_at;
        if (m_at >= m_end)
            return token;
        const char c = *m_at;
        if (c == '{' || c == '}' || c == ',' || c == ';') {
            token.type = c == '{' ? TokenType::Open : c == '}' ? TokenType::Close : TokenType::Separator;
            ++m_at;
        } else if (c == '"') {
            ++m_at;
            while (m_at < m_end && *m_at != '"') {
                if (*m_at == '\\' && m_at + 1 < m_end)
                    ++m_at;
                if (*m_at == '\n')
                    ++m_line;
                ++m_at;
                if (static_cast<size_t>(m_at - token.begin) > kMaxStringLength + 2)
                    refuse("a string is longer than " + std::to_string(kMaxStringLength) + " characters");
            }
            if (m_at >= m_end)
                refuse("a string is not closed");
            ++m_at;
            token.type = TokenType::String;
        } else if (c == '<') {
            while (m_at < m_end && *m_at != '>' && static_cast<size_t>(m_at - token.begin) < 64)
                ++m_at;
            if (m_at >= m_end || *m_at != '>')
                refuse("a GUID is not closed");
            ++m_at;
            token.type = TokenType::Guid;
        } else if ((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.') {
            while (m_at < m_end && ((*m_at >= '0' && *m_at <= '9') || *m_at == '-' || *m_at == '+' || *m_at == '.' ||
                                    *m_at == 'e' || *m_at == 'E')) {
                ++m_at;
                if (static_cast<size_t>(m_at - token.begin) > 48)
                    refuse("a number is longer than 48 characters");
            }
            token.type = TokenType::Number;
        } else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_') {
            while (m_at < m_end && ((*m_at >= 'A' && *m_at <= 'Z') || (*m_at >= 'a' && *m_at <= 'z') ||
                                    (*m_at >= '0' && *m_at <= '9') || *m_at == '_' || *m_at == '-' || *m_at == '.')) {
                ++m_at;
                if (static_cast<size_t>(m_at - token.begin) > kMaxNameLength)
                    refuse("a name is longer than " + std::to_string(kMaxNameLength) + " characters");
            }
            token.type = TokenType::Name;
        } else {
            refuse("unexpected character " + std::to_string(static_cast<unsigned char>(c)));
        }
        token.length = static_cast<size_t>(m_at - token.begin);
        return token;
    }

    const char* m_at;
    const char* m_end;
    int m_line = 1;
    Token m_next;
    bool m_peeked = false;
};

struct Polygon {
    uint32_t first; // into RawMesh::corners
    uint32_t count;
};

// One Mesh object as the file gives it.
struct RawMesh {
    std::vector<D3DXVECTOR3> positions;
    std::vector<uint32_t> corners;
    std::vector<Polygon> polygons;
    std::vector<D3DXVECTOR3> normals;
    std::vector<uint32_t> normalCorners; // parallel to corners when present
    std::vector<D3DXVECTOR2> texCoords;
    std::vector<uint32_t> polygonMaterials;
    std::vector<Material> materials;
    bool hasMaterialList = false;
    int frame = -1;
    std::string name;
    std::vector<SkinWeights> bones;
    int64_t declaredBones = -1; // from the skin header, -1 without one
};

D3DXMATRIX identityMatrix()
{
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    return m;
}

class Parser {
public:
    Parser(const char* begin, const char* end) : m_lex(begin, end) {}

    void run()
    {
        while (true) {
            m_lex.skipSeparators();
            const Token token = m_lex.next();
            if (token.type == TokenType::End)
                break;
            if (token.type != TokenType::Name)
                m_lex.refuse("an object was expected");
            object(std::string(token.begin, token.length), -1, nullptr, 0);
        }
    }

    // Every mesh moved by its frames and merged into one.
    void merge(Scene& scene)
    {
        bool anyNormals = false, anyTexCoords = false;
        for (const auto& mesh : m_meshes) {
            anyNormals = anyNormals || !mesh->normals.empty();
            anyTexCoords = anyTexCoords || !mesh->texCoords.empty();
        }
        for (const auto& mesh : m_meshes)
            append(*mesh, combined(mesh->frame), anyNormals, anyTexCoords, scene, nullptr);
        if (scene.materials.empty())
            scene.materials.push_back(Material());
    }

    // Each mesh with faces on its own, with its skin; the frames; the animation sets.
    void hierarchy(Hierarchy& out)
    {
        out.frames = m_frames;
        out.ticksPerSecond = m_ticksPerSecond;
        for (const auto& meshPtr : m_meshes) {
            RawMesh& mesh = *meshPtr;
            if (mesh.polygons.empty())
                continue;
            if (mesh.declaredBones >= 0 && mesh.bones.size() > static_cast<size_t>(mesh.declaredBones))
                m_lex.refuse("mesh " + mesh.name + " has " + std::to_string(mesh.bones.size()) +
                             " skin weights, past the " + std::to_string(mesh.declaredBones) +
                             " bones its skin header declares");
            for (const SkinWeights& bone : mesh.bones) {
                if (findFrame(bone.frame) < 0)
                    m_lex.refuse("skin weights of mesh " + mesh.name + " name the frame \"" + bone.frame +
                                 "\", which the file does not hold");
            }
            HierarchyMesh part;
            part.name = mesh.name;
            part.frame = mesh.frame;
            part.fileVertexCount = static_cast<uint32_t>(mesh.positions.size());
            append(mesh, identityMatrix(), !mesh.normals.empty(), !mesh.texCoords.empty(), part.geometry,
                   &part.fileVertex);
            part.bones = std::move(mesh.bones);
            out.meshes.push_back(std::move(part));
        }
        if (out.frames.empty() && out.meshes.empty())
            m_lex.refuse("the file holds neither a frame nor a mesh");
        for (AnimationSet& set : m_sets) {
            for (Animation& animation : set.animations)
                completeKeys(animation);
        }
        out.sets = std::move(m_sets);
    }

private:
    void enter(size_t depth)
    {
        if (depth >= kMaxDepth)
            m_lex.refuse("objects are nested deeper than " + std::to_string(kMaxDepth));
    }

    // Reads an optional name and the opening brace of an object.
    std::string header()
    {
        std::string name;
        if (m_lex.peek().type == TokenType::Name) {
            const Token token = m_lex.next();
            name.assign(token.begin, token.length);
        }
        m_lex.expect(TokenType::Open, "{");
        if (m_lex.peek().type == TokenType::Guid)
            m_lex.next();
        return name;
    }

    // Passes over the rest of an object whose opening brace was read.
    void skipBody(size_t depth)
    {
        size_t open = 1;
        while (open > 0) {
            const Token token = m_lex.next();
            if (token.type == TokenType::End)
                m_lex.refuse("the file ends inside an object");
            if (token.type == TokenType::Open) {
                ++open;
                enter(depth + open);
            } else if (token.type == TokenType::Close) {
                --open;
            }
        }
    }

    void object(const std::string& type, int frame, RawMesh* mesh, size_t depth)
    {
        enter(depth);
        if (type == "template") {
            header();
            skipBody(depth);
        } else if (type == "Frame") {
            const std::string name = header();
            frameBody(name, frame, depth);
        } else if (type == "Mesh") {
            const std::string name = header();
            meshBody(name, frame, depth);
        } else if (type == "AnimTicksPerSecond") {
            header();
            const uint32_t ticks = m_lex.count();
            if (ticks == 0)
                m_lex.refuse("an animation runs at 0 ticks per second");
            m_ticksPerSecond = ticks;
            m_lex.expect(TokenType::Close, "} after the ticks per second");
        } else if (type == "AnimationSet") {
            const std::string name = header();
            animationSet(name, depth);
        } else if (type == "Material") {
            const std::string name = header();
            Material material = materialBody(depth);
            if (mesh)
                mesh->materials.push_back(material);
            else if (!name.empty())
                m_namedMaterials[name] = material;
        } else {
            header();
            skipBody(depth);
        }
    }

    // Children until the closing brace; anything not known is passed over.
    template <class Child> void children(size_t depth, Child&& child)
    {
        while (true) {
            m_lex.skipSeparators();
            const Token token = m_lex.next();
            if (token.type == TokenType::Close)
                return;
            if (token.type == TokenType::End)
                m_lex.refuse("the file ends inside an object");
            if (token.type == TokenType::Open) {
                // A reference to a named object.
                m_lex.skipSeparators();
                const Token name = m_lex.next();
                if (name.type != TokenType::Name)
                    m_lex.refuse("a reference names nothing");
                m_lex.expect(TokenType::Close, "} after a reference");
                child(std::string(), std::string(name.begin, name.length));
                continue;
            }
            if (token.type != TokenType::Name)
                m_lex.refuse("an object was expected");
            child(std::string(token.begin, token.length), std::string());
        }
        (void)depth;
    }

    void frameBody(const std::string& name, int parent, size_t depth)
    {
        if (m_frames.size() >= kMaxFrames)
            m_lex.refuse("the file holds more than " + std::to_string(kMaxFrames) + " frames");
        m_frames.push_back({name, identityMatrix(), parent});
        const int self = static_cast<int>(m_frames.size() - 1);
        children(depth, [&](const std::string& type, const std::string&) {
            if (type == "FrameTransformMatrix") {
                enter(depth + 1);
                header();
                matrix(m_frames[self].local);
                m_lex.expect(TokenType::Close, "} after a matrix");
            } else if (!type.empty()) {
                object(type, self, nullptr, depth + 1);
            }
        });
    }

    void meshBody(const std::string& name, int frame, size_t depth)
    {
        m_meshes.push_back(std::make_unique<RawMesh>());
        RawMesh& mesh = *m_meshes.back();
        mesh.frame = frame;
        mesh.name = name;
        const uint32_t vertexCount = m_lex.boundedCount(kMaxVertices, 6, "vertex");
        if (m_totalVertices + vertexCount > kMaxVertices)
            m_lex.refuse("the file holds more than " + std::to_string(kMaxVertices) + " vertices");
        m_totalVertices += vertexCount;
        mesh.positions.resize(vertexCount);
        for (D3DXVECTOR3& p : mesh.positions) {
            p.x = m_lex.real();
            p.y = m_lex.real();
            p.z = m_lex.real();
        }
        polygons(vertexCount, mesh.polygons, mesh.corners, "vertex");
        children(depth, [&](const std::string& type, const std::string&) {
            if (type == "MeshNormals") {
                enter(depth + 1);
                header();
                meshNormals(mesh, depth + 1);
            } else if (type == "MeshTextureCoords") {
                enter(depth + 1);
                header();
                const uint32_t n = m_lex.boundedCount(kMaxVertices, 4, "texture coordinate");
                if (n != vertexCount)
                    m_lex.refuse("texture coordinate count " + std::to_string(n) + " differs from the vertex count " +
                                 std::to_string(vertexCount));
                mesh.texCoords.resize(n);
                for (D3DXVECTOR2& t : mesh.texCoords) {
                    t.x = m_lex.real();
                    t.y = m_lex.real();
                }
                m_lex.expect(TokenType::Close, "} after texture coordinates");
            } else if (type == "MeshMaterialList") {
                enter(depth + 1);
                header();
                materialList(mesh, depth + 1);
            } else if (type == "XSkinMeshHeader") {
                enter(depth + 1);
                header();
                m_lex.count(); // most weights per vertex
                m_lex.count(); // most weights per face
                mesh.declaredBones = m_lex.count();
                m_lex.expect(TokenType::Close, "} after a skin header");
            } else if (type == "SkinWeights") {
                enter(depth + 1);
                header();
                skinWeights(mesh);
            } else if (!type.empty()) {
                object(type, frame, nullptr, depth + 1);
            }
        });
    }

    // A polygon list: count, then per polygon its corner count and corners, each below `limit`.
    void polygons(uint32_t limit, std::vector<Polygon>& list, std::vector<uint32_t>& corners, const char* what)
    {
        const uint32_t polygonCount = m_lex.boundedCount(kMaxTriangles, 8, "face");
        list.reserve(polygonCount);
        for (uint32_t f = 0; f < polygonCount; ++f) {
            const uint32_t n = m_lex.count();
            if (n < 3 || n > kMaxPolygonCorners)
                m_lex.refuse("face " + std::to_string(f) + " has " + std::to_string(n) + " corners");
            if (static_cast<uint64_t>(n) * 2 > m_lex.remaining())
                m_lex.refuse("face " + std::to_string(f) + " is more than the file holds");
            m_totalTriangles += n - 2;
            if (m_totalTriangles > kMaxTriangles)
                m_lex.refuse("the file holds more than " + std::to_string(kMaxTriangles) + " triangles");
            list.push_back({static_cast<uint32_t>(corners.size()), n});
            for (uint32_t k = 0; k < n; ++k) {
                const uint32_t index = m_lex.count();
                if (index >= limit)
                    m_lex.refuse(std::string(what) + " index " + std::to_string(index) + " is not below the " + what +
                                 " count " + std::to_string(limit));
                corners.push_back(index);
            }
        }
    }

    void meshNormals(RawMesh& mesh, size_t depth)
    {
        const uint32_t n = m_lex.boundedCount(kMaxVertices, 6, "normal");
        mesh.normals.resize(n);
        for (D3DXVECTOR3& v : mesh.normals) {
            v.x = m_lex.real();
            v.y = m_lex.real();
            v.z = m_lex.real();
        }
        std::vector<Polygon> faces;
        std::vector<uint32_t> corners;
        polygons(n, faces, corners, "normal");
        if (faces.size() != mesh.polygons.size())
            m_lex.refuse("normal face count " + std::to_string(faces.size()) + " differs from the face count " +
                         std::to_string(mesh.polygons.size()));
        for (size_t f = 0; f < faces.size(); ++f) {
            if (faces[f].count != mesh.polygons[f].count)
                m_lex.refuse("normal face " + std::to_string(f) + " has another corner count than its face");
        }
        mesh.normalCorners = std::move(corners);
        m_lex.expect(TokenType::Close, "} after normals");
        (void)depth;
    }

    void materialList(RawMesh& mesh, size_t depth)
    {
        const uint32_t declared = m_lex.boundedCount(kMaxMaterials, 0, "material");
        const uint32_t n = m_lex.boundedCount(kMaxTriangles, 2, "material face");
        if (n > mesh.polygons.size())
            m_lex.refuse("material face count " + std::to_string(n) + " is above the face count " +
                         std::to_string(mesh.polygons.size()));
        mesh.polygonMaterials.resize(n);
        for (uint32_t& m : mesh.polygonMaterials)
            m = m_lex.count();
        mesh.hasMaterialList = true;
        children(depth, [&](const std::string& type, const std::string& reference) {
            if (!reference.empty()) {
                auto found = m_namedMaterials.find(reference);
                if (found == m_namedMaterials.end())
                    m_lex.refuse("material " + reference + " is not defined");
                mesh.materials.push_back(found->second);
            } else if (type == "Material") {
                object(type, -1, &mesh, depth + 1);
            } else {
                object(type, -1, nullptr, depth + 1);
            }
            // Counted over the whole file: references repeat a material without its text.
            if (++m_totalMaterials > kMaxMaterials)
                m_lex.refuse("the file holds more than " + std::to_string(kMaxMaterials) + " materials");
        });
        if (mesh.materials.size() != declared)
            m_lex.refuse("the material list declares " + std::to_string(declared) + " materials and gives " +
                         std::to_string(mesh.materials.size()));
        // Faces past the list's end keep the last face's material, as the format says.
        for (uint32_t m : mesh.polygonMaterials) {
            if (m >= mesh.materials.size())
                m_lex.refuse("material index " + std::to_string(m) + " is not below the material count " +
                             std::to_string(mesh.materials.size()));
        }
        if (!mesh.polygonMaterials.empty())
            mesh.polygonMaterials.resize(mesh.polygons.size(), mesh.polygonMaterials.back());
        else if (!mesh.polygons.empty())
            m_lex.refuse("the material list gives no face its material");
    }

    void matrix(D3DXMATRIX& m)
    {
        for (int i = 0; i < 16; ++i)
            m.m[i / 4][i % 4] = m_lex.real();
    }

    void skinWeights(RawMesh& mesh)
    {
        if (mesh.bones.size() >= kMaxBones)
            m_lex.refuse("mesh " + mesh.name + " has more than " + std::to_string(kMaxBones) + " bones");
        SkinWeights bone;
        bone.frame = m_lex.string();
        const uint32_t n = m_lex.boundedCount(kMaxVertices, 4, "skin weight");
        bone.vertices.resize(n);
        for (uint32_t& v : bone.vertices) {
            v = m_lex.count();
            if (v >= mesh.positions.size())
                m_lex.refuse("skin weights of bone \"" + bone.frame + "\" name vertex " + std::to_string(v) +
                             ", past the mesh's " + std::to_string(mesh.positions.size()));
        }
        bone.weights.resize(n);
        for (float& w : bone.weights) {
            w = m_lex.real();
            if (!(w >= 0.0f))
                m_lex.refuse("bone \"" + bone.frame + "\" has the negative weight " + std::to_string(w));
        }
        matrix(bone.offset);
        m_lex.expect(TokenType::Close, "} after skin weights");
        mesh.bones.push_back(std::move(bone));
    }

    void animationSet(const std::string& name, size_t depth)
    {
        if (m_sets.size() >= kMaxAnimations)
            m_lex.refuse("the file holds more than " + std::to_string(kMaxAnimations) + " animation sets");
        m_sets.push_back({name, {}});
        const size_t set = m_sets.size() - 1;
        children(depth, [&](const std::string& type, const std::string&) {
            if (type == "Animation") {
                enter(depth + 1);
                header();
                animation(set, depth + 1);
            } else if (!type.empty()) {
                object(type, -1, nullptr, depth + 1);
            }
        });
    }

    // By index: an object nested in the animation may add sets and move them.
    void animation(size_t set, size_t depth)
    {
        if (++m_totalAnimations > kMaxAnimations)
            m_lex.refuse("the file holds more than " + std::to_string(kMaxAnimations) + " animations");
        Animation animation;
        children(depth, [&](const std::string& type, const std::string& reference) {
            if (!reference.empty()) {
                animation.frame = reference;
            } else if (type == "AnimationKey") {
                enter(depth + 1);
                header();
                animationKey(animation);
            } else {
                object(type, -1, nullptr, depth + 1);
            }
        });
        m_sets[set].animations.push_back(std::move(animation));
    }

    // keyType; nKeys; then per key: time; value count; values;
    void animationKey(Animation& animation)
    {
        const uint32_t kind = m_lex.count();
        static const uint32_t kValues[5] = {4, 3, 3, 0, 16};
        if (kind > 4 || kind == 3)
            m_lex.refuse("animation key kind " + std::to_string(kind) + " is unknown");
        const uint32_t n = m_lex.boundedCount(kMaxKeys, 2 * (kValues[kind] + 2), "animation key");
        m_totalKeys += n;
        if (m_totalKeys > kMaxKeys)
            m_lex.refuse("the file holds more than " + std::to_string(kMaxKeys) + " animation keys");
        // Several key objects of one kind add to one list, which never goes back in time.
        auto add = [&](auto& list, uint32_t k, const auto& key) {
            if (!list.empty() && key.time < list.back().time)
                m_lex.refuse("animation key " + std::to_string(k) + " goes back in time");
            list.push_back(key);
        };
        for (uint32_t k = 0; k < n; ++k) {
            const uint32_t time = m_lex.count();
            const uint32_t values = m_lex.count();
            if (values != kValues[kind])
                m_lex.refuse("animation key " + std::to_string(k) + " of kind " + std::to_string(kind) + " has " +
                             std::to_string(values) + " values, not " + std::to_string(kValues[kind]));
            if (kind == 0) {
                // w, x, y, z in the file.
                const float w = m_lex.real(), x = m_lex.real(), y = m_lex.real(), z = m_lex.real();
                add(animation.rotations, k, Key<D3DXQUATERNION>{time, unitQuaternion(D3DXQUATERNION(x, y, z, w))});
            } else if (kind == 1 || kind == 2) {
                D3DXVECTOR3 v;
                v.x = m_lex.real();
                v.y = m_lex.real();
                v.z = m_lex.real();
                add(kind == 1 ? animation.scales : animation.translations, k, Key<D3DXVECTOR3>{time, v});
            } else {
                D3DXMATRIX m;
                matrix(m);
                D3DXVECTOR3 scale, translation;
                D3DXQUATERNION rotation;
                if (FAILED(D3DXMatrixDecompose(&scale, &rotation, &translation, &m)))
                    m_lex.refuse("matrix key " + std::to_string(k) + " does not split into scale, rotation and move");
                add(animation.scales, k, Key<D3DXVECTOR3>{time, scale});
                add(animation.rotations, k, Key<D3DXQUATERNION>{time, unitQuaternion(rotation)});
                add(animation.translations, k, Key<D3DXVECTOR3>{time, translation});
            }
        }
        m_lex.expect(TokenType::Close, "} after animation keys");
    }

    D3DXQUATERNION unitQuaternion(const D3DXQUATERNION& q)
    {
        const float length = D3DXQuaternionLength(&q);
        if (!(length > 1e-6f) || !std::isfinite(length))
            m_lex.refuse("a rotation key has no length");
        return D3DXQUATERNION(q.x / length, q.y / length, q.z / length, q.w / length);
    }

    int findFrame(const std::string& name) const
    {
        for (size_t f = 0; f < m_frames.size(); ++f) {
            if (m_frames[f].name == name)
                return static_cast<int>(f);
        }
        return -1;
    }

    // Kinds of keys the file left out hold the animated frame's own value.
    void completeKeys(Animation& animation) const
    {
        D3DXVECTOR3 scale(1.0f, 1.0f, 1.0f), translation(0.0f, 0.0f, 0.0f);
        D3DXQUATERNION rotation(0.0f, 0.0f, 0.0f, 1.0f);
        const int frame = findFrame(animation.frame);
        if (frame >= 0 &&
            FAILED(D3DXMatrixDecompose(&scale, &rotation, &translation, &m_frames[static_cast<size_t>(frame)].local))) {
            scale = D3DXVECTOR3(1.0f, 1.0f, 1.0f);
            rotation = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
            translation = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        }
        // A sheared frame matrix gives no clean turn: keep the nearest one, or none.
        const float length = D3DXQuaternionLength(&rotation);
        if (length > 1e-6f && std::isfinite(length))
            rotation /= length;
        else
            rotation = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
        if (animation.scales.empty())
            animation.scales.push_back({0, scale});
        if (animation.rotations.empty())
            animation.rotations.push_back({0, rotation});
        if (animation.translations.empty())
            animation.translations.push_back({0, translation});
    }

    Material materialBody(size_t depth)
    {
        Material material;
        for (float& c : material.diffuse)
            c = m_lex.real();
        material.power = m_lex.real();
        for (float& c : material.specular)
            c = m_lex.real();
        for (float& c : material.emissive)
            c = m_lex.real();
        children(depth, [&](const std::string& type, const std::string&) {
            if (type == "TextureFilename" || type == "TextureFileName") {
                enter(depth + 1);
                header();
                material.textureFile = m_lex.string();
                m_lex.expect(TokenType::Close, "} after a texture file name");
            } else if (!type.empty()) {
                object(type, -1, nullptr, depth + 1);
            }
        });
        return material;
    }

    D3DXMATRIX combined(int frame) const
    {
        D3DXMATRIX result;
        D3DXMatrixIdentity(&result);
        // Child first: a vertex goes through its own frame, then each parent's.
        for (int f = frame; f >= 0; f = m_frames[static_cast<size_t>(f)].parent)
            D3DXMatrixMultiply(&result, &result, &m_frames[static_cast<size_t>(f)].local);
        return result;
    }

    // Appends one mesh, triangulated and moved by `world`, to `scene`; `fileVertex` (when given)
    // learns the file vertex of every vertex appended.
    void append(const RawMesh& mesh, const D3DXMATRIX& world, bool anyNormals, bool anyTexCoords, Scene& scene,
                std::vector<uint32_t>* fileVertex)
    {
        {
            const uint32_t base = static_cast<uint32_t>(scene.positions.size());
            const uint32_t materialBase = static_cast<uint32_t>(scene.materials.size());
            for (size_t v = 0; v < mesh.positions.size(); ++v) {
                D3DXVECTOR3 moved;
                D3DXVec3TransformCoord(&moved, &mesh.positions[v], &world);
                scene.positions.push_back(moved);
                if (fileVertex)
                    fileVertex->push_back(static_cast<uint32_t>(v));
            }
            if (anyTexCoords) {
                if (mesh.texCoords.empty())
                    scene.texCoords.resize(scene.positions.size(), D3DXVECTOR2(0.0f, 0.0f));
                else
                    scene.texCoords.insert(scene.texCoords.end(), mesh.texCoords.begin(), mesh.texCoords.end());
            }
            if (anyNormals)
                scene.normals.resize(scene.positions.size(), D3DXVECTOR3(0.0f, 0.0f, 0.0f));

            // The normal each file vertex took first; later different ones go to copies.
            std::vector<int64_t> taken(mesh.positions.size(), -1);
            std::map<std::pair<uint32_t, uint32_t>, uint32_t> copies;
            auto vertexFor = [&](uint32_t position, uint32_t corner) -> uint32_t {
                if (mesh.normalCorners.empty())
                    return base + position;
                const uint32_t normal = mesh.normalCorners[corner];
                uint32_t vertex = base + position;
                if (taken[position] < 0) {
                    taken[position] = normal;
                } else if (taken[position] != normal) {
                    auto found = copies.find({position, normal});
                    if (found != copies.end())
                        return found->second;
                    if (scene.positions.size() >= kMaxVertices)
                        m_lex.refuse("splitting vertices by their normals makes more than " +
                                     std::to_string(kMaxVertices) + " vertices");
                    vertex = static_cast<uint32_t>(scene.positions.size());
                    scene.positions.push_back(scene.positions[base + position]);
                    scene.normals.push_back(D3DXVECTOR3());
                    if (anyTexCoords)
                        scene.texCoords.push_back(scene.texCoords[base + position]);
                    copies[{position, normal}] = vertex;
                    if (fileVertex)
                        fileVertex->push_back(position);
                }
                D3DXVECTOR3 n;
                D3DXVec3TransformNormal(&n, &mesh.normals[normal], &world);
                if (D3DXVec3LengthSq(&n) > 0.0f)
                    D3DXVec3Normalize(&n, &n);
                scene.normals[vertex] = n;
                return vertex;
            };
            for (size_t f = 0; f < mesh.polygons.size(); ++f) {
                const Polygon& polygon = mesh.polygons[f];
                const uint32_t material = mesh.hasMaterialList ? materialBase + mesh.polygonMaterials[f] : materialBase;
                const uint32_t first = vertexFor(mesh.corners[polygon.first], polygon.first);
                for (uint32_t k = 1; k + 1 < polygon.count; ++k) {
                    scene.indices.push_back(first);
                    scene.indices.push_back(vertexFor(mesh.corners[polygon.first + k], polygon.first + k));
                    scene.indices.push_back(vertexFor(mesh.corners[polygon.first + k + 1], polygon.first + k + 1));
                    scene.attributes.push_back(material);
                }
            }
            if (mesh.hasMaterialList)
                scene.materials.insert(scene.materials.end(), mesh.materials.begin(), mesh.materials.end());
            else
                scene.materials.push_back(Material());
        }
    }

    Lexer m_lex;
    std::vector<Frame> m_frames;
    std::vector<std::unique_ptr<RawMesh>> m_meshes;
    std::map<std::string, Material> m_namedMaterials;
    uint64_t m_totalVertices = 0;
    uint64_t m_totalTriangles = 0;
    uint64_t m_totalMaterials = 0;
    uint64_t m_totalKeys = 0;
    uint64_t m_totalAnimations = 0;
    uint32_t m_ticksPerSecond = 4800;
    std::vector<AnimationSet> m_sets;
};

} // namespace

namespace {

// The header check and the refusal handling both readers share; `parse` runs the parser.
template <class Parse> bool readWith(const void* bytes, size_t size, std::string& error, Parse&& parse)
{
    const char* text = static_cast<const char*>(bytes);
    if (!text || size < 16 || std::memcmp(text, "xof ", 4) != 0) {
        error = "not a .x file (no \"xof \" header)";
        return false;
    }
    if (std::memcmp(text + 8, "txt ", 4) != 0) {
        error = "only the text flavour is read (the header says \"" + std::string(text + 8, 4) + "\")";
        return false;
    }
    try {
        Parser parser(text + 16, text + size);
        parser.run();
        parse(parser);
    } catch (const Refused& refused) {
        error = refused.message;
        return false;
    } catch (const std::bad_alloc&) {
        error = "out of memory";
        return false;
    }
    return true;
}

} // namespace

bool read(const void* bytes, size_t size, Scene& scene, std::string& error)
{
    scene = Scene();
    if (!readWith(bytes, size, error, [&](Parser& parser) { parser.merge(scene); })) {
        scene = Scene();
        return false;
    }
    if (scene.indices.empty()) {
        scene = Scene();
        error = "the file holds no faces";
        return false;
    }
    return true;
}

bool readHierarchy(const void* bytes, size_t size, Hierarchy& hierarchy, std::string& error)
{
    hierarchy = Hierarchy();
    if (!readWith(bytes, size, error, [&](Parser& parser) { parser.hierarchy(hierarchy); })) {
        hierarchy = Hierarchy();
        return false;
    }
    return true;
}

} // namespace XFile
