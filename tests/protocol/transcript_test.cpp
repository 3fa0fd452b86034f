// The built engine driven through its pipes from transcripts: every line sent with the exact
// replies it must give. "*" stands for a move on a cell not yet taken in the game, which the
// transcript keeps from the lines it sends.

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <sstream>

#include "client.hpp"
#include "protocol/engine_folder.hpp"

namespace quoll::test {
namespace {

using namespace std::string_literals;

struct Step {
    std::string line;  // without its line end
    std::vector<std::string> replies;
};

std::string unknown(const std::string& word) { return "ERROR Unknown command \"" + word + "\""; }
std::string size(const std::string& value) {
    return "ERROR Unsupported size of board " + value +
           ". This version only supports board size 15";
}
const std::string kSyntax = "ERROR Invalid syntax";
const std::string kCoordinates = "ERROR Invalid coordinates";
const std::string kMode = "ERROR This command cannot be used in current mode";
const std::string kPosition = "ERROR Invalid position";
const std::size_t kMegabyte = 1 << 20;

// The cell a TURN line or a board row names, when it is on the board.
std::optional<int> namedCell(const std::string& line) {
    std::istringstream words(line.substr(0, 100));
    std::string word;
    words >> word;
    if (word == "TURN" || word == "turn") words >> word;
    std::istringstream numbers(word);
    int x = -1, y = -1;
    char comma = 0;
    numbers >> x >> comma >> y;
    if (comma != ',' || !tools::onBoard(y, x)) return std::nullopt;
    return cellAt(x, y);
}

// Reads the replies: "*" a move on a cell not yet taken (which it takes), any other the exact line.
void expectReplies(EngineClient& engine, const std::vector<std::string>& replies,
                   std::set<int>& taken) {
    for (const std::string& reply : replies) {
        if (reply != "*") {
            ASSERT_TRUE(engine.expectLine(reply));
            continue;
        }
        const std::optional<std::string> line = engine.readLine();
        const std::optional<int> cell = line ? tools::parseMoveReply(*line) : std::nullopt;
        ASSERT_TRUE(cell && taken.insert(*cell).second) << "not a free cell: " << line.value_or("");
    }
}

// Sends every step and checks its replies. A new game (START answered, BOARD) clears the taken
// cells; TURN moves and board rows on the board take theirs, as do the engine's moves.
void runTranscript(EngineClient& engine, const std::vector<Step>& steps) {
    std::set<int> taken;
    for (const Step& step : steps) {
        SCOPED_TRACE("after \"" + step.line.substr(0, 40) + "\"");
        ASSERT_TRUE(engine.sendLine(step.line));
        if (step.line == "BOARD" ||
            (step.line.starts_with("START") && step.replies == std::vector{"OK"s}))
            taken.clear();
        else if (const std::optional<int> cell = namedCell(step.line)) taken.insert(*cell);
        ASSERT_NO_FATAL_FAILURE(expectReplies(engine, step.replies, taken));
    }
    // Nothing more was written than the replies checked.
    ASSERT_TRUE(engine.answers("PROBE", unknown("PROBE")));
}

// Lines a manager should not send, and their exact replies, during a game.
const std::vector<Step> kOddLines = {
    // The first word is quoted upper-cased: only a to z change, other bytes pass through.
    {"restart", {unknown("RESTART")}},
    {"Foo bar baz", {unknown("FOO")}},
    {"  \tdone  ", {unknown("DONE")}},
    {"\0"s, {unknown("\0"s)}},
    {"TU\0RN 3,3"s, {unknown("TU\0RN"s)}},
    {"\xC3\xA9t\xFFz` \xE4", {unknown("\xC3\xA9T\xFFZ`")}},
    // Ctrl-Z is an ordinary byte, not the end of the input (as in Windows text mode).
    {"\x1Aturn 3,3", {unknown("\x1ATURN")}},
    // Blank lines, CONFIG and unknown INFO keys are ignored.
    {"", {}},
    {" \t \x0b\x0c ", {}},
    {"\r", {}},
    {"CONFIG anything at all", {}},
    {"INFO EVALUATE 7,7", {}},
    {"INFO", {kSyntax}},
    {"INFO TIMEOUT_TURN", {kSyntax}},
    // START: the last of two numbers is the size; no number, or one beyond 16 bits, is no size.
    {"START", {kSyntax}},
    {"START X", {kSyntax}},
    {"START 32768", {kSyntax}},
    {"START 16", {size("16")}},
    {"START 15 20", {size("20")}},
    {"START -3", {size("-3")}},
    {"START -32768", {size("-32768")}},
    {"START +14", {size("14")}},
    {"TURN", {kSyntax}},
    {"TURN 7 7", {kSyntax}},
    {"turn ,", {kSyntax}},
    {"TURN 7,99999", {kSyntax}},
    {"TURN 99999999999,3", {kSyntax}},
    {"TURN 3,\0"s, {kSyntax}},
    // 15,0 would be cell 15 (the second row) if only the cell number were tested.
    {"TURN -1,0", {kCoordinates}},
    {"TURN 0,-1", {kCoordinates}},
    {"TURN 15,0", {kCoordinates}},
    {"TURN 14,15", {kCoordinates}},
    {"TURN -32768,32767", {kCoordinates}},
    {"BEGIN", {kMode}},
    {std::string(kMegabyte, 'q'), {unknown(std::string(kMegabyte, 'Q'))}},
    {std::string(kMegabyte, ' '), {}},
    {"TURN " + std::string(kMegabyte, '7') + ",1", {kSyntax}},
    {"INFO FOLDER /" + std::string(kMegabyte, 'd'), {}},
};

std::vector<Step> wholeSession() {
    std::vector<Step> steps = {
        // Before START: position commands are refused, BOARD reads no rows, settings are silent.
        {"TURN 7,7", {kMode}},
        {"BEGIN", {kMode}},
        {"BOARD", {kMode}},
        {"7,7,1", {unknown("7,7,1")}},
        {"DONE", {unknown("DONE")}},
        {"info timeout_turn 1000", {}},
        {"INFO TIMEOUT_TURN ABC", {}},
        {"INFO MAX_MEMORY 1000000", {}},
        {"START 15 15", {"OK"}},
        {"START 20 15", {"OK"}},
        {"START 15 X", {"OK"}},
        {"INFO TIMEOUT_TURN 100", {}},
        {"start 15", {"OK"}},
        {"BEGIN", {"7,7"}},
        {"TURN 6,6,1", {"*"}},  // the third number is ignored
        {"TURN 6,6", {kCoordinates}},
        {"turn 0,14\0junk"s, {"*"}},
        {"TURN" + std::string(kMegabyte, ' ') + "3,3", {"*"}},
        // A new game forgets the old stones.
        {"START 15", {"OK"}},
        {"BEGIN", {"7,7"}},
        {"BOARD", {}},
        {"DONE", {"7,7"}},
        {"BOARD", {}},
        {"7,7,2", {}},
        {"done", {"*"}},
        // Stone counts that fit no first mover: the error, then a move all the same.
        {"BOARD", {}},
        {"7,7,1", {}},
        {"8,8,1", {}},
        {"DONE", {kPosition, "*"}},
        // A player on a later row recolours the earlier ones: 1, 2, 1.
        {"BOARD", {}},
        {"7,7", {}},
        {"8,8", {}},
        {"9,9,1", {}},
        {"DONE", {kPosition, "*"}},
    };
    steps.insert(steps.end(), kOddLines.begin(), kOddLines.end());
    return steps;
}

TEST(Transcript, WholeSessionWithEveryOddLine) {
    EngineClient engine;
    ASSERT_TRUE(engine.startEngine());
    // The build date as "Mmm dd yyyy hh:mm:ss", the day padded with a blank: read with its
    // letters as a, its digits and that blank as 9.
    EXPECT_TRUE(engine.sendLine("ABOUT"));
    std::string line = engine.readLine().value_or("");
    const std::size_t date = line.find("build-date=\"") + 12;
    if (date + 4 < line.size() && line[date + 4] == ' ') line[date + 4] = '9';
    for (std::size_t i = date; i < line.size() && i < date + 20; ++i)
        if (std::isalnum(static_cast<unsigned char>(line[i])))
            line[i] = std::isdigit(static_cast<unsigned char>(line[i])) ? '9' : 'a';
    EXPECT_EQ(line,
              "name=\"Quoll\", author=\"Quoll developers\", country=\"n/a\", "
              "email=\"quoll@example.org\", version=\"9\", build-date=\"aaa 99 9999 99:99:99\", "
              "target-rule=\"standard\", target-board-size=\"15\", debug=\"0\"");
    // Under Wine, one short session: the unit suites and the Linux engine cover the rest.
    std::vector<Step> steps = wholeSession();
    if (kWindowsEngine) steps.resize(34);
    runTranscript(engine, steps);
    engine.endSession();
}

// How a session ends: END (with anything after it), or the input closing, even inside a line or
// a BOARD block. Carriage returns before line feeds are no part of the line.
TEST(Transcript, SessionEnds) {
    struct Ending {
        std::string bytes;  // sent as they are, then the input closes
        std::vector<std::string> replies;
    };
    const std::string game = "INFO MAX_MEMORY 1000000\nINFO TIMEOUT_TURN 100\nSTART 15\n";
    const std::vector<Ending> endings = {
        {"end of it\nABOUT\n", {}},
        {game + "FOO", {"OK", unknown("FOO")}},
        {game + "BOARD\n7,7\n8,8", {"OK", "*"}},
        {"INFO MAX_MEMORY 1000000\r\nINFO TIMEOUT_TURN 100\r\nSTART "
         "15\r\nBOARD\r\n7,7,2\r\nDONE\r\nFOO\r\n\r\nEND\r\nABOUT\r\n",
         {"OK", "*", unknown("FOO")}},
    };
    for (const Ending& ending : endings) {
        SCOPED_TRACE(ending.bytes.substr(0, 30));
        EngineClient engine;
        ASSERT_TRUE(engine.startEngine());
        engine.sendRaw(ending.bytes);
        engine.closeInput();
        std::set<int> taken = {cellAt(7, 7), cellAt(8, 8)};
        expectReplies(engine, ending.replies, taken);
        engine.expectCleanExit();
    }
}

TEST(Transcript, RelativeProgramPathGivesTheMessageFirst) {
    if (kWindowsEngine) GTEST_SKIP() << "Wine hands a program its full path";
    for (const char* name : {"pbrain-quoll", "build/pbrain-quoll"}) {
        EngineClient engine;
        ASSERT_TRUE(engine.startEngine(name));
        EXPECT_TRUE(engine.expectLine(
            "MESSAGE Failed to parse the path, make sure you run the engine using absolute path"));
        EXPECT_TRUE(engine.answers("START 15", "OK"));
        engine.closeInput();
        EXPECT_EQ(engine.waitExit(), 0);
    }
}

// A program in the root folder of a drive, a share or the file system has an absolute folder.
TEST(Transcript, ProgramsInARootFolderFindIt) {
    for (const char* path : {"/pbrain-quoll", "C:\\pbrain-quoll.exe", "a:/pbrain-quoll.exe",
                             "\\\\server\\share\\x.exe"})
        EXPECT_TRUE(locateEngineFolder(path)) << path;
    EXPECT_FALSE(locateEngineFolder("pbrain-quoll.exe"));
}

}  // namespace
}  // namespace quoll::test
