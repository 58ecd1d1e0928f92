// meshtool: builds the game's static meshes and writes them as .x text files, with the
// textures of the props as TGA pictures.
//   meshtool OUT_DIR
// Every file lands in OUT_DIR/data/Meshes/ under the name the mesh list (data/Meshes/meshes.msh)
// gives it. Faces come out sorted by material and turned clockwise seen from the side their
// normals point to, as Direct3D draws front faces.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Vec3 {
    double x = 0, y = 0, z = 0;
};

Vec3 operator-(const Vec3& a, const Vec3& b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3 operator+(const Vec3& a, const Vec3& b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec3 cross(const Vec3& a, const Vec3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double dot(const Vec3& a, const Vec3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec3 normalised(const Vec3& a)
{
    const double length = std::sqrt(dot(a, a));
    return length > 0 ? Vec3{a.x / length, a.y / length, a.z / length} : a;
}

struct Material {
    std::string name;
    double r, g, b, a;
    double power;
    double specular;
    std::string texture; // under data\Meshes, empty for none
};

class MeshBuilder {
public:
    explicit MeshBuilder(std::string name) : m_name(std::move(name)) {}

    int material(const Material& m)
    {
        m_materials.push_back(m);
        return static_cast<int>(m_materials.size() - 1);
    }
    void use(int material) { m_current = material; }

    int vertex(const Vec3& p, const Vec3& n, double u, double v)
    {
        m_positions.push_back(p);
        m_normals.push_back(normalised(n));
        m_uvs.push_back({u, v});
        return static_cast<int>(m_positions.size() - 1);
    }

    // A triangle turned so that it faces the way its corners' normals point.
    void triangle(int a, int b, int c)
    {
        const Vec3 faceNormal = cross(m_positions[b] - m_positions[a], m_positions[c] - m_positions[a]);
        const Vec3 normals = m_normals[a] + m_normals[b] + m_normals[c];
        if (dot(faceNormal, faceNormal) < 1e-18)
            return; // no area: nothing to draw (the poles of a sphere)
        if (dot(faceNormal, normals) < 0)
            std::swap(b, c);
        m_faces.push_back({a, b, c, m_current});
    }
    void quad(int a, int b, int c, int d)
    {
        triangle(a, b, c);
        triangle(a, c, d);
    }

    // Moves every vertex so far (and turns its normal) by f.
    void transform(const std::function<Vec3(const Vec3&)>& turn, const Vec3& offset)
    {
        for (size_t i = 0; i < m_positions.size(); ++i) {
            m_positions[i] = turn(m_positions[i]) + offset;
            m_normals[i] = turn(m_normals[i]);
        }
    }

    std::string text() const
    {
        std::ostringstream out;
        out << "xof 0303txt 0032\n";
        out << "// " << m_name << ": written by meshtool\n";
        out << "Frame " << m_name << " {\n";
        out << " FrameTransformMatrix {\n  1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0;;\n }\n";
        out << meshBlock(std::string()) << "}\n";
        return out.str();
    }

    // The Mesh object alone, with `extra` (skin objects) as its last children.
    std::string meshBlock(const std::string& extra) const
    {
        std::ostringstream out;
        out << " Mesh " << m_name << "_Mesh {\n";
        out << "  " << m_positions.size() << ";\n";
        for (size_t i = 0; i < m_positions.size(); ++i)
            out << "  " << num(m_positions[i].x) << ";" << num(m_positions[i].y) << ";" << num(m_positions[i].z) << ";"
                << (i + 1 < m_positions.size() ? "," : ";") << "\n";
        const std::vector<Face> faces = sortedFaces();
        out << "  " << faces.size() << ";\n";
        for (size_t i = 0; i < faces.size(); ++i)
            out << "  3;" << faces[i].a << "," << faces[i].b << "," << faces[i].c << ";"
                << (i + 1 < faces.size() ? "," : ";") << "\n";
        out << "  MeshNormals {\n   " << m_normals.size() << ";\n";
        for (size_t i = 0; i < m_normals.size(); ++i)
            out << "   " << num(m_normals[i].x) << ";" << num(m_normals[i].y) << ";" << num(m_normals[i].z) << ";"
                << (i + 1 < m_normals.size() ? "," : ";") << "\n";
        out << "   " << faces.size() << ";\n";
        for (size_t i = 0; i < faces.size(); ++i)
            out << "   3;" << faces[i].a << "," << faces[i].b << "," << faces[i].c << ";"
                << (i + 1 < faces.size() ? "," : ";") << "\n";
        out << "  }\n";
        out << "  MeshTextureCoords {\n   " << m_uvs.size() << ";\n";
        for (size_t i = 0; i < m_uvs.size(); ++i)
            out << "   " << num(m_uvs[i].first) << ";" << num(m_uvs[i].second) << ";"
                << (i + 1 < m_uvs.size() ? "," : ";") << "\n";
        out << "  }\n";
        out << "  MeshMaterialList {\n   " << m_materials.size() << ";\n   " << faces.size() << ";\n";
        for (size_t i = 0; i < faces.size(); ++i)
            out << "   " << faces[i].material << (i + 1 < faces.size() ? ",\n" : ";;\n");
        for (const Material& m : m_materials) {
            out << "   Material " << m.name << " {\n";
            out << "    " << num(m.r) << ";" << num(m.g) << ";" << num(m.b) << ";" << num(m.a) << ";;\n";
            out << "    " << num(m.power) << ";\n";
            out << "    " << num(m.specular) << ";" << num(m.specular) << ";" << num(m.specular) << ";;\n";
            out << "    0.0;0.0;0.0;;\n";
            if (!m.texture.empty())
                out << "    TextureFilename {\n     \"data\\\\Meshes\\\\" << m.texture << "\";\n    }\n";
            out << "   }\n";
        }
        out << "  }\n" << extra << " }\n";
        return out.str();
    }

    size_t vertexCount() const { return m_positions.size(); }
    const Vec3& position(size_t i) const { return m_positions[i]; }

    // Moves the vertices from `first` on (and turns their normals).
    void transformFrom(size_t first, const std::function<Vec3(const Vec3&)>& turn, const Vec3& offset)
    {
        for (size_t i = first; i < m_positions.size(); ++i) {
            m_positions[i] = turn(m_positions[i]) + offset;
            m_normals[i] = turn(m_normals[i]);
        }
    }

private:
    struct Face {
        int a, b, c, material;
    };

public:
    static std::string num(double value)
    {
        if (std::fabs(value) < 5e-7)
            value = 0.0;
        char buffer[32];
        std::snprintf(buffer, sizeof(buffer), "%.6f", value);
        // Trailing zeros carry nothing: "0.500000" is written "0.5", "2.000000" as "2.0".
        std::string text = buffer;
        while (text.size() > 2 && text.back() == '0' && text[text.size() - 2] != '.')
            text.pop_back();
        return text;
    }

private:
    std::vector<Face> sortedFaces() const
    {
        std::vector<Face> faces;
        for (size_t m = 0; m < m_materials.size(); ++m) {
            for (const Face& f : m_faces) {
                if (f.material == static_cast<int>(m))
                    faces.push_back(f);
            }
        }
        return faces;
    }

    std::string m_name;
    std::vector<Vec3> m_positions;
    std::vector<Vec3> m_normals;
    std::vector<std::pair<double, double>> m_uvs;
    std::vector<Face> m_faces;
    std::vector<Material> m_materials;
    int m_current = 0;
};

// A sphere round `centre`; outward false turns its normals (and so its faces) inwards. thetaMax
// below pi gives a cap from the top pole down.
void sphere(MeshBuilder& mesh, const Vec3& centre, double radius, int rings, int segments, bool outward = true,
            double thetaMax = kPi)
{
    std::vector<int> index;
    for (int r = 0; r <= rings; ++r) {
        const double theta = thetaMax * r / rings;
        for (int s = 0; s <= segments; ++s) {
            const double phi = 2.0 * kPi * s / segments;
            const Vec3 n{std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi)};
            const Vec3 p{centre.x + radius * n.x, centre.y + radius * n.y, centre.z + radius * n.z};
            const Vec3 normal = outward ? n : Vec3{-n.x, -n.y, -n.z};
            index.push_back(mesh.vertex(p, normal, static_cast<double>(s) / segments, static_cast<double>(r) / rings));
        }
    }
    for (int r = 0; r < rings; ++r) {
        for (int s = 0; s < segments; ++s) {
            const int a = index[r * (segments + 1) + s], b = index[(r + 1) * (segments + 1) + s];
            mesh.quad(a, b, b + 1, a + 1);
        }
    }
}

// An axis-aligned box from lo to hi, each side with its own normal and texture 0..1 (or
// scaled by `tile` per unit when tile > 0).
void box(MeshBuilder& mesh, const Vec3& lo, const Vec3& hi, double tile = 0.0)
{
    const Vec3 size = hi - lo;
    for (int axis = 0; axis < 3; ++axis) {
        for (int side = 0; side < 2; ++side) {
            Vec3 n;
            (axis == 0 ? n.x : axis == 1 ? n.y : n.z) = side ? 1.0 : -1.0;
            const int u = (axis + 1) % 3, v = (axis + 2) % 3;
            int corner[4];
            for (int k = 0; k < 4; ++k) {
                const int du = (k == 1 || k == 2), dv = (k >= 2);
                double c[3];
                const double l[3] = {lo.x, lo.y, lo.z}, h[3] = {hi.x, hi.y, hi.z}, s[3] = {size.x, size.y, size.z};
                c[axis] = side ? h[axis] : l[axis];
                c[u] = du ? h[u] : l[u];
                c[v] = dv ? h[v] : l[v];
                const double tu = tile > 0 ? du * s[u] * tile : du, tv = tile > 0 ? dv * s[v] * tile : dv;
                corner[k] = mesh.vertex({c[0], c[1], c[2]}, n, tu, 1.0 - tv);
            }
            mesh.quad(corner[0], corner[1], corner[2], corner[3]);
        }
    }
}

// An upright cylinder's side from y0 to y1, with caps when asked; uTile repeats the texture
// round it.
void cylinder(MeshBuilder& mesh, double radius, double y0, double y1, int segments, bool bottom, bool top,
              double uTile = 1.0, int capMaterial = -1)
{
    std::vector<int> ring;
    for (int s = 0; s <= segments; ++s) {
        const double phi = 2.0 * kPi * s / segments;
        const Vec3 n{std::cos(phi), 0.0, std::sin(phi)};
        ring.push_back(mesh.vertex({radius * n.x, y0, radius * n.z}, n, uTile * s / segments, 1.0));
        ring.push_back(mesh.vertex({radius * n.x, y1, radius * n.z}, n, uTile * s / segments, 0.0));
    }
    for (int s = 0; s < segments; ++s)
        mesh.quad(ring[2 * s], ring[2 * s + 1], ring[2 * s + 3], ring[2 * s + 2]);
    if (capMaterial >= 0)
        mesh.use(capMaterial);
    for (int cap = 0; cap < 2; ++cap) {
        if ((cap == 0 && !bottom) || (cap == 1 && !top))
            continue;
        const double y = cap ? y1 : y0;
        const Vec3 n{0.0, cap ? 1.0 : -1.0, 0.0};
        const int centre = mesh.vertex({0.0, y, 0.0}, n, 0.5, 0.5);
        std::vector<int> rim;
        for (int s = 0; s <= segments; ++s) {
            const double phi = 2.0 * kPi * s / segments;
            rim.push_back(mesh.vertex({radius * std::cos(phi), y, radius * std::sin(phi)}, n, 0.5 + 0.5 * std::cos(phi),
                                      0.5 - 0.5 * std::sin(phi)));
        }
        for (int s = 0; s < segments; ++s)
            mesh.triangle(centre, rim[s], rim[s + 1]);
    }
}

// A cone on the y axis from its base at y0 to its tip at y1, with a base disc.
void cone(MeshBuilder& mesh, double radius, double y0, double y1, int segments)
{
    const double slope = radius / (y1 - y0);
    for (int s = 0; s < segments; ++s) {
        const double phi0 = 2.0 * kPi * s / segments, phi1 = 2.0 * kPi * (s + 1) / segments;
        const double mid = 0.5 * (phi0 + phi1);
        const Vec3 n0 = normalised({std::cos(phi0), slope, std::sin(phi0)});
        const Vec3 n1 = normalised({std::cos(phi1), slope, std::sin(phi1)});
        const Vec3 nt = normalised({std::cos(mid), slope, std::sin(mid)});
        const int a = mesh.vertex({radius * std::cos(phi0), y0, radius * std::sin(phi0)}, n0, s / double(segments), 1);
        const int b =
            mesh.vertex({radius * std::cos(phi1), y0, radius * std::sin(phi1)}, n1, (s + 1) / double(segments), 1);
        const int t = mesh.vertex({0.0, y1, 0.0}, nt, (s + 0.5) / segments, 0);
        mesh.triangle(a, b, t);
    }
    const Vec3 down{0.0, -1.0, 0.0};
    const int centre = mesh.vertex({0.0, y0, 0.0}, down, 0.5, 0.5);
    std::vector<int> rim;
    for (int s = 0; s <= segments; ++s) {
        const double phi = 2.0 * kPi * s / segments;
        rim.push_back(mesh.vertex({radius * std::cos(phi), y0, radius * std::sin(phi)}, down, 0.5 + 0.5 * std::cos(phi),
                                  0.5 + 0.5 * std::sin(phi)));
    }
    for (int s = 0; s < segments; ++s)
        mesh.triangle(centre, rim[s], rim[s + 1]);
}

// A ring round the y axis.
void torus(MeshBuilder& mesh, double major, double minor, int segments, int sides)
{
    std::vector<int> index;
    for (int s = 0; s <= segments; ++s) {
        const double phi = 2.0 * kPi * s / segments;
        for (int k = 0; k <= sides; ++k) {
            const double psi = 2.0 * kPi * k / sides;
            const Vec3 n{std::cos(psi) * std::cos(phi), std::sin(psi), std::cos(psi) * std::sin(phi)};
            const Vec3 p{(major + minor * std::cos(psi)) * std::cos(phi), minor * std::sin(psi),
                         (major + minor * std::cos(psi)) * std::sin(phi)};
            index.push_back(mesh.vertex(p, n, static_cast<double>(s) / segments, static_cast<double>(k) / sides));
        }
    }
    for (int s = 0; s < segments; ++s) {
        for (int k = 0; k < sides; ++k) {
            const int a = index[s * (sides + 1) + k], b = index[(s + 1) * (sides + 1) + k];
            mesh.quad(a, b, b + 1, a + 1);
        }
    }
}

Vec3 yToX(const Vec3& p)
{
    return {p.y, -p.x, p.z};
}
Vec3 yToZ(const Vec3& p)
{
    return {p.x, -p.z, p.y};
}
Vec3 unchanged(const Vec3& p)
{
    return p;
}

// An arrow along +y from the origin to length 1: a thin shaft and a cone.
void arrow(MeshBuilder& mesh, double length = 1.0)
{
    cylinder(mesh, 0.02, 0.0, 0.8 * length, 12, true, false);
    cone(mesh, 0.07, 0.8 * length, length, 16);
}

Material colour(const std::string& name, double r, double g, double b, double power = 20.0, double specular = 0.3)
{
    return {name, r, g, b, 1.0, power, specular, std::string()};
}

// The half-timbered house: plastered walls with beams and a tiled gable roof.
MeshBuilder house()
{
    MeshBuilder mesh("Haus");
    const int wall = mesh.material({"Wand", 1.0, 1.0, 1.0, 1.0, 10.0, 0.1, "haus_wand.tga"});
    const int roof = mesh.material({"Dach", 1.0, 1.0, 1.0, 1.0, 30.0, 0.2, "haus_dach.tga"});
    const double w = 2.0, d = 1.5, h = 2.0, ridge = 3.2, eave = 0.25;
    mesh.use(wall);
    // Four walls (no floor, no ceiling: the roof closes it), texture one repeat per 2 units.
    const Vec3 corners[4] = {{-w, 0, -d}, {w, 0, -d}, {w, 0, d}, {-w, 0, d}};
    for (int i = 0; i < 4; ++i) {
        const Vec3 a = corners[i], b = corners[(i + 1) % 4];
        const Vec3 n = normalised(cross(b - a, Vec3{0, 1, 0}));
        const Vec3 outward = dot(n, a + b) > 0 ? n : Vec3{-n.x, -n.y, -n.z};
        const double length = std::sqrt(dot(b - a, b - a));
        const int p0 = mesh.vertex(a, outward, 0, h / 2), p1 = mesh.vertex(b, outward, length / 2, h / 2);
        const int p2 = mesh.vertex({b.x, h, b.z}, outward, length / 2, 0),
                  p3 = mesh.vertex({a.x, h, a.z}, outward, 0, 0);
        mesh.quad(p0, p1, p2, p3);
    }
    // The gables at the short ends (x = -w and x = +w).
    for (double x : {-w, w}) {
        const Vec3 n{x > 0 ? 1.0 : -1.0, 0, 0};
        const int a = mesh.vertex({x, h, -d}, n, 0, 0.6), b = mesh.vertex({x, h, d}, n, d, 0.6);
        const int c = mesh.vertex({x, ridge, 0}, n, d / 2, 0);
        mesh.triangle(a, b, c);
    }
    mesh.use(roof);
    // Two slopes reaching past the walls.
    for (double side : {-1.0, 1.0}) {
        const Vec3 low{0, h - eave * (ridge - h) / d, side * (d + eave)}, top{0, ridge, 0};
        const Vec3 n = normalised({0, d + eave, side * (ridge - low.y)});
        const double slope = std::sqrt(dot(top - low, top - low));
        const int a = mesh.vertex({-w - eave, low.y, low.z}, n, 0, slope),
                  b = mesh.vertex({w + eave, low.y, low.z}, n, 2 * w, slope);
        const int c = mesh.vertex({w + eave, ridge, 0}, n, 2 * w, 0), e = mesh.vertex({-w - eave, ridge, 0}, n, 0, 0);
        mesh.quad(a, b, c, e);
    }
    return mesh;
}

MeshBuilder ground(const std::string& name, const Material& material)
{
    MeshBuilder mesh(name);
    mesh.material(material);
    const int cells = 20;
    std::vector<int> index;
    for (int i = 0; i <= cells; ++i)
        for (int j = 0; j <= cells; ++j)
            index.push_back(mesh.vertex({j - cells / 2.0, 0.0, cells / 2.0 - i}, {0, 1, 0}, j, i));
    for (int i = 0; i < cells; ++i)
        for (int j = 0; j < cells; ++j)
            mesh.quad(index[i * (cells + 1) + j], index[i * (cells + 1) + j + 1], index[(i + 1) * (cells + 1) + j + 1],
                      index[(i + 1) * (cells + 1) + j]);
    return mesh;
}

MeshBuilder stump()
{
    MeshBuilder mesh("Baumstumpf");
    const int bark = mesh.material({"Rinde", 1.0, 1.0, 1.0, 1.0, 5.0, 0.05, "stumpf_rinde.tga"});
    const int wood = mesh.material({"Holz", 1.0, 1.0, 1.0, 1.0, 15.0, 0.1, "stumpf_holz.tga"});
    mesh.use(bark);
    cylinder(mesh, 0.45, 0.0, 0.6, 20, false, true, 3.0, wood);
    return mesh;
}

// The windmill: one skinned mesh over three bones. Muehle (the root) carries the tower, Kappe
// (3 up) the roof and the hub and turns about the upright axis, Fluegel (in front of the hub)
// the four sails and turns about the axis facing the viewer. The tower's top ring is shared
// half and half by Muehle and Kappe. Two animation sets of 4 seconds at 4800 ticks a second:
// "Mahlen" turns the sails once round (rotation keys, a quarter turn a second), "Wenden" swings
// the cap 30 degrees and back (matrix keys). Both key both moving frames, so either set alone
// sets the whole pose.
namespace windmill {

constexpr double kTowerTop = 3.0;
const Vec3 kCap{0.0, kTowerTop, 0.0}; // Kappe in Muehle
const Vec3 kSails{0.0, 0.6, -1.25};   // Fluegel in Kappe
constexpr int kTicks = 4800;

std::string matrixText(const double m[16])
{
    std::string text;
    for (int i = 0; i < 16; ++i)
        text += MeshBuilder::num(m[i]) + (i < 15 ? "," : ";;");
    return text;
}

// Row-vector matrices as Direct3D uses them: a turn about y by `degrees`, then a move.
std::string turnAndMove(double degrees, const Vec3& move)
{
    const double a = degrees * kPi / 180.0, c = std::cos(a), s = std::sin(a);
    const double m[16] = {c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, move.x, move.y, move.z, 1};
    return matrixText(m);
}

std::string skinWeights(const std::string& bone, const std::vector<std::pair<int, double>>& weights, const Vec3& rest)
{
    std::ostringstream out;
    out << "  SkinWeights {\n   \"" << bone << "\";\n   " << weights.size() << ";\n";
    for (size_t i = 0; i < weights.size(); ++i)
        out << "   " << weights[i].first << (i + 1 < weights.size() ? ",\n" : ";\n");
    for (size_t i = 0; i < weights.size(); ++i)
        out << "   " << MeshBuilder::num(weights[i].second) << (i + 1 < weights.size() ? ",\n" : ";\n");
    // The offset takes the mesh's space into the bone's: the inverse of the bone's rest place.
    out << "   " << turnAndMove(0.0, {-rest.x, -rest.y, -rest.z}) << "\n  }\n";
    return out.str();
}

std::string figure()
{
    MeshBuilder mesh("Windmuehle");
    const int stone = mesh.material(colour("Stein", 0.86, 0.84, 0.78));
    const int roof = mesh.material(colour("Dach", 0.55, 0.22, 0.14));
    const int wood = mesh.material(colour("Holz", 0.40, 0.26, 0.14));
    const int cloth = mesh.material(colour("Segel", 0.97, 0.93, 0.80));
    mesh.use(stone);
    cylinder(mesh, 0.8, 0.0, kTowerTop, 16, false, false);
    const size_t capFirst = mesh.vertexCount();
    mesh.use(roof);
    cone(mesh, 1.05, kTowerTop, kTowerTop + 1.3, 16);
    mesh.use(wood);
    box(mesh, {-0.15, kTowerTop + 0.45, -1.3}, {0.15, kTowerTop + 0.75, -0.6});
    const size_t sailsFirst = mesh.vertexCount();
    const Vec3 hub{kCap.x + kSails.x, kCap.y + kSails.y, kCap.z + kSails.z};
    for (int arm = 0; arm < 4; ++arm) {
        const size_t first = mesh.vertexCount();
        mesh.use(wood);
        box(mesh, {-0.07, 0.0, -0.04}, {0.07, 2.5, 0.04});
        mesh.use(cloth);
        box(mesh, {0.07, 0.6, -0.03}, {0.55, 2.5, 0.03});
        const double a = arm * kPi / 2, c = std::cos(a), s = std::sin(a);
        mesh.transformFrom(
            first,
            [c, s](const Vec3& p) {
                return Vec3{p.x * c - p.y * s, p.x * s + p.y * c, p.z};
            },
            hub);
    }
    std::vector<std::pair<int, double>> tower, cap, sails;
    for (size_t v = 0; v < mesh.vertexCount(); ++v) {
        const int i = static_cast<int>(v);
        if (v >= sailsFirst) {
            sails.push_back({i, 1.0});
        } else if (v >= capFirst) {
            cap.push_back({i, 1.0});
        } else if (mesh.position(v).y > kTowerTop - 1e-6) {
            tower.push_back({i, 0.5});
            cap.push_back({i, 0.5});
        } else {
            tower.push_back({i, 1.0});
        }
    }
    std::ostringstream skin;
    skin << "  XSkinMeshHeader {\n   2;\n   6;\n   3;\n  }\n";
    skin << skinWeights("Muehle", tower, {0, 0, 0}) << skinWeights("Kappe", cap, kCap)
         << skinWeights("Fluegel", sails, hub);

    std::ostringstream out;
    out << "xof 0303txt 0032\n// Windmuehle: written by meshtool\n";
    out << "AnimTicksPerSecond {\n " << kTicks << ";\n}\n";
    out << "Frame Muehle {\n FrameTransformMatrix {\n  " << turnAndMove(0.0, {0, 0, 0}) << "\n }\n";
    out << mesh.meshBlock(skin.str());
    out << " Frame Kappe {\n  FrameTransformMatrix {\n   " << turnAndMove(0.0, kCap) << "\n  }\n";
    out << "  Frame Fluegel {\n   FrameTransformMatrix {\n    " << turnAndMove(0.0, kSails) << "\n   }\n  }\n";
    out << " }\n}\n";

    // Mahlen: the sails a quarter turn a second about z (quaternions w, x, y, z; a turn by a
    // about z is cos(a/2), 0, 0, sin(a/2)), the cap still.
    out << "AnimationSet Mahlen {\n";
    out << " Animation {\n  { Fluegel }\n  AnimationKey {\n   0;\n   5;\n";
    for (int k = 0; k <= 4; ++k) {
        const double half = -k * kPi / 4;
        out << "   " << k * kTicks << ";4;" << MeshBuilder::num(std::cos(half)) << ",0.0,0.0,"
            << MeshBuilder::num(std::sin(half)) << (k < 4 ? ";;,\n" : ";;;\n");
    }
    out << "  }\n  AnimationKey {\n   2;\n   1;\n   0;3;" << MeshBuilder::num(kSails.x) << ","
        << MeshBuilder::num(kSails.y) << "," << MeshBuilder::num(kSails.z) << ";;;\n  }\n }\n";
    out << " Animation {\n  { Kappe }\n  AnimationKey {\n   4;\n   2;\n";
    out << "   0;16;" << turnAndMove(0.0, kCap) << ",\n   " << 4 * kTicks << ";16;" << turnAndMove(0.0, kCap)
        << ";\n  }\n }\n}\n";
    // Wenden: the cap 30 degrees round and back; the sails keep their place.
    out << "AnimationSet Wenden {\n";
    out << " Animation {\n  { Kappe }\n  AnimationKey {\n   4;\n   3;\n";
    out << "   0;16;" << turnAndMove(0.0, kCap) << ",\n   " << 2 * kTicks << ";16;" << turnAndMove(30.0, kCap)
        << ",\n   " << 4 * kTicks << ";16;" << turnAndMove(0.0, kCap) << ";\n  }\n }\n";
    out << " Animation {\n  { Fluegel }\n  AnimationKey {\n   4;\n   2;\n";
    out << "   0;16;" << turnAndMove(0.0, kSails) << ",\n   " << 4 * kTicks << ";16;" << turnAndMove(0.0, kSails)
        << ";\n  }\n }\n}\n";
    return out.str();
}

} // namespace windmill

// Pictures: 32-bit TGA, rows from the top.
struct Picture {
    int width, height;
    std::vector<unsigned char> bgra;
    Picture(int w, int h) : width(w), height(h), bgra(static_cast<size_t>(w) * h * 4) {}
    void set(int x, int y, double r, double g, double b)
    {
        unsigned char* p = &bgra[(static_cast<size_t>(y) * width + x) * 4];
        auto clamp = [](double v) {
            return static_cast<unsigned char>(std::lround(std::fmin(1.0, std::fmax(0.0, v)) * 255));
        };
        p[0] = clamp(b);
        p[1] = clamp(g);
        p[2] = clamp(r);
        p[3] = 255;
    }
};

// Repeatable noise from the pixel's place.
double grain(int x, int y, unsigned seed)
{
    unsigned h = static_cast<unsigned>(x) * 374761393u + static_cast<unsigned>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return ((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
}

Picture wallPicture()
{
    Picture p(64, 64);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const bool beam = x < 5 || x >= 59 || y < 5 || y >= 59 || std::abs(x - y) < 4;
            const double n = 0.06 * grain(x, y, 1);
            if (beam)
                p.set(x, y, 0.36 + n, 0.22 + n, 0.12 + n);
            else
                p.set(x, y, 0.93 - n, 0.88 - n, 0.76 - n);
        }
    }
    return p;
}

Picture roofPicture()
{
    Picture p(64, 64);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const int row = y / 8, shift = (row % 2) * 8;
            const bool gap = y % 8 == 7 || (x + shift) % 16 == 0;
            const double shade = 0.85 + 0.15 * ((y % 8) / 7.0) + 0.05 * grain(x, y, 2);
            if (gap)
                p.set(x, y, 0.30, 0.10, 0.08);
            else
                p.set(x, y, 0.70 * shade, 0.24 * shade, 0.16 * shade);
        }
    }
    return p;
}

Picture barkPicture()
{
    Picture p(64, 64);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const double furrow = 0.5 + 0.5 * std::sin(x * 0.9 + 1.5 * std::sin(y * 0.2));
            const double n = 0.08 * grain(x, y, 3);
            p.set(x, y, 0.25 + 0.15 * furrow + n, 0.17 + 0.10 * furrow + n, 0.10 + 0.05 * furrow + n);
        }
    }
    return p;
}

Picture ringsPicture()
{
    Picture p(64, 64);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const double r = std::hypot(x - 31.5, y - 31.5);
            const double ring = 0.5 + 0.5 * std::cos(r * 1.3);
            const double n = 0.05 * grain(x, y, 4);
            if (r > 30.0)
                p.set(x, y, 0.30, 0.20, 0.12);
            else
                p.set(x, y, 0.78 - 0.12 * ring + n, 0.62 - 0.12 * ring + n, 0.40 - 0.10 * ring + n);
        }
    }
    return p;
}

// The meadow's grass, one repeat per ground cell: patches of lighter and darker green (whole
// periods across the picture, so the cells join without a seam) over fine blades.
Picture grassPicture()
{
    Picture p(128, 128);
    const double turn = 2.0 * kPi / 128.0;
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 128; ++x) {
            const double patch = 0.5 + 0.25 * std::sin(2 * x * turn + 1.5 * std::sin(y * turn)) +
                                 0.25 * std::sin(3 * y * turn + 1.2 * std::cos(2 * x * turn));
            const double blade = 0.12 * (grain(x, y, 5) - 0.5) + 0.06 * (grain(x, y / 3, 6) - 0.5);
            const double light = 0.82 + 0.3 * patch + blade;
            p.set(x, y, (0.36 + 0.06 * patch) * light, 0.60 * light, (0.22 - 0.04 * patch) * light);
        }
    }
    return p;
}

int g_failures = 0;

void write(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    if (!out) {
        std::fprintf(stderr, "meshtool: writing %s failed\n", path.string().c_str());
        ++g_failures;
    }
}

void writeTga(const fs::path& path, const Picture& picture)
{
    std::string bytes(18, '\0');
    bytes[2] = 2; // uncompressed true colour
    bytes[12] = static_cast<char>(picture.width & 0xFF);
    bytes[13] = static_cast<char>(picture.width >> 8);
    bytes[14] = static_cast<char>(picture.height & 0xFF);
    bytes[15] = static_cast<char>(picture.height >> 8);
    bytes[16] = 32;
    bytes[17] = 0x28; // eight alpha bits, rows from the top
    bytes.append(reinterpret_cast<const char*>(picture.bgra.data()), picture.bgra.size());
    write(path, bytes);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: meshtool OUT_DIR\n");
        return 2;
    }
    const fs::path folder = fs::path(argv[1]) / "data" / "Meshes";
    auto save = [&](const std::string& file, const MeshBuilder& mesh) { write(folder / file, mesh.text()); };

    {
        // The light volume of point and spot lights: radius 1 round the origin.
        MeshBuilder mesh("Kugel");
        mesh.material(colour("Weiss", 1, 1, 1));
        sphere(mesh, {0, 0, 0}, 1.0, 16, 24);
        save("kugel.x", mesh);
    }
    {
        MeshBuilder mesh("Kiste");
        mesh.material(colour("Holz", 0.72, 0.52, 0.30));
        box(mesh, {-0.5, -0.5, -0.5}, {0.5, 0.5, 0.5});
        save("kiste.x", mesh);
    }
    // The ground: 20 x 20 cells of one unit round the origin, the texture once per cell. The plain
    // one lies under tests' objects and ponds; the demo's meadow has its grass.
    save("boden.x", ground("Boden", colour("Gras", 0.42, 0.62, 0.28, 4.0, 0.05)));
    save("wiese.x", ground("Wiese", {"Gras", 1.0, 1.0, 1.0, 1.0, 4.0, 0.05, "wiese_gras.tga"}));
    {
        // Seen from inside: a half sphere of radius 50 whose faces look inwards.
        MeshBuilder mesh("Himmel");
        mesh.material(colour("Himmelblau", 0.55, 0.75, 0.95, 1.0, 0.0));
        sphere(mesh, {0, 0, 0}, 50.0, 8, 24, false, kPi / 2);
        save("himmel.x", mesh);
    }
    const struct {
        const char* file;
        const char* name;
        Vec3 (*turn)(const Vec3&);
        double r, g, b;
    } axes[] = {{"gizmo_achse_x.x", "GizmoAchseX", yToX, 0.9, 0.15, 0.1},
                {"gizmo_achse_y.x", "GizmoAchseY", unchanged, 0.15, 0.8, 0.15},
                {"gizmo_achse_z.x", "GizmoAchseZ", yToZ, 0.15, 0.3, 0.95}};
    for (const auto& axis : axes) {
        MeshBuilder mesh(axis.name);
        mesh.material(colour("Achse", axis.r, axis.g, axis.b));
        arrow(mesh);
        mesh.transform(axis.turn, {0, 0, 0});
        save(axis.file, mesh);
    }
    {
        MeshBuilder mesh("GizmoVerschieben");
        mesh.material(colour("Griff", 0.95, 0.85, 0.2));
        box(mesh, {-0.08, -0.08, -0.08}, {0.08, 0.08, 0.08});
        save("gizmo_verschieben.x", mesh);
    }
    {
        // A cube at the end of each axis.
        MeshBuilder mesh("GizmoSkalieren");
        mesh.material(colour("Griff", 0.95, 0.55, 0.15));
        box(mesh, {0.94, -0.06, -0.06}, {1.06, 0.06, 0.06});
        box(mesh, {-0.06, 0.94, -0.06}, {0.06, 1.06, 0.06});
        box(mesh, {-0.06, -0.06, 0.94}, {0.06, 0.06, 1.06});
        save("gizmo_skalieren.x", mesh);
    }
    {
        MeshBuilder mesh("GizmoDrehen");
        mesh.material(colour("Griff", 0.95, 0.85, 0.2));
        torus(mesh, 0.7, 0.02, 40, 8);
        save("gizmo_drehen.x", mesh);
    }
    {
        MeshBuilder mesh("GizmoGeschwindigkeit");
        mesh.material(colour("Griff", 0.85, 0.25, 0.85));
        arrow(mesh, 1.5);
        mesh.transform(yToZ, {0, 0, 0});
        save("gizmo_geschwindigkeit.x", mesh);
    }
    save("haus.x", house());
    save("baumstumpf.x", stump());
    write(folder / "windmuehle.x", windmill::figure());
    writeTga(folder / "haus_wand.tga", wallPicture());
    writeTga(folder / "haus_dach.tga", roofPicture());
    writeTga(folder / "stumpf_rinde.tga", barkPicture());
    writeTga(folder / "stumpf_holz.tga", ringsPicture());
    writeTga(folder / "wiese_gras.tga", grassPicture());
    return g_failures == 0 ? 0 : 1;
}
