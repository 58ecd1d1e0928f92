// The OBJ_ save commands: objects, bare transforms and instance groups written back as scene files
// (or parts of them) that the scene-file loader and the arrangements read again. Every command
// writes its file, also when it found nothing; a file that cannot be written is logged by the
// writer and answered in place of the line that says it was saved. The editor's own objects
// belong to no scene and are never written by the save of everything shown.
#include "foundation/files/File.h"
#include "foundation/xml/XMLNode.h"
#include "render/XMLWrites.h"
#include "scene/ObjektCommands.h"
#include "scene/ObjektManager.h"

#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

namespace Ulvo {

namespace {

using xmlwrite::write;

// A line of a multi-name answer: every line after the first argument's starts on a new line.
void addLine(std::wstring& answer, bool firstArgument, const std::wstring& text)
{
    if (!firstArgument)
        answer += L"\n";
    answer += text;
}

// The object's group root; an object whose group fell apart (its root destroyed with a single
// clone left) has none and stands for itself.
BaseObjekt* groupOf(BaseObjekt& object)
{
    BaseObjekt* root = object.getInstanceGroup();
    return root ? root : &object;
}

// The group's instances, in its map's order, copied so that writing cannot disturb the walk.
std::vector<BaseObjekt*> instancesOf(const BaseObjekt& root)
{
    std::vector<BaseObjekt*> instances;
    instances.reserve(root.getInstances().size());
    for (const auto& entry : root.getInstances())
        instances.push_back(entry.second);
    return instances;
}

XMLNode* objectEntry(BaseObjekt& object)
{
    auto* node = new XMLNode(L"OBJEKT");
    object.save(node);
    return node;
}

// An INSTANZEN node (with BASENAME when named) holding one transform entry per instance.
XMLNode* instancesEntry(const std::vector<BaseObjekt*>& instances, const std::wstring* baseName)
{
    auto* node = new XMLNode(L"INSTANZEN");
    if (baseName)
        write(node, L"BASENAME", *baseName);
    for (BaseObjekt* instance : instances)
        node->addNode(ObjektCommands::transformEntry(*instance, L"INSTANZ"));
    return node;
}

// An arrangement that recreates copies of the root: its SRC_OBJECT, without the INSTANZEN node.
XMLNode* arrangementOf(const BaseObjekt& root)
{
    auto* node = new XMLNode(L"OBJEKT_ANORDNUNG");
    auto* source = new XMLNode(L"SRC_OBJECT");
    write(source, L"NAME", root.getName());
    write(source, L"PROP", 1.0f);
    node->addNode(source);
    return node;
}

// The file named first on the line, or empty (answered) when it leads out of the working folder.
std::wstring targetOf(TypedConsoleCommand& line)
{
    return line.getFileToken(0);
}

// Writes the file; false, with the answer's failure line added, when it could not be written.
bool saveFile(XMLNode& root, const std::wstring& fileName, std::wstring& answer)
{
    if (XMLNode::save(&root, fileName, xmlUnicodeSwitch()))
        return true;
    answer += L"\n" + fileName + L" konnte nicht gespeichert werden!";
    return false;
}

} // namespace

const wchar_t* const ObjektCommands::kTransformFolder = L"Transforms";

XMLNode* ObjektCommands::transformEntry(BaseObjekt& object, const wchar_t* nodeName)
{
    auto* node = new XMLNode(nodeName);
    write(node, L"NAME", object.getName());
    xmlwrite::writeVector(node, L"POSITION", object.getBasePosition());
    xmlwrite::writeQuaternion(node, L"ROTATION_QUAT", object.getRotation());
    xmlwrite::writeVector(node, L"SCALE", object.getScale());
    return node;
}

std::wstring ObjektCommands::transformFileName(const std::wstring& objectName)
{
    return std::wstring(kTransformFolder) + L"\\" + File::safeFileName(objectName);
}

void ObjektCommands::saveObject(ObjektManager& manager, TypedConsoleCommand& line)
{
    const std::wstring target = targetOf(line);
    if (target.empty())
        return;
    XMLNode root(L"OBJEKTE");
    std::wstring answer;
    bool found = false;
    for (int i = 1; i < line.getArgumentCount(); ++i) {
        const std::wstring name = line.getToken(i);
        if (BaseObjekt* object = manager.find(name)) {
            root.addNode(objectEntry(*object));
            found = true;
        } else {
            addLine(answer, i == 1, name + L" nicht gefunden!");
        }
    }
    if (saveFile(root, target, answer) && found)
        answer += L"\nObjekt gespeichert!";
    line.setAnswer(answer);
}

void ObjektCommands::saveObjectTransform(ObjektManager& manager, TypedConsoleCommand& line)
{
    const std::wstring target = targetOf(line);
    if (target.empty())
        return;
    XMLNode root(L"TRANSFORMS");
    std::wstring answer;
    for (int i = 1; i < line.getArgumentCount(); ++i) {
        const std::wstring name = line.getToken(i);
        if (BaseObjekt* object = manager.find(name)) {
            root.addNode(transformEntry(*object, L"INSTANZ"));
            addLine(answer, i == 1, name + L"  wird gespeichert!");
        } else {
            addLine(answer, i == 1, name + L" nicht gefunden!");
        }
    }
    if (saveFile(root, target, answer))
        answer += L"\nDaten gespeichert!";
    line.setAnswer(answer);
}

void ObjektCommands::saveObjectTransformInstances(ObjektManager& manager, TypedConsoleCommand& line)
{
    const std::wstring target = targetOf(line);
    if (target.empty())
        return;
    XMLNode root(L"TRANSFORMS");
    std::wstring answer;
    for (int i = 1; i < line.getArgumentCount(); ++i) {
        const std::wstring name = line.getToken(i);
        BaseObjekt* object = manager.find(name);
        if (!object) {
            addLine(answer, i == 1, name + L" nicht gefunden!");
            continue;
        }
        BaseObjekt* group = groupOf(*object);
        const std::vector<BaseObjekt*> instances = instancesOf(*group);
        root.addNode(instancesEntry(instances, &group->getName()));
        addLine(answer, i == 1, group->getName() + L" " + std::to_wstring(instances.size()) + L" werden gespeichert!");
    }
    if (saveFile(root, target, answer))
        answer += L"\nDaten gespeichert!";
    line.setAnswer(answer);
}

void ObjektCommands::saveObjectInstances(ObjektManager& manager, TypedConsoleCommand& line)
{
    const std::wstring target = targetOf(line);
    if (target.empty())
        return;
    XMLNode root(L"OBJEKTE");
    BaseObjekt* object = manager.find(line.getToken(1));
    if (!object) {
        std::wstring answer = line.getToken(1) + L" nicht gefunden!";
        saveFile(root, target, answer);
        line.setAnswer(answer);
        return;
    }
    BaseObjekt* group = groupOf(*object);
    const std::vector<BaseObjekt*> instances = instancesOf(*group);
    const int mode = line.getArgumentCount() >= 3 ? line.getParamInt(2) : 0;
    root.addNode(objectEntry(*group));
    if (mode == 1) {
        root.addNode(instancesEntry(instances, &group->getName()));
    } else if (mode == 2) {
        XMLNode* arrangement = arrangementOf(*group);
        arrangement->addNode(instancesEntry(instances, &group->getName()));
        root.addNode(arrangement);
    } else {
        for (BaseObjekt* instance : instances)
            root.addNode(objectEntry(*instance));
    }
    std::wstring answer = group->getName() + L" " + std::to_wstring(instances.size() + 1) + L" werden gespeichert!";
    if (saveFile(root, target, answer))
        answer += L"\nObjekte gespeichert!";
    line.setAnswer(answer);
}

void ObjektCommands::saveAllVisibleObjects(ObjektManager& manager, TypedConsoleCommand& line)
{
    const std::wstring target = targetOf(line);
    if (target.empty())
        return;
    XMLNode root(L"OBJEKTE");
    const int mode = line.getArgumentCount() >= 2 ? line.getParamInt(1) : 0;
    const bool writeRoots = (mode & 1) != 0;
    const bool instancesAsObjects = (mode & 2) != 0;
    std::unordered_set<std::wstring> excluded;
    for (int i = 2; i < line.getArgumentCount(); ++i)
        excluded.insert(line.getToken(i));

    std::vector<BaseObjekt*> work;
    manager.getObjects(std::wstring(), work);
    // Objects taken off the work list: a group is written once, by whichever member comes first.
    std::unordered_set<const BaseObjekt*> done;
    for (BaseObjekt* object : work) {
        if (!done.insert(object).second)
            continue;
        BaseObjekt* group = object->getInstanceGroup();
        if (!group || manager.isEditorHelper(group))
            continue;
        if (writeRoots)
            root.addNode(objectEntry(*group));
        std::unique_ptr<XMLNode> arrangement;
        XMLNode* entries = nullptr;
        if (!instancesAsObjects) {
            arrangement.reset(arrangementOf(*group));
            entries = new XMLNode(L"INSTANZEN");
            arrangement->addNode(entries);
        }
        for (BaseObjekt* instance : instancesOf(*group)) {
            done.insert(instance);
            done.insert(group);
            if (excluded.count(instance->getName()) || !instance->getSceneGraph() || !instance->getSceneGraphNode())
                continue;
            if (instancesAsObjects)
                root.addNode(objectEntry(*instance));
            else
                entries->addNode(transformEntry(*instance, L"INSTANZ"));
        }
        if (arrangement && entries->getNodeCount() > 0)
            root.addNode(arrangement.release());
    }
    std::wstring answer;
    if (saveFile(root, target, answer))
        answer = L"\nObjekte gespeichert!";
    line.setAnswer(answer);
}

} // namespace Ulvo
