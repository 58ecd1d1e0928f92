#pragma once
// The handlers of the object manager's OBJ_ console commands. The manager registers one table of
// the 24 commands (ObjektManagerConsole.cpp) whose entries all run through its runCommand and
// completeCommand; those find the handler here by the command's name. The class is the manager's
// friend, so the editor commands set the manager's editor fields directly.
//
// The transform and object commands and the editor commands live in ObjektManagerConsole.cpp;
// the five save commands and the transform entry they share with OBJ_EditCloneSaveOld in
// ObjektSaveCommands.cpp.
#include <d3dx9math.h>

#include "foundation/console/ConsoleCommand.h"

#include <string>
#include <vector>

namespace Ulvo {

class BaseObjekt;
class ObjektManager;
class XMLNode;

class ObjektCommands {
public:
    using Handler = void (*)(ObjektManager& manager, TypedConsoleCommand& line);

    // The handler of a lower-case command name; null for a name that is not an OBJ_ command.
    static Handler handlerOf(const std::wstring& lowerName);
    static void complete(ObjektManager& manager, TypedConsoleCommand& line, std::vector<std::wstring>& candidates);

    // A node named so with NAME and the POSITION, ROTATION_QUAT and SCALE children: the entry an
    // arrangement's INSTANZEN placement reads back. The caller owns it.
    static XMLNode* transformEntry(BaseObjekt& object, const wchar_t* nodeName);
    // Where OBJ_EditCloneSaveOld writes the edited object's transform: a file named after the
    // object in the folder kTransformFolder. Separators, drive colons and the like in the name
    // become '_', and a name of dots only (".", "..") or none becomes "_", so a name read from a
    // scene file never writes outside that folder.
    static std::wstring transformFileName(const std::wstring& objectName);
    static const wchar_t* const kTransformFolder;

    // The name a copy made by OBJ_EditCloneNTimes, OBJ_EditCloneArray and the editor's copy key
    // gets: its group root's name, "_INSTANZ_" and its unique number.
    static std::wstring instanceName(BaseObjekt& clone);

    // Copies OBJ_EditCloneNTimes and OBJ_EditCloneArray make at most in one line; more are cut
    // with a log line (a mistyped count would otherwise fill memory).
    static int boundedCount(int count, const wchar_t* command);

    // Transform commands.
    static void setPosition(ObjektManager& manager, TypedConsoleCommand& line);
    static void setScale(ObjektManager& manager, TypedConsoleCommand& line);
    static void setRotationYawPitchRoll(ObjektManager& manager, TypedConsoleCommand& line);
    static void setRotationEuler(ObjektManager& manager, TypedConsoleCommand& line);
    static void setRotationQuaternion(ObjektManager& manager, TypedConsoleCommand& line);
    // Object commands.
    static void cloneObject(ObjektManager& manager, TypedConsoleCommand& line);
    static void removeObjects(ObjektManager& manager, TypedConsoleCommand& line);
    static void loadFile(ObjektManager& manager, TypedConsoleCommand& line);
    static void removeLastLoaded(ObjektManager& manager, TypedConsoleCommand& line);
    static void toggleLight(ObjektManager& manager, TypedConsoleCommand& line);
    // Editor commands.
    static void setEditMode(ObjektManager& manager, TypedConsoleCommand& line);
    static void setEditMouseMode(ObjektManager& manager, TypedConsoleCommand& line);
    static void setAxisMode(ObjektManager& manager, TypedConsoleCommand& line);
    static void setEditObject(ObjektManager& manager, TypedConsoleCommand& line);
    static void editCloneSaveOld(ObjektManager& manager, TypedConsoleCommand& line);
    static void editCloneOld(ObjektManager& manager, TypedConsoleCommand& line);
    static void editCloneArray(ObjektManager& manager, TypedConsoleCommand& line);
    static void editCopyTransforms(ObjektManager& manager, TypedConsoleCommand& line);
    static void editCloneNTimes(ObjektManager& manager, TypedConsoleCommand& line);
    // Save commands (ObjektSaveCommands.cpp).
    static void saveObjectTransformInstances(ObjektManager& manager, TypedConsoleCommand& line);
    static void saveObjectTransform(ObjektManager& manager, TypedConsoleCommand& line);
    static void saveObject(ObjektManager& manager, TypedConsoleCommand& line);
    static void saveObjectInstances(ObjektManager& manager, TypedConsoleCommand& line);
    static void saveAllVisibleObjects(ObjektManager& manager, TypedConsoleCommand& line);

    // The edited object's clone named as typed, made the edited object and put into the scene
    // graph in move mode; the answer's tail for either outcome.
    static std::wstring cloneEdited(ObjektManager& manager, const std::wstring& name);
    // A copy of source at position, registered and put into the manager's scene graph; false
    // when the copy could not be made (the caller stops).
    static bool placeCopy(ObjektManager& manager, BaseObjekt& source, const D3DXVECTOR3& position);
};

} // namespace Ulvo
