#pragma once
// The face registry behind D3DX and GDI fonts: memory fonts registered by the program first,
// then the installed fonts through fontconfig. FreeType objects live on the main thread.
#include <windows.h>

// FreeType's face handle, declared here so that users of the registry need no FreeType headers.
struct FT_FaceRec_;
typedef struct FT_FaceRec_* FT_Face;

#include <memory>
#include <string>
#include <vector>

namespace FontFaces {

// An open face and what had to be synthesised because the family lacks that style.
struct OpenedFace {
    FT_Face face = nullptr;
    bool synthBold = false;
    bool synthItalic = false;
    // Keeps a memory font's bytes alive as long as the face.
    std::shared_ptr<const std::vector<unsigned char>> bytes;
    std::string file; // the installed file, empty for memory fonts
};

// Opens the face that best matches the name, weight and slant. False when no font exists at all.
bool open(const std::wstring& name, UINT weight, bool italic, OpenedFace& out);
void close(OpenedFace& face);

HANDLE addMemoryFont(const void* data, DWORD size, DWORD* count);
bool removeMemoryFont(HANDLE handle);

} // namespace FontFaces
