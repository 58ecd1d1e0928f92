#pragma once
// The typed reads of GUI description keys, kept in one place: a key that is
// absent leaves the value alone and reports false. Booleans are integers other
// than 0, colours are hexadecimal AARRGGBB. Also the GUI's log.
#include <d3dx9math.h>

#include <cstdint>
#include <string>
#include <vector>

namespace Ulvo {

class Logger;
class XMLNode;

namespace GUIXml {

bool read(const XMLNode* node, const wchar_t* key, bool& value);
bool read(const XMLNode* node, const wchar_t* key, int32_t& value);
bool read(const XMLNode* node, const wchar_t* key, double& value);
bool read(const XMLNode* node, const wchar_t* key, float& value);
bool read(const XMLNode* node, const wchar_t* key, std::wstring& value);
bool readColour(const XMLNode* node, const wchar_t* key, D3DXCOLOR& value);
// A ratio "a" or "a b": a, or a divided by b (a divisor of 0 is ignored); no word gives 0.
bool readRatio(const XMLNode* node, const wchar_t* key, float& value);
// One or two numbers "x" or "x y": y = x when one is given, (0, 0) when none.
bool readPair(const XMLNode* node, const wchar_t* key, float& x, float& y);

// The words of a value, split at blanks (spaces, tabs, line ends).
std::vector<std::wstring> words(const std::wstring& text);
// A number word: the value, or 0 when the word is none.
double number(const std::wstring& word);

// Logs the attributes and child nodes of node whose names are not
// in known, so a misspelt key in a description shows up instead of vanishing.
using KeyList = std::vector<const wchar_t*>;
void reportUnknownKeys(const XMLNode* node, const KeyList& known, const wchar_t* where, const KeyList& alsoKnown = {});

} // namespace GUIXml

// The GUI writes into the main log.
Logger& guiLog();

} // namespace Ulvo
