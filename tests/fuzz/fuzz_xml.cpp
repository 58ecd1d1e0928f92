// Reads arbitrary bytes as a document, from the text and from the file bytes
// (both must give the same tree), writes the tree back and checks that the
// written text reads back as it was written, and the same tree when the writer
// had nothing to change.
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

std::wstring decode(const uint8_t* data, size_t size)
{
    std::wstring text;
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        for (size_t i = 2; i + 1 < size; i += 2) {
            uint32_t unit = data[i] | (static_cast<uint32_t>(data[i + 1]) << 8);
            if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < size) {
                uint32_t low = data[i + 2] | (static_cast<uint32_t>(data[i + 3]) << 8);
                if (low >= 0xDC00 && low < 0xE000) {
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                    i += 2;
                }
            }
            text += static_cast<wchar_t>(unit);
        }
    } else {
        for (size_t i = 0; i < size; ++i)
            text += static_cast<wchar_t>(data[i]);
    }
    return text;
}

bool sameTree(const Ulvo::XMLNode& a, const Ulvo::XMLNode& b)
{
    std::vector<std::pair<const Ulvo::XMLNode*, const Ulvo::XMLNode*>> pending{{&a, &b}};
    while (!pending.empty()) {
        auto [x, y] = pending.back();
        pending.pop_back();
        if (x->getName() != y->getName() || x->getAttributes().size() != y->getAttributes().size() ||
            x->getProperties().size() != y->getProperties().size() || x->getNodes().size() != y->getNodes().size())
            return false;
        for (size_t i = 0; i < x->getAttributes().size(); ++i) {
            if (x->getAttributes()[i]->getName() != y->getAttributes()[i]->getName() ||
                x->getAttributes()[i]->getValue() != y->getAttributes()[i]->getValue())
                return false;
        }
        for (size_t i = 0; i < x->getProperties().size(); ++i) {
            if (x->getProperties()[i]->getValue() != y->getProperties()[i]->getValue())
                return false;
        }
        for (size_t i = 0; i < x->getNodes().size(); ++i)
            pending.emplace_back(x->getNodes()[i], y->getNodes()[i]);
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Ulvo::logSwitch() = 0;
    const std::wstring text = decode(data, size);

    Ulvo::XMLNode tree;
    const bool read = Ulvo::XMLNode::load(&tree, text, 1);
    Ulvo::XMLNode fromBytes;
    const bool unicode = size >= 2 && data[0] == 0xFF && data[1] == 0xFE;
    const bool readBytes = unicode ? Ulvo::XMLNode::loadBytes(&fromBytes, data + 2, size - 2, true)
                                   : Ulvo::XMLNode::loadBytes(&fromBytes, data, size, false);
    if (read != readBytes || !sameTree(tree, fromBytes))
        std::abort();
    // Blanks after the text change nothing, however the reader looks ahead
    // (it reads short tags of single bytes in blocks).
    if (!unicode) {
        std::vector<unsigned char> padded(data, data + size);
        padded.resize(size + 64, ' ');
        Ulvo::XMLNode fromPadded;
        if (Ulvo::XMLNode::loadBytes(&fromPadded, padded.data(), padded.size(), false) != read ||
            !sameTree(tree, fromPadded))
            std::abort();
    }
    // The token-list form builds the same tree from the same tokens.
    const std::vector<Ulvo::XMLToken> tokens = Ulvo::XMLNode::tokenize(text);
    Ulvo::XMLNode fromTokens;
    std::size_t index = 0;
    if (fromTokens.load(tokens, index) != read || !sameTree(tree, fromTokens))
        std::abort();
    // A copy holds the same tree.
    if (!sameTree(tree, Ulvo::XMLNode(tree)))
        std::abort();

    const std::wstring written = tree.toText();
    std::string utf16;
    tree.write(utf16, 0);
    if (utf16.size() < written.size() * 2)
        std::abort();

    // A root whose name cannot be written is no document save would write.
    if (!Ulvo::XMLNode(tree.getName()).isWritable())
        return 0;
    Ulvo::XMLNode back;
    if (!Ulvo::XMLNode::load(&back, written, 1))
        std::abort();
    if (back.toText() != written)
        std::abort();
    if (tree.isWritable() && !sameTree(tree, back))
        std::abort();
    return 0;
}
