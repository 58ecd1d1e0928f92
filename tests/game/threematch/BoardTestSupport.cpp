#include "BoardTestSupport.h"

#include "foundation/xml/XMLNode.h"
#include "threematch/globals/DataReads.h"
#include "threematch/stones/RohstoffManager.h"

#include <crt.h>

#include <cstring>

using namespace ThreeMatch;

namespace BoardTesting {

const wchar_t* const kStones = LR"(<ROHSTOFFE>
  <ROHSTOFFKLASSE NAME="ERDE" UNLOCKED="1" MIN_ANZAHL="2" COLOR="FF806040">
    <ROHSTOFF NAME="LEHM" MULTIPLIER="1" UNLOCKED="1"/>
    <ROHSTOFF NAME="SAND" MULTIPLIER="1" UNLOCKED="1"/>
    <ROHSTOFF NAME="KIES" MULTIPLIER="2" UNLOCKED="1"/>
    <ROHSTOFF NAME="TON" UNLOCKED="1"/>
  </ROHSTOFFKLASSE>
  <ROHSTOFFKLASSE NAME="WASSER" UNLOCKED="1" MIN_ANZAHL="1">
    <ROHSTOFF NAME="REGEN" MULTIPLIER="1" UNLOCKED="1"/>
    <ROHSTOFF NAME="EIS"/>
    <ROHSTOFF NAME="NEBEL" UNLOCKED="1"/>
  </ROHSTOFFKLASSE>
  <ROHSTOFFKLASSE NAME="WUT" UNLOCKED="1"><ROHSTOFF NAME="WUT" UNLOCKED="1"/></ROHSTOFFKLASSE>
  <ROHSTOFFKLASSE NAME="BOESE" UNLOCKED="1"><ROHSTOFF NAME="BOESE" UNLOCKED="1"/></ROHSTOFFKLASSE>
  <ZORNKLASSE>"|WUT|"</ZORNKLASSE>
  <BOESEKLASSE>"|BOESE|"</BOESEKLASSE>
</ROHSTOFFE>)";

const wchar_t* const kFiveStones = LR"(<ROHSTOFFE ANZ_VERSCHIEDENES="5">
      <KLASSE NAME="ERDE" MIN_ANZ="4" MAX_ANZ="0" TYPEN="LEHM SAND KIES TON"/>
      <KLASSE NAME="WASSER" MIN_ANZ="1" MAX_ANZ="0" TYPEN="REGEN EIS"/>
    </ROHSTOFFE>)";

namespace {

const char kLetters[] = "abcde";
const wchar_t* const kTypeNames[][2] = {
    {L"ERDE", L"LEHM"}, {L"ERDE", L"SAND"}, {L"ERDE", L"KIES"}, {L"ERDE", L"TON"}, {L"WASSER", L"REGEN"}};

} // namespace

uint32_t texelOf(char kind)
{
    switch (kind) {
    case '#':
        return 0xFFC80000;
    case 'e':
        return 0xFF000000;
    case 'o':
        return 0xFF006400;
    case 'S':
        return 0xFF00C800;
    case 't':
        return 0xFF006464;
    case 'T':
        return 0xFF0064C8;
    case 'L':
        return 0xFF646400;
    case 'l':
        return 0xFF646464;
    case 'K':
        return 0xFF6464C8;
    default:
        return 0;
    }
}

LayoutPicture picture(const Rows& rows)
{
    LayoutPicture made;
    made.height = static_cast<int>(rows.size());
    made.width = rows.empty() ? 0 : static_cast<int>(rows[0].size());
    for (const std::string& row : rows) {
        for (int x = 0; x < made.width; ++x)
            made.texels.push_back(x < static_cast<int>(row.size()) ? texelOf(row[x]) : 0u);
    }
    return made;
}

bool Pictures::readFile(const std::wstring& fileName, LayoutPicture& picture)
{
    const auto it = files.find(fileName);
    if (it == files.end())
        return false;
    picture = it->second;
    return true;
}

bool Pictures::readTexture(const std::wstring& name, LayoutPicture& picture)
{
    const auto it = textures.find(name);
    if (it == textures.end())
        return false;
    picture = it->second;
    return true;
}

void BoardTest::SetUp()
{
    // The game seeds the runtime's generator with 0 at start-up.
    crt_srand(0);
    globals = std::make_unique<MyGlobals>();
    globals->getRohstoffManager().load(GameTesting::parse(kStones));
    board = std::make_unique<Spielfeld>(globals->getRohstoffManager(), *globals);
    board->setPictureSource(&pictures);
    board->setLevelDocument(&levels);
    levelText = std::wstring(LR"(<DEFAULT_TIME>"|100|"</DEFAULT_TIME><DEFAULT_ROHSTOFFE ANZ_VERSCHIEDENES="5">
        <KLASSE NAME="ERDE" MIN_ANZ="4" TYPEN="LEHM SAND KIES TON"/>
        <KLASSE NAME="WASSER" MIN_ANZ="1" TYPEN="REGEN"/></DEFAULT_ROHSTOFFE>)");
    levels = GameTesting::parse(L"<LEVELS>" + levelText + L"</LEVELS>");
}

void BoardTest::TearDown()
{
    board.reset();
    globals.reset();
}

void BoardTest::addLevel(int n, const Rows& layout, const std::wstring& attributes, const std::wstring& stoneSet)
{
    const std::wstring file = L"level_" + std::to_wstring(n) + L".png";
    pictures.files[file] = picture(layout);
    layouts[n] = layout;
    const std::wstring size = std::to_wstring(layout[0].size()) + L" " + std::to_wstring(layout.size());
    addLevelText(L"<THREEMATCHLEVEL_" + std::to_wstring(n) + L" SIZE=\"" + size + L"\" FILE=\"" + file + L" " + size +
                 L"\" " + attributes + L">" + stoneSet + L"</THREEMATCHLEVEL_" + std::to_wstring(n) + L">");
}

void BoardTest::addLevelText(const std::wstring& text)
{
    levelText += text;
    levels = GameTesting::parse(L"<LEVELS>" + levelText + L"</LEVELS>");
}

Ulvo::XMLNode BoardTest::savedLevel(int n, const Rows& stones, double restTime) const
{
    const Rows& layout = layouts.at(n);
    const int width = static_cast<int>(layout[0].size());
    std::vector<int> two, one, locked, empty, occupied, ids;
    for (int y = 0; y < static_cast<int>(layout.size()); ++y) {
        for (int x = 0; x < width; ++x) {
            const char kind = layout[y][x];
            const int index = y * width + x;
            if (kind == '.' || kind == '#')
                continue;
            if (kind == 'T' || kind == 'K')
                two.push_back(index);
            if (kind == 't' || kind == 'T' || kind == 'l' || kind == 'K')
                one.push_back(index);
            if (kind == 'L' || kind == 'l' || kind == 'K')
                locked.push_back(index);
            const char letter =
                y < static_cast<int>(stones.size()) && x < static_cast<int>(stones[y].size()) ? stones[y][x] : '.';
            const char* found = letter != '.' ? std::strchr(kLetters, letter) : nullptr;
            if (!found) {
                empty.push_back(index);
                continue;
            }
            occupied.push_back(index);
            ids.push_back(type(letter)->getId());
        }
    }
    Ulvo::XMLNode node(L"ACTIVE_LEVEL");
    appendValue(node, L"LEVEL_NAME", n);
    appendValue(node, L"REST_TIME", restTime);
    appendValue(node, L"PLAYED_TIME", 0.0);
    appendValues(node, L"FELDER_ZIELFELDx2", two);
    appendValues(node, L"FELDER_ZIELFELD", one);
    appendValues(node, L"FELDER_LOCKED", locked);
    appendValues(node, L"FELDER_FREI", empty);
    appendValues(node, L"FELDER_BESETZT", occupied);
    appendValues(node, L"ROHSTOFFE_BESETZT", ids);
    auto* types = new Ulvo::XMLNode(L"ROHSTOFFE");
    for (const auto& name : kTypeNames) {
        auto* record = new Ulvo::XMLNode(L"ROHSTOFF");
        appendValue(*record, L"ROHSTOFF_KLASSE", name[0]);
        appendValue(*record, L"ROHSTOFF", name[1]);
        types->addNode(record);
    }
    node.addNode(types);
    return node;
}

bool BoardTest::restore(int n, const Rows& stones, double restTime)
{
    const bool restored = board->restoreLevel(savedLevel(n, stones, restTime));
    board->start();
    return restored;
}

Rohstoff* BoardTest::type(char letter) const
{
    const char* found = std::strchr(kLetters, letter);
    if (!found || letter == 0)
        return nullptr;
    const auto& name = kTypeNames[found - kLetters];
    return globals->getRohstoffManager().findKlasse(name[0])->findRohstoff(name[1]);
}

char BoardTest::stoneAt(int x, int y) const
{
    const Feld* at = cell(x, y);
    const Bildchen* stone = at ? at->getStone() : nullptr;
    if (!stone)
        return '.';
    for (const char* letter = kLetters; *letter; ++letter) {
        if (type(*letter) == stone->getRohstoff())
            return *letter;
    }
    return '?';
}

void BoardTest::frames(double seconds)
{
    for (double t = 0.0; t < seconds - 1e-9; t += 0.025) {
        clock.step(0.025);
        board->update();
    }
}

void BoardTest::settle(double maxSeconds)
{
    for (double t = 0.0; t < maxSeconds && (t == 0.0 || board->isBusy()); t += 0.25)
        frames(0.25);
}

int BoardTest::emptyPlayableCells() const
{
    int count = 0;
    for (const Feld& at : board->getFelder()) {
        if (at.has(FeldFlag::Spielbar) && !at.getStone())
            ++count;
    }
    return count;
}

} // namespace BoardTesting
