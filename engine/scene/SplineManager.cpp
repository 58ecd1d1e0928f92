#include "scene/SplineManager.h"

#include "foundation/files/File.h"
#include "foundation/files/GOBManager.h"
#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "scene/splines/Spline.h"

namespace Ulvo {

const ConsoleCommandEntry<SplineManager> SplineManager::kCommands[1] = {
    {L"SPL_reload", 1, L"SPL_reload Name; l\u00E4dt das Objekt erneut", &SplineManager::consoleReload,
     &SplineManager::completeSplineName},
};

SplineManager::SplineManager()
{
    registerCommands(kCommands);
}

SplineManager::~SplineManager()
{
    if (s_engineSplines == this)
        s_engineSplines = nullptr;
    releaseAndClear(m_splines);
}

Spline* SplineManager::getSpline(const std::wstring& name) const
{
    return findNamedObject(m_splines, name);
}

Spline* SplineManager::addSpline(XMLNode* node)
{
    if (!node)
        return nullptr;
    if (!node->getAttribute(L"NAME")) {
        mainLogger().log(50, LOG_TYPE_ERROR, L"Ulvo::SplineManager::addSpline SPLINE without NAME; not registered\n");
        return nullptr;
    }
    Spline* spline = new Spline(node);
    Spline* registered = addSpline(spline);
    spline->Release();
    return registered;
}

Spline* SplineManager::addSpline(Spline* spline)
{
    if (!spline)
        return nullptr;
    if (Spline* existing = getSpline(spline->getName())) {
        if (existing != spline) {
            mainLogger().log(25, LOG_TYPE_INFO, L"Ulvo::SplineManager::addSpline SPLINE \"", spline->getName(),
                             L"\" is registered already; it takes the new shape\n");
            existing->takeShapeAndDescription(*spline);
            existing->build();
        }
        return existing;
    }
    spline->AddRef();
    m_splines.push_back(spline);
    return spline;
}

int SplineManager::loadFile(const std::wstring& fileName)
{
    XMLNode document;
    if (!File::checkDataReference(fileName) || !XMLNode::load(&document, fileName, 0)) {
        mainLogger().log(50, LOG_TYPE_ERROR, L"Ulvo::SplineManager::loadFile spline file \"", fileName,
                         L"\" not loaded; no splines from it\n");
        return -1;
    }
    int count = 0;
    auto take = [&](XMLNode* node) {
        if (node && node->getName() == L"SPLINE" && addSpline(node))
            ++count;
    };
    if (document.getName() == L"SPLINE") {
        take(&document);
    } else {
        for (XMLNode* node : document.getNodes())
            take(node);
    }
    mainLogger().log(25, LOG_TYPE_INFO, L"Ulvo::SplineManager::loadFile ", std::to_wstring(count), L" splines from \"",
                     fileName, L"\"\n");
    return count;
}

int SplineManager::loadStartupFile()
{
    if (!File::FileExists(STARTUP_FILE, GOBManager::getInstance()->getGOBOrder(L"DEFAULT")))
        return 0;
    return loadFile(STARTUP_FILE);
}

void SplineManager::reload(Spline* spline)
{
    if (!spline || !spline->hasDescription())
        return;
    XMLNode description = spline->getDescription();
    const Spline fresh(&description);
    spline->takeShape(fresh);
    spline->build();
}

void SplineManager::consoleReload(TypedConsoleCommand& line)
{
    Spline* spline = getSpline(line.getToken(0));
    if (!spline)
        return;
    reload(spline);
    line.setAnswer(L"Spline reloaded!");
}

void SplineManager::completeSplineName(TypedConsoleCommand& line, std::vector<std::wstring>& candidates)
{
    if (line.getArgumentCount() > 1)
        return;
    const std::wstring typed = line.getToken(0);
    for (const Spline* spline : m_splines) {
        if (spline && spline->getName().compare(0, typed.size(), typed) == 0)
            candidates.push_back(spline->getName());
    }
}

} // namespace Ulvo
