#pragma once
// Common base of the engine's textures: a named, reference-counted holder of
// one Direct3D texture that remembers how it was made, so a texture in the
// default pool can give up its Direct3D texture when the device is lost and
// build it again the same way after the reset.
#include <d3d9.h>
#include <platform_app.h>

#include "foundation/helpers/Release.h"
#include "devices/d3d/DeviceResource.h"
#include "foundation/logging/Logger.h"
#include "foundation/objects/NamedObject.h"
#include "foundation/xml/XMLNode.h"
#include "foundation/sigslot.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Ulvo {

// A device resource: a default-pool texture follows the device while it knows how to
// rebuild itself (registerDeviceSignals).
class BaseTexture : public NamedObject, public DeviceResource {
public:
    // How a registered texture is rebuilt after a device reset.
    enum CreationKind : uint32_t {
        CREATION_NONE = 0,
        CREATION_NODE = 1,
        CREATION_PART = 3,
        CREATION_PARAMS = 4,
        CREATION_FILE = 8,
    };

    BaseTexture();
    // Copies everything but the signal connections.
    BaseTexture(const BaseTexture& other);
    BaseTexture& operator=(const BaseTexture&) = delete;
    ~BaseTexture() override;

    // A new copy (reference count 1) sharing the Direct3D texture, or holding
    // replacement (taken with its own AddRef) in its place when that is of
    // the class's kind. A copy of a texture that rebuilds itself after a
    // reset does so too.
    virtual BaseTexture* clone(IDirect3DBaseTexture9* replacement = nullptr) const = 0;

    // Device loss: releases the Direct3D texture, emits textureLost.
    void onLostDevice() override;
    // After the reset (only when lost): rebuilds, emits textureReset.
    void onResetDevice() override;

    virtual IDirect3DBaseTexture9* getBaseTexture() = 0;
    virtual IDirect3DCubeTexture9* getCubeTexture() = 0;
    virtual IDirect3DVolumeTexture9* getVolumeTexture() = 0;
    virtual IDirect3DTexture9* getTexture() = 0;

    // FILTER_DEFAULT (when present), APPLY_FILTER and DONT_APPLY_FILTER values.
    void loadFilterSettings(XMLNode* node);

    // Full name of the source file as the file system reported it.
    const std::wstring& getFileName() const { return m_fileName; }
    bool isLoaded() const { return m_loaded; }
    bool isLost() const { return m_lost; }
    bool isRecreating() const { return m_recreating; }
    uint32_t getCreationKind() const { return m_creationKind; }
    const XMLNode& getCreationNode() const { return m_creationNode; }
    const std::vector<std::wstring>& getApplyFilter() const { return m_applyFilter; }
    const std::vector<std::wstring>& getDontApplyFilter() const { return m_dontApplyFilter; }
    bool getFilterDefault() const { return m_filterDefault; }
    // True while following the device's lostDevice/resetDevice signals.
    bool isRegistered() const { return isFollowingDevice(); }

    sigslot::signal1<BaseTexture*> textureLost;
    sigslot::signal1<BaseTexture*> textureReset;

protected:
    // The next power of two at or above e (e itself when it is one).
    static UINT raiseToPowerOfTwo(UINT e);

    // A file's data block, owned for the length of one load.
    struct FileData {
        unsigned char* bytes = nullptr;
        uint32_t size = 0;
        // Where the bytes were found, for reading them again (fileReader).
        std::wstring name;
        std::wstring order;
        FileData() = default;
        FileData(const FileData&) = delete;
        FileData& operator=(const FileData&) = delete;
        ~FileData() { delete[] bytes; }
    };

    // Follows the device and remembers how to rebuild; nothing while recreating.
    void registerDeviceSignals(uint32_t kind);
    void unregisterDeviceSignals();
    // After a successful creation: a default-pool texture registers under kind;
    // one made in another pool is left to Direct3D and no longer rebuilt.
    void updateRegistration(D3DPOOL pool, uint32_t kind);
    void clearFilterSettings();
    // The start of every creation: no Direct3D texture, not loaded, default filters.
    void clearForCreation();

    // The class's rebuild by creationKind; called only from onResetDevice
    // between lost and recreating being cleared.
    virtual void rebuild() {}
    virtual void releaseDirect3D() {}

    // NAME and the filter keys of a texture-list entry.
    void loadNodeSettings(XMLNode* node);
    // Reads fileName, found through the "DEFAULT" search order, into data;
    // the file system's full name becomes the file name and the object's
    // name. Failures are logged under function.
    bool readNamedFile(const std::wstring& fileName, FileData& data, FileLogger& log, const wchar_t* function);
    // Reads the file a FILE entry names into data; the file name is taken
    // also when that fails. Failure lines start with where.
    bool readNodeFile(XMLNode* fileNode, FileData& data, FileLogger& log, const std::wstring& where);
    // Reads the file data came from again, as its load found it; a managed picture's texels are
    // written from it at first use and after an eviction, so no copy of the file is kept.
    static PlatformImageReader fileReader(const FileData& data);
    // A successful load: a default-pool texture made from a list entry keeps
    // a copy of node for the rebuild; registers under kind and logs it.
    void finishLoad(D3DPOOL pool, uint32_t kind, const XMLNode* node, FileLogger& log, const wchar_t* function);

    // clone() of a class that holds its Direct3D texture in the member held:
    // the copy takes replacement when that is of type kind.
    template <class Texture, class Interface>
    static Texture* cloneHolding(const Texture& original, Interface* Texture::*held, D3DRESOURCETYPE kind,
                                 IDirect3DBaseTexture9* replacement)
    {
        Texture* copy = new Texture(original);
        if (replacement && replacement->GetType() == kind)
            holdReference(copy->*held, static_cast<Interface*>(replacement));
        if (original.isFollowingDevice())
            copy->registerDeviceSignals(original.m_creationKind);
        return copy;
    }

    std::wstring m_fileName;
    bool m_loaded = false;
    bool m_recreating = false;
    uint32_t m_creationKind = CREATION_NONE;
    XMLNode m_creationNode;
    std::vector<std::wstring> m_applyFilter;
    std::vector<std::wstring> m_dontApplyFilter;
    bool m_filterDefault = true;
    bool m_lost = false;
};

} // namespace Ulvo
