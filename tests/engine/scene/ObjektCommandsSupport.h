#pragma once
// What the OBJ_ command tests share: the engine's object manager and scene graph reached through
// the console dispatcher as a user types, and a test kind "PROBE" that writes its TYPE back, counts
// its objects and records its light switch.
#include "engine/UlvoEngine.h"
#include "engine/scene/TestObjekt.h"
#include "foundation/console/ConsoleDispatcher.h"
#include "render/scenegraph/SceneGraph.h"
#include "scene/ObjektManager.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace SceneTesting {

class ProbeObjekt : public TestObjekt {
public:
    explicit ProbeObjekt(Ulvo::XMLNode* node) : TestObjekt(node) { ++s_alive; }
    ProbeObjekt(const ProbeObjekt& other) : TestObjekt(other), m_lit(other.m_lit) { ++s_alive; }
    ~ProbeObjekt() override { --s_alive; }
    Ulvo::BaseObjekt* clone() const override { return new ProbeObjekt(*this); }
    bool save(Ulvo::XMLNode* node) override
    {
        if (!BaseObjekt::save(node))
            return false;
        node->getAttribute(L"TYPE")->setValue(L"PROBE");
        return true;
    }
    void switchLightsOn() override { m_lit = 1; }
    void switchLightsOff() override { m_lit = 0; }
    // -1 until a switch reached it.
    int lit() const { return m_lit; }

    static Ulvo::BaseObjekt* create(Ulvo::XMLNode* node, Ulvo::ObjektManager*) { return new ProbeObjekt(node); }
    static inline int s_alive = 0;

private:
    int m_lit = -1;
};

class ObjektCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Ulvo::UlvoEngine* engine = Ulvo::UlvoEngine::getInstance();
        m_manager = engine->getObjektManager();
        m_graph = engine->getSceneGraph();
        ASSERT_NE(m_manager, nullptr);
        ASSERT_NE(m_graph, nullptr);
        m_manager->clear();
        if (!m_manager->getKinds().has(L"PROBE"))
            m_manager->getKinds().add(L"PROBE", &ProbeObjekt::create);
    }
    void TearDown() override
    {
        m_manager->clear();
        EXPECT_EQ(ProbeObjekt::s_alive, 0);
    }

    // A console line as typed: its answer.
    static std::wstring run(const std::wstring& text)
    {
        Ulvo::TypedConsoleCommand line(text);
        Ulvo::ConsoleDispatcher::getInstance()->execute(line);
        return line.getAnswer();
    }
    static std::vector<std::wstring> complete(const std::wstring& text)
    {
        Ulvo::TypedConsoleCommand line(text);
        std::vector<std::wstring> candidates;
        Ulvo::ConsoleDispatcher::getInstance()->complete(line, candidates);
        std::sort(candidates.begin(), candidates.end());
        return candidates;
    }

    // PROBE objects of the scene text loaded into the engine's manager (and graph).
    std::vector<Ulvo::BaseObjekt*> load(const std::wstring& text)
    {
        Ulvo::XMLNode root = parseNode(text);
        return m_manager->loadSceneFile(&root);
    }
    static std::wstring probe(const std::wstring& name, const std::wstring& baseData = std::wstring())
    {
        return L"<OBJEKT NAME=\"" + name + L"\" TYPE=\"PROBE\"><BASE_DATA>" + baseData + L"</BASE_DATA></OBJEKT>";
    }
    static std::wstring at(float x, float y, float z)
    {
        return L"<POSITION X=\"" + std::to_wstring(x) + L"\" Y=\"" + std::to_wstring(y) + L"\" Z=\"" +
               std::to_wstring(z) + L"\"/>";
    }
    Ulvo::BaseObjekt* find(const std::wstring& name) const { return m_manager->find(name); }
    static bool inGraph(const Ulvo::BaseObjekt* object) { return object && object->getSceneGraphNode(); }

    LogCapture m_logs;
    Ulvo::ObjektManager* m_manager = nullptr;
    Ulvo::SceneGraph* m_graph = nullptr;
};

} // namespace SceneTesting
