// The object manager's OBJ_ console commands: the table, the transform and object commands, the
// editor commands and the completion. The save commands are in ObjektSaveCommands.cpp.
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "render/cameras/Camera.h"
#include "render/cameras/CameraManager.h"
#include "render/scenegraph/SceneGraph.h"
#include "scene/ObjektCommands.h"
#include "scene/ObjektManager.h"
#include "scene/arrangements/ObjektAnordnung.h"
#include "scene/objects/coords/CoordsObjekt.h"

#include <memory>
#include <sstream>

namespace Ulvo {

namespace {

// Numbers as a default wide stream writes them (six significant digits).
std::wstring num(float value)
{
    std::wostringstream out;
    // Adding 0 turns a negative zero (a turn read back from a quaternion) into 0, not "-0".
    out << value + 0.0f;
    return out.str();
}

std::wstring vectorText(const D3DXVECTOR3& v, const wchar_t* separator = L" ")
{
    return num(v.x) + separator + num(v.y) + separator + num(v.z);
}

// The object argument 1 names; answers "Objekt nicht gefunden!" when none is registered.
BaseObjekt* findArgument(ObjektManager& manager, TypedConsoleCommand& line)
{
    BaseObjekt* object = manager.find(line.getToken(0));
    if (!object)
        line.setAnswer(L"Objekt nicht gefunden!");
    return object;
}

D3DXVECTOR3 vectorArguments(const TypedConsoleCommand& line, int first)
{
    return D3DXVECTOR3(line.getParamFloat(first), line.getParamFloat(first + 1), line.getParamFloat(first + 2));
}

// Registered names beginning with prefix (case counts), each after lead.
void namesStartingWith(ObjektManager& manager, const std::wstring& prefix, const std::wstring& lead,
                       std::vector<std::wstring>& candidates)
{
    std::vector<BaseObjekt*> objects;
    manager.getObjects(std::wstring(), objects);
    for (const BaseObjekt* object : objects) {
        if (object->getName().compare(0, prefix.size(), prefix) == 0)
            candidates.push_back(lead + object->getName());
    }
}

struct EditModeWord {
    const wchar_t* word;
    int mode;
    int kind;
    const wchar_t* answer;
    bool completed;
};

const EditModeWord kEditModes[] = {
    {L"none", 0, 0, L"Editormode aus", true},
    {L"mouse_local_space", 3, 1, L"Editormode Move in Local Space", true},
    {L"move", 1, 1, L"Editormode: Move", true},
    {L"move_cam_space", 2, 1, L"Editormode: Move in Cam Space", true},
    {L"scale", 4, 2, L"Editormode: Scale", true},
    {L"rotate", 5, 3, L"Editormode: Rotate", true},
    {L"velo", 6, 4, L"Editormode: Velocity", false},
};

} // namespace

const ConsoleCommandEntry<ObjektManager> ObjektManager::kCommands[24] = {
    {L"OBJ_SetPosition", 1, L"OBJ_setPosition Objektname x y z; setzt das Objekt auf die angegebene Position",
     &ObjektManager::runCommand, &ObjektManager::completeCommand},
    {L"OBJ_SetScale", 1, L"OBJ_setScale Objektname x y z; skaliert das Objekt auf die angegebene Gr\u00F6\u00DFe",
     &ObjektManager::runCommand, &ObjektManager::completeCommand},
    {L"OBJ_SetRotationYawPitchRoll", 1, L"OBJ_setRotationYawPitchRoll Objektname yaw pitch roll; rotiert das Objekt",
     &ObjektManager::runCommand, &ObjektManager::completeCommand},
    {L"OBJ_SetRotationEuler", 1, L"OBJ_setRotationEuler Objektname heading attitude bank; rotiert das Objekt",
     &ObjektManager::runCommand, &ObjektManager::completeCommand},
    {L"obj_SetRotationQuaternion", 1,
     L"obj_setRotationQuaternion Objektname x y z w; rotiert das Objekt auf den angegebenen Quaternion",
     &ObjektManager::runCommand, &ObjektManager::completeCommand},
    {L"OBJ_Clone", 2, L"OBJ_clone Objektname KlonObjektname; erstellt eine Kopie des Objekts",
     &ObjektManager::runCommand, &ObjektManager::completeCommand},
    {L"OBJ_Remove", 1, L"OBJ_Remove Objektname; l\u00F6scht das Objekts", &ObjektManager::runCommand,
     &ObjektManager::completeCommand},
    {L"OBJ_LoadFile", 1, L"OBJ_LoadFile Filename toSG phy del; l\u00E4dt das angegebene File",
     &ObjektManager::runCommand},
    {L"OBJ_Remove_Last_Loaded", 0, L"OBJ_Remove_Last_Loaded; l\u00F6scht die zuletzt geladenen Objekte!",
     &ObjektManager::runCommand},
    {L"OBJ_SetEditMode", 1, L"OBJ_SetEditMode None/Move/Scale/Rotate/Velo; aktiviert den Editormode",
     &ObjektManager::runCommand, &ObjektManager::completeCommand},
    {L"OBJ_SetEditMouseMode", 1, L"OBJ_SetMouseMode 0/1; aktiviert den MouseModus", &ObjektManager::runCommand},
    {L"OBJ_SetAxisMode", 1, L"OBJ_SetAxisMode x/y/z/; setzt welche Achsen ver\u00E4ndert werden",
     &ObjektManager::runCommand},
    {L"OBJ_SetEditObject", 1, L"OBJ_SetEditObject Name; setzt das zu bearbeitenden Objekt", &ObjektManager::runCommand,
     &ObjektManager::completeCommand},
    {L"OBJ_EditCloneSaveOld", 1,
     L"OBJ_EditCloneSaveOld KlonObjektname; speichert alte Objektdaten, kopiert das Objekt f\u00FCgt es in den "
     L"Scenegraph und setzt es als zu bearbeitendes Objekt",
     &ObjektManager::runCommand},
    {L"OBJ_EditCloneOld", 1,
     L"OBJ_EditCloneOld KlonObjektname; kopiert das Objekt f\u00FCgt es in den Scenegraph und setzt es als zu "
     L"bearbeitendes Objekt",
     &ObjektManager::runCommand},
    {L"OBJ_EditCloneArray", 4,
     L"OBJ_EditCloneArray O1 N FAK OFFSETFAK [X/Y/Z] world/cam/lokal; kopiert das Objekt und f\u00FCgt es Nmal in "
     L"lokaler X/Y/Z Richtung ein",
     &ObjektManager::runCommand, &ObjektManager::completeCommand},
    {L"OBJ_EditCopyTransforms", 1,
     L"OBJ_EditCopyTransforms KlonObjektname; kopiert die Transformdaten von KlonObjektname auf das selektierte "
     L"Objekt",
     &ObjektManager::runCommand, &ObjektManager::completeCommand},
    {L"OBJ_EditCloneNTimes", 2,
     L"OBJ_EditCloneNTimes O1 N [dV | O2] | ; kopiert das Objekt O1 N-mal und verschiebt es jedesmal um dV oder "
     L"|O1 O2|",
     &ObjektManager::runCommand, &ObjektManager::completeCommand},
    {L"OBJ_SaveObjectTransform_Instances", 2,
     L"OBJ_SaveObjectTransform_Instances filename Objektnamen ; speichert alte Instancentransformationen",
     &ObjektManager::runCommand, &ObjektManager::completeCommand},
    {L"OBJ_SaveObjectTransform", 2,
     L"OBJ_SaveObjectTransform filename Objektnamen ; speichert die Transformdaten des "
     L"Objekts",
     &ObjektManager::runCommand, &ObjektManager::completeCommand},
    {L"OBJ_SaveObject", 2, L"OBJ_SaveObject filename Objektnamen ; speichert das Objekt", &ObjektManager::runCommand,
     &ObjektManager::completeCommand},
    {L"OBJ_SaveObject_Instances", 2,
     L"OBJ_SaveObject_Instances filename Objektnamen as_instances(0/1) ; speichert alte Instancen des Objekts ",
     &ObjektManager::runCommand, &ObjektManager::completeCommand},
    {L"OBJ_SaveAllVisibleObjects", 1,
     L"OBJ_SaveAllVisibleObjects filename [mode]; speichert alle im Levelsichtbaren Objekte",
     &ObjektManager::runCommand},
    {L"OBJ_ToggleLicht", 2, L"OBJ_ToggleLicht O1 [0|1]; schaltet das Licht des Objektes an/aus",
     &ObjektManager::runCommand, &ObjektManager::completeCommand},
};

namespace {

// The handlers in the order of the table above.
const ObjektCommands::Handler kHandlers[24] = {
    &ObjektCommands::setPosition,
    &ObjektCommands::setScale,
    &ObjektCommands::setRotationYawPitchRoll,
    &ObjektCommands::setRotationEuler,
    &ObjektCommands::setRotationQuaternion,
    &ObjektCommands::cloneObject,
    &ObjektCommands::removeObjects,
    &ObjektCommands::loadFile,
    &ObjektCommands::removeLastLoaded,
    &ObjektCommands::setEditMode,
    &ObjektCommands::setEditMouseMode,
    &ObjektCommands::setAxisMode,
    &ObjektCommands::setEditObject,
    &ObjektCommands::editCloneSaveOld,
    &ObjektCommands::editCloneOld,
    &ObjektCommands::editCloneArray,
    &ObjektCommands::editCopyTransforms,
    &ObjektCommands::editCloneNTimes,
    &ObjektCommands::saveObjectTransformInstances,
    &ObjektCommands::saveObjectTransform,
    &ObjektCommands::saveObject,
    &ObjektCommands::saveObjectInstances,
    &ObjektCommands::saveAllVisibleObjects,
    &ObjektCommands::toggleLight,
};

} // namespace

void ObjektManager::runCommand(TypedConsoleCommand& line)
{
    if (ObjektCommands::Handler handler = ObjektCommands::handlerOf(line.getLowerName()))
        handler(*this, line);
}

void ObjektManager::completeCommand(TypedConsoleCommand& line, std::vector<std::wstring>& candidates)
{
    ObjektCommands::complete(*this, line, candidates);
}

ObjektCommands::Handler ObjektCommands::handlerOf(const std::wstring& lowerName)
{
    for (std::size_t i = 0; i < std::size(kHandlers); ++i) {
        if (toLowerConsole(ObjektManager::kCommands[i].name) == lowerName)
            return kHandlers[i];
    }
    return nullptr;
}

int ObjektCommands::boundedCount(int count, const wchar_t* command)
{
    if (count <= kMaxArrangementCopies)
        return count;
    mainLogger().log(50, LOG_TYPE_ERROR, L"Ulvo::ObjektManager: ", command, L" asks for ", std::to_wstring(count),
                     L" copies; only ", std::to_wstring(kMaxArrangementCopies), L" are made\n");
    return kMaxArrangementCopies;
}

std::wstring ObjektCommands::instanceName(BaseObjekt& clone)
{
    const BaseObjekt* root = clone.getInstanceGroup();
    return (root ? root->getName() : clone.getName()) + L"_INSTANZ_" + std::to_wstring(clone.getNumber());
}

bool ObjektCommands::placeCopy(ObjektManager& manager, BaseObjekt& source, const D3DXVECTOR3& position)
{
    BaseObjekt* copy = source.clone();
    if (!copy) {
        mainLogger().log(50, LOG_TYPE_ERROR, L"Ulvo::ObjektManager: \"", source.getName(),
                         L"\" could not be cloned; no further copies are made\n");
        return false;
    }
    copy->rename(instanceName(*copy));
    copy->setPosition(position);
    if (manager.add(copy, true) && manager.m_sceneGraph)
        manager.m_sceneGraph->addObject(copy, true);
    return true;
}

// ------------------------------------------------------------------ transforms

void ObjektCommands::setPosition(ObjektManager& manager, TypedConsoleCommand& line)
{
    BaseObjekt* object = findArgument(manager, line);
    if (!object)
        return;
    if (line.getArgumentCount() >= 3)
        object->setPosition(vectorArguments(line, 1));
    line.setAnswer(L"Objekt auf Position " + vectorText(object->getPosition()));
}

void ObjektCommands::setScale(ObjektManager& manager, TypedConsoleCommand& line)
{
    BaseObjekt* object = findArgument(manager, line);
    if (!object)
        return;
    if (line.getArgumentCount() >= 3)
        object->setScale(vectorArguments(line, 1));
    line.setAnswer(L"Objekt skaliert auf " + vectorText(object->getScale()));
}

void ObjektCommands::setRotationYawPitchRoll(ObjektManager& manager, TypedConsoleCommand& line)
{
    BaseObjekt* object = findArgument(manager, line);
    if (!object)
        return;
    if (line.getArgumentCount() >= 3)
        object->setRotationYawPitchRoll(vectorArguments(line, 1));
    const D3DXVECTOR3 angles = object->getRotationYawPitchRoll();
    line.setAnswer(L"Objekt rotiert auf Yaw: " + num(angles.x) + L" Pitch: " + num(angles.y) + L" Roll: " +
                   num(angles.z));
}

void ObjektCommands::setRotationEuler(ObjektManager& manager, TypedConsoleCommand& line)
{
    BaseObjekt* object = findArgument(manager, line);
    if (!object)
        return;
    if (line.getArgumentCount() >= 3)
        object->setRotationEuler(vectorArguments(line, 1));
    const D3DXVECTOR3 angles = object->getRotationEuler();
    line.setAnswer(L"Objekt rotiert auf Heading: " + num(angles.x) + L" Attitude: " + num(angles.y) + L" Bank: " +
                   num(angles.z));
}

void ObjektCommands::setRotationQuaternion(ObjektManager& manager, TypedConsoleCommand& line)
{
    BaseObjekt* object = findArgument(manager, line);
    if (!object)
        return;
    if (line.getArgumentCount() >= 4) {
        D3DXQUATERNION q(line.getParamFloat(1), line.getParamFloat(2), line.getParamFloat(3), line.getParamFloat(4));
        D3DXQuaternionNormalize(&q, &q);
        object->setRotation(q);
    }
    const D3DXQUATERNION& q = object->getRotation();
    line.setAnswer(L"Objekt rotiert auf x: " + num(q.x) + L" y: " + num(q.y) + L" z: " + num(q.z) + L" w: " + num(q.w));
}

// ------------------------------------------------------------------ objects

void ObjektCommands::cloneObject(ObjektManager& manager, TypedConsoleCommand& line)
{
    BaseObjekt* source = findArgument(manager, line);
    if (!source)
        return;
    BaseObjekt* copy = source->clone();
    if (!copy) {
        line.setAnswer(L"kopieren fehlgeschlagen");
        return;
    }
    copy->rename(line.getToken(1));
    line.setAnswer(manager.add(copy, true) ? L"Objekt kopiert!" : L"Objekt existiert bereits!");
}

void ObjektCommands::removeObjects(ObjektManager& manager, TypedConsoleCommand& line)
{
    std::wstring answer;
    for (int i = 0; i < line.getArgumentCount(); ++i) {
        const std::wstring name = line.getToken(i);
        if (i > 0)
            answer += L"\n";
        if (BaseObjekt* object = manager.find(name)) {
            manager.remove(object);
            answer += name + L" Objekt entfernt!";
        } else {
            answer += name + L" nicht gefunden!";
        }
    }
    line.setAnswer(answer);
}

namespace {

// Removes what is left of the last loaded objects one by one; the list is read afresh after each
// removal, as removing one object may destroy or unregister others.
void removeLoaded(ObjektManager& manager)
{
    for (std::vector<BaseObjekt*> live = manager.getLastLoaded(); !live.empty(); live = manager.getLastLoaded())
        manager.remove(live.front());
}

} // namespace

void ObjektCommands::loadFile(ObjektManager& manager, TypedConsoleCommand& line)
{
    const std::wstring file = line.getFileToken(0);
    if (file.empty())
        return;
    XMLNode root;
    if (!XMLNode::load(&root, file, 0)) {
        // Nothing loaded and nothing changed; the line says so instead of staying silent.
        line.setAnswer(L"Datei nicht geladen: " + file);
        return;
    }
    manager.setLastLoaded(manager.loadSceneFile(&root));
    line.setAnswer(std::to_wstring(manager.m_lastLoaded.size()) + L" Objekte geladen");
    // Also in the log: a load can take long, and whoever typed it learns there when it is done.
    mainLogger().log(100, LOG_TYPE_INFO, L"OBJ_LoadFile ", file, L": ", line.getAnswer(), L"\n");
    // "phy" (argument 3) asks for a physics this engine does not have.
    if (line.getArgumentCount() >= 4 && line.getParamBool(3))
        removeLoaded(manager);
    // getLastLoaded holds only objects still registered, so "del" leaves nothing for the graph.
    if (line.getArgumentCount() >= 2 && line.getParamBool(1) && manager.m_sceneGraph) {
        for (BaseObjekt* object : manager.getLastLoaded())
            manager.m_sceneGraph->addObject(object, true);
    }
}

void ObjektCommands::removeLastLoaded(ObjektManager& manager, TypedConsoleCommand& line)
{
    line.setAnswer(std::to_wstring(manager.getLastLoaded().size()) + L" Objekte entfernt");
    removeLoaded(manager);
    manager.setLastLoaded({});
}

void ObjektCommands::toggleLight(ObjektManager& manager, TypedConsoleCommand& line)
{
    BaseObjekt* object = manager.find(line.getToken(0));
    if (!object) {
        line.setAnswer(L"Objekt nicht gefunden!");
        return;
    }
    if (line.getParamBool(1)) {
        object->switchLightsOn();
        line.setAnswer(L"Licht an");
    } else {
        object->switchLightsOff();
        line.setAnswer(L"Licht aus");
    }
}

// ------------------------------------------------------------------ editor state

void ObjektCommands::setEditMode(ObjektManager& manager, TypedConsoleCommand& line)
{
    const std::wstring word = line.getParamString(0);
    for (const EditModeWord& entry : kEditModes) {
        if (word == entry.word) {
            manager.m_editMode = entry.mode;
            manager.m_editKind = entry.kind;
            line.setAnswer(entry.answer);
            return;
        }
    }
    // A word it does not know changes nothing: the line says which words it knows.
    line.setAnswer(ObjektManager::kCommands[9].help);
}

void ObjektCommands::setEditMouseMode(ObjektManager& manager, TypedConsoleCommand& line)
{
    manager.m_mouseMode = line.getParamBool(0);
    // The axes gizmo shows while the mouse edits.
    auto* coords = dynamic_cast<CoordsObjekt*>(manager.find(L"COORDS"));
    if (coords && manager.m_sceneGraph) {
        if (manager.m_mouseMode)
            manager.m_sceneGraph->addObject(coords, true);
        else
            manager.m_sceneGraph->removeObject(coords, true);
    }
    line.setAnswer(L"gesetzt!");
}

void ObjektCommands::setAxisMode(ObjektManager& manager, TypedConsoleCommand& line)
{
    int mask = 0;
    for (const std::wstring& axis : line.getLowerArguments()) {
        if (axis == L"x")
            mask |= 1;
        else if (axis == L"y")
            mask |= 2;
        else if (axis == L"z")
            mask |= 4;
    }
    manager.m_axisMask = mask;
    line.setAnswer(L"gesetzt!");
}

void ObjektCommands::setEditObject(ObjektManager& manager, TypedConsoleCommand& line)
{
    manager.setEditObject(nullptr);
    BaseObjekt* object = findArgument(manager, line);
    if (!object)
        return;
    manager.setEditObject(object);
    line.setAnswer(L"Objekt wird bearbeitet!");
}

void ObjektCommands::editCopyTransforms(ObjektManager& manager, TypedConsoleCommand& line)
{
    BaseObjekt* edited = manager.m_editObject;
    if (!edited) {
        line.setAnswer(L"kein zu bearbeitendes Objekt!");
        return;
    }
    BaseObjekt* model = findArgument(manager, line);
    if (!model)
        return;
    edited->setPosition(model->getBasePosition());
    edited->setScale(model->getScale());
    edited->setRotation(model->getRotation());
    line.setAnswer(L"gesetzt!");
}

std::wstring ObjektCommands::cloneEdited(ObjektManager& manager, const std::wstring& name)
{
    BaseObjekt* copy = manager.m_editObject->clone();
    if (!copy)
        return L"kopieren fehlgeschlagen";
    copy->rename(name);
    if (!manager.add(copy, true))
        return L"kopieren fehlgeschlagen";
    manager.setEditObject(copy);
    if (manager.m_sceneGraph)
        manager.m_sceneGraph->addObject(copy, true);
    manager.m_editMode = 1;
    manager.m_editKind = 1;
    return L"kopiert, hinzugef\u00FCgt Bearbeitungmodus: Move";
}

void ObjektCommands::editCloneOld(ObjektManager& manager, TypedConsoleCommand& line)
{
    if (!manager.m_editObject) {
        line.setAnswer(L"kein zu bearbeitendes Objekt!");
        return;
    }
    line.setAnswer(cloneEdited(manager, line.getToken(0)));
}

void ObjektCommands::editCloneSaveOld(ObjektManager& manager, TypedConsoleCommand& line)
{
    BaseObjekt* edited = manager.m_editObject;
    if (!edited) {
        line.setAnswer(L"kein zu bearbeitendes Objekt!");
        return;
    }
    // The old place is kept in the transforms folder, whatever the object is called.
    std::unique_ptr<XMLNode> entry(transformEntry(*edited, L"TRANSFORM"));
    CreateDirectoryW(kTransformFolder, nullptr);
    // A transforms folder that is a link out of the working folder is not written into.
    const std::wstring file = transformFileName(edited->getName());
    if (!line.checkFile(file))
        return;
    XMLNode::save(entry.get(), file, xmlUnicodeSwitch());
    line.setAnswer(L"gespeichert, " + cloneEdited(manager, line.getToken(0)));
}

void ObjektCommands::editCloneNTimes(ObjektManager& manager, TypedConsoleCommand& line)
{
    BaseObjekt* source = findArgument(manager, line);
    if (!source)
        return;
    const int count = boundedCount(line.getParamInt(1), L"OBJ_EditCloneNTimes");
    const D3DXVECTOR3 start = source->getBasePosition();
    D3DXVECTOR3 step(0.0f, 0.0f, 0.0f);
    float first = 1.0f;
    if (line.getArgumentCount() >= 5) {
        step = vectorArguments(line, 2);
    } else if (line.getArgumentCount() >= 3) {
        // A second object continues the row the two of them start.
        if (BaseObjekt* second = manager.find(line.getToken(2))) {
            step = second->getBasePosition() - start;
            first = 2.0f;
        }
    }
    for (int i = 0; i < count; ++i) {
        if (!placeCopy(manager, *source, start + (first + static_cast<float>(i)) * step))
            break;
    }
    line.setAnswer(L"erstellt!");
}

void ObjektCommands::editCloneArray(ObjektManager& manager, TypedConsoleCommand& line)
{
    BaseObjekt* source = findArgument(manager, line);
    if (!source)
        return;
    const int count = boundedCount(line.getParamInt(1), L"OBJ_EditCloneArray");
    const float factor = line.getParamFloat(2);
    const float offset = line.getParamFloat(3);

    // The extent of the object unmoved, from a copy at the origin.
    BaseObjekt* probe = source->clone();
    if (!probe) {
        line.setAnswer(L"kopieren fehlgeschlagen");
        return;
    }
    probe->setPosition(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    const AABB& box = probe->getBoundingBox();
    D3DXVECTOR3 extent = box.getMax() - box.getMin();
    probe->Release();

    const std::wstring axis = line.getParamString(4);
    if (axis == L"x")
        extent = D3DXVECTOR3(extent.x, 0.0f, 0.0f);
    else if (axis == L"y")
        extent = D3DXVECTOR3(0.0f, extent.y, 0.0f);
    else if (axis == L"z")
        extent = D3DXVECTOR3(0.0f, 0.0f, extent.z);

    const std::wstring space = line.getParamString(5);
    if (space != L"world") {
        D3DXMATRIX rotation;
        if (space == L"cam") {
            D3DXMatrixIdentity(&rotation);
            if (Camera* camera = CameraManager::getInstance()->getActiveCamera()) {
                const D3DXMATRIX view = camera->getRotationMatrix();
                if (!D3DXMatrixInverse(&rotation, nullptr, &view))
                    D3DXMatrixIdentity(&rotation);
            }
        } else {
            D3DXMatrixRotationQuaternion(&rotation, &source->getRotation());
        }
        D3DXVec3TransformCoord(&extent, &extent, &rotation);
    }

    const D3DXVECTOR3 start = source->getBasePosition();
    for (int i = 0; i < count; ++i) {
        if (!placeCopy(manager, *source, start + (static_cast<float>(i) * factor + offset) * extent))
            break;
    }
    line.setAnswer(L"erstellt!");
}

// ------------------------------------------------------------------ completion

void ObjektCommands::complete(ObjektManager& manager, TypedConsoleCommand& line, std::vector<std::wstring>& candidates)
{
    const std::wstring& name = line.getLowerName();
    const int count = line.getArgumentCount();
    const std::wstring first = line.getToken(0);
    const bool byFirstName = name == L"obj_clone" || name == L"obj_remove" || name == L"obj_setscale" ||
                             name == L"obj_setrotationyawpitchroll" || name == L"obj_setrotationeuler" ||
                             name == L"obj_setrotationquaternion" || name == L"obj_setposition" ||
                             name == L"obj_seteditobject" || name == L"obj_editcopytransforms" ||
                             ((name == L"obj_editclonentimes" || name == L"obj_editclonearray") && count < 2) ||
                             (name == L"obj_togglelicht" && count <= 1);
    if (byFirstName) {
        namesStartingWith(manager, first, std::wstring(), candidates);
        return;
    }
    if (name == L"obj_saveobject" || name == L"obj_saveobjecttransform" ||
        name == L"obj_saveobjecttransform_instances" || name == L"obj_saveobject_instances") {
        if (count > 1)
            namesStartingWith(manager, line.getToken(1), first + L" ", candidates);
        return;
    }
    if (name == L"obj_editclonentimes" && (count == 2 || count == 3)) {
        namesStartingWith(manager, line.getToken(2), first + L" " + line.getToken(1) + L" ", candidates);
        return;
    }
    if (name == L"obj_seteditmode") {
        const std::wstring typed = line.getParamString(0);
        for (const EditModeWord& entry : kEditModes) {
            if (entry.completed && std::wstring(entry.word).compare(0, typed.size(), typed) == 0)
                candidates.push_back(entry.word);
        }
    }
}

} // namespace Ulvo
