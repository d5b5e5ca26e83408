// tools/leveltool/leveltool.cpp
// Turns level files (".scn") into text and back, so that levels can be kept as sources.
//
//   leveltool dump <level.scn>                 the level as text on standard output
//   leveltool build <level.txt> <level.scn>    writes the level the text describes
//
// The text has one record per line; '#' starts a comment. Cells are grid cells -128..127
// (one cell is 0.025 world units, the water line is y 0).
//
//   version 110                  110 (with markers), 100, or 0 (no header, no tables)
//   table a b c d                the index table (default 0 1 2 3)
//   matrix r a b c d             row r (0..3) of the index matrix (default 0 1 2 3)
//   players n                    the player count written (default: the players given)
//   entry p x y [colour]         a start entry of player p, three per player, in order;
//                                colour as hexadecimal 0xAARRGGBB (default by player)
//   block x y type material flags layer
//   marker x y                   version 110 only
//
// Exit status 0 on success, 1 on a bad file, 2 on misuse.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace
{
const unsigned kDefaultColours[2] = {0xFFFF5D37u, 0xFF3A92FFu};

struct Entry
{
    int x = 0, y = 0;
    unsigned colour = 0;
};

struct Block
{
    int x = 0, y = 0, type = 0, material = 0, flags = 0, layer = 1;
};

struct Level
{
    int version = 110;
    unsigned table[4] = {0, 1, 2, 3};
    unsigned matrix[16] = {0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3};
    int playerCount = -1;                        // -1: as many as the entries give
    std::vector<std::vector<Entry>> players;     // entries per player
    std::vector<Block> blocks;
    std::vector<Entry> markers;                  // colour unused
};

bool ReadWholeFile(const std::string& path, std::vector<unsigned char>& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// ---- dump ----

class Reader
{
public:
    explicit Reader(const std::vector<unsigned char>& data) : m_data(data), m_at(0) {}
    bool Has(size_t n) const { return n <= m_data.size() - m_at; }
    unsigned U8() { return m_data[m_at++]; }
    int I8() { return (int)(signed char)m_data[m_at++]; }
    unsigned U32()
    {
        unsigned v = m_data[m_at] | (m_data[m_at + 1] << 8) | (m_data[m_at + 2] << 16)
            | ((unsigned)m_data[m_at + 3] << 24);
        m_at += 4;
        return v;
    }
    size_t Left() const { return m_data.size() - m_at; }
    const unsigned char* Here() const { return m_data.data() + m_at; }

private:
    const std::vector<unsigned char>& m_data;
    size_t m_at;
};

int Dump(const std::string& path)
{
    std::vector<unsigned char> data;
    if (!ReadWholeFile(path, data))
    {
        std::fprintf(stderr, "leveltool: cannot read %s\n", path.c_str());
        return 1;
    }
    Reader in(data);
    int version = 0;
    if (in.Has(4) && std::memcmp(in.Here(), "v100", 4) == 0)
        version = 100;
    else if (in.Has(4) && std::memcmp(in.Here(), "v110", 4) == 0)
        version = 110;
    std::printf("# %s, %zu bytes\nversion %d\n", path.c_str(), data.size(), version);
    if (version)
    {
        if (!in.Has(84))
        {
            std::fprintf(stderr, "leveltool: %s: the tables are cut short\n", path.c_str());
            return 1;
        }
        in.U32();
        std::printf("table");
        for (int i = 0; i < 4; ++i)
            std::printf(" %u", in.U32());
        std::printf("\n");
        for (int r = 0; r < 4; ++r)
        {
            std::printf("matrix %d", r);
            for (int i = 0; i < 4; ++i)
                std::printf(" %u", in.U32());
            std::printf("\n");
        }
    }
    if (!in.Has(1))
    {
        std::fprintf(stderr, "leveltool: %s: no player count\n", path.c_str());
        return 1;
    }
    unsigned players = in.U8();
    std::printf("players %u\n", players);
    for (unsigned p = 0; p < players; ++p)
    {
        for (int k = 0; k < 3; ++k)
        {
            if (!in.Has(6))
            {
                std::fprintf(stderr, "leveltool: %s: start entries cut short\n", path.c_str());
                return 1;
            }
            int x = in.I8();
            int y = in.I8();
            std::printf("entry %u %d %d 0x%08X\n", p, x, y, in.U32());
        }
    }
    if (!in.Has(1))
    {
        std::fprintf(stderr, "leveltool: %s: no block count\n", path.c_str());
        return 1;
    }
    unsigned blocks = in.U8();
    std::printf("# %u blocks: x y type material flags layer\n", blocks);
    for (unsigned b = 0; b < blocks; ++b)
    {
        if (!in.Has(6))
        {
            std::fprintf(stderr, "leveltool: %s: block %u cut short\n", path.c_str(), b);
            return 1;
        }
        int x = in.I8();
        int y = in.I8();
        unsigned type = in.U8(), material = in.U8(), flags = in.U8(), layer = in.U8();
        std::printf("block %d %d %u %u %u %u\n", x, y, type, material, flags, layer);
    }
    if (version > 109)
    {
        if (!in.Has(1))
        {
            std::fprintf(stderr, "leveltool: %s: no marker count\n", path.c_str());
            return 1;
        }
        unsigned markers = in.U8();
        for (unsigned m = 0; m < markers; ++m)
        {
            if (!in.Has(2))
            {
                std::fprintf(stderr, "leveltool: %s: marker %u cut short\n", path.c_str(), m);
                return 1;
            }
            int x = in.I8();
            int y = in.I8();
            std::printf("marker %d %d\n", x, y);
        }
    }
    if (in.Left())
        std::printf("# %zu bytes after the level\n", in.Left());
    return 0;
}

// ---- build ----

bool ParseInt(const std::string& word, long low, long high, long& out)
{
    if (word.empty())
        return false;
    char* end = nullptr;
    long value = std::strtol(word.c_str(), &end, 0);
    if (*end != 0 || value < low || value > high)
        return false;
    out = value;
    return true;
}

bool ParseLine(const std::vector<std::string>& w, Level& level, std::string& error)
{
    std::vector<long> n;
    // Every field after the keyword is a number in the range of its record.
    auto numbers = [&](size_t count, const std::vector<std::pair<long, long>>& ranges) {
        if (w.size() != count + 1)
        {
            error = "expected " + std::to_string(count) + " values";
            return false;
        }
        for (size_t i = 0; i < count; ++i)
        {
            long v;
            if (!ParseInt(w[i + 1], ranges[i].first, ranges[i].second, v))
            {
                error = "value '" + w[i + 1] + "' out of range";
                return false;
            }
            n.push_back(v);
        }
        return true;
    };
    const std::pair<long, long> cell(-128, 127), byte(0, 255), word(0, 0xFFFFFFFFL);
    const std::string& key = w[0];
    if (key == "version")
    {
        if (!numbers(1, {{0, 110}}))
            return false;
        if (n[0] != 0 && n[0] != 100 && n[0] != 110)
        {
            error = "version must be 0, 100 or 110";
            return false;
        }
        level.version = (int)n[0];
    }
    else if (key == "table")
    {
        if (!numbers(4, {word, word, word, word}))
            return false;
        for (int i = 0; i < 4; ++i)
            level.table[i] = (unsigned)n[i];
    }
    else if (key == "matrix")
    {
        if (!numbers(5, {{0, 3}, word, word, word, word}))
            return false;
        for (int i = 0; i < 4; ++i)
            level.matrix[n[0] * 4 + i] = (unsigned)n[i + 1];
    }
    else if (key == "players")
    {
        if (!numbers(1, {byte}))
            return false;
        level.playerCount = (int)n[0];
    }
    else if (key == "entry")
    {
        bool coloured = w.size() == 5;
        if (coloured ? !numbers(4, {byte, cell, cell, word}) : !numbers(3, {byte, cell, cell}))
            return false;
        size_t p = (size_t)n[0];
        if (p > level.players.size())
        {
            error = "players must be given in order";
            return false;
        }
        if (p == level.players.size())
            level.players.emplace_back();
        if (level.players[p].size() == 3)
        {
            error = "a player has three entries";
            return false;
        }
        Entry e;
        e.x = (int)n[1];
        e.y = (int)n[2];
        e.colour = coloured ? (unsigned)n[3] : kDefaultColours[p & 1];
        level.players[p].push_back(e);
    }
    else if (key == "block")
    {
        if (!numbers(6, {cell, cell, {0, 39}, {0, 3}, byte, byte}))
            return false;
        Block b;
        b.x = (int)n[0];
        b.y = (int)n[1];
        b.type = (int)n[2];
        b.material = (int)n[3];
        b.flags = (int)n[4];
        b.layer = (int)n[5];
        level.blocks.push_back(b);
    }
    else if (key == "marker")
    {
        if (!numbers(2, {cell, cell}))
            return false;
        Entry e;
        e.x = (int)n[0];
        e.y = (int)n[1];
        level.markers.push_back(e);
    }
    else
    {
        error = "unknown record '" + key + "'";
        return false;
    }
    return true;
}

void PutU32(std::vector<unsigned char>& out, unsigned v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back((unsigned char)(v >> (8 * i)));
}

int Build(const std::string& textPath, const std::string& outPath)
{
    std::ifstream text(textPath);
    if (!text)
    {
        std::fprintf(stderr, "leveltool: cannot read %s\n", textPath.c_str());
        return 1;
    }
    Level level;
    std::string line;
    int number = 0;
    while (std::getline(text, line))
    {
        ++number;
        size_t hash = line.find('#');
        if (hash != std::string::npos)
            line.erase(hash);
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string word; words >> word;)
            w.push_back(word);
        if (w.empty())
            continue;
        std::string error;
        if (!ParseLine(w, level, error))
        {
            std::fprintf(stderr, "%s:%d: %s\n", textPath.c_str(), number, error.c_str());
            return 1;
        }
    }

    for (size_t p = 0; p < level.players.size(); ++p)
    {
        if (level.players[p].size() != 3)
        {
            std::fprintf(stderr, "%s: player %zu needs three entries\n", textPath.c_str(), p);
            return 1;
        }
    }
    int players = level.playerCount >= 0 ? level.playerCount : (int)level.players.size();
    if (players != (int)level.players.size())
    {
        std::fprintf(stderr, "%s: %d players, entries for %zu\n", textPath.c_str(), players,
                     level.players.size());
        return 1;
    }
    if (level.blocks.size() > 255)
    {
        std::fprintf(stderr, "%s: %zu blocks, at most 255\n", textPath.c_str(),
                     level.blocks.size());
        return 1;
    }
    if (level.markers.size() > 255 || (level.version != 110 && !level.markers.empty()))
    {
        std::fprintf(stderr, "%s: markers need version 110 and at most 255\n", textPath.c_str());
        return 1;
    }

    std::vector<unsigned char> out;
    if (level.version)
    {
        const char* magic = level.version == 110 ? "v110" : "v100";
        out.insert(out.end(), magic, magic + 4);
        for (unsigned v : level.table)
            PutU32(out, v);
        for (unsigned v : level.matrix)
            PutU32(out, v);
    }
    out.push_back((unsigned char)players);
    for (const std::vector<Entry>& entries : level.players)
    {
        for (const Entry& e : entries)
        {
            out.push_back((unsigned char)e.x);
            out.push_back((unsigned char)e.y);
            PutU32(out, e.colour);
        }
    }
    out.push_back((unsigned char)level.blocks.size());
    for (const Block& b : level.blocks)
    {
        const int fields[6] = {b.x, b.y, b.type, b.material, b.flags, b.layer};
        for (int f : fields)
            out.push_back((unsigned char)f);
    }
    if (level.version == 110)
    {
        out.push_back((unsigned char)level.markers.size());
        for (const Entry& m : level.markers)
        {
            out.push_back((unsigned char)m.x);
            out.push_back((unsigned char)m.y);
        }
    }

    // Written beside the target and renamed, so a failed build leaves no half file.
    std::string temporary = outPath + ".tmp";
    FILE* f = std::fopen(temporary.c_str(), "wb");
    bool ok = f != nullptr;
    if (f)
    {
        ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
        ok = std::fclose(f) == 0 && ok;
    }
    if (!ok || std::rename(temporary.c_str(), outPath.c_str()) != 0)
    {
        std::remove(temporary.c_str());
        std::fprintf(stderr, "leveltool: cannot write %s\n", outPath.c_str());
        return 1;
    }
    return 0;
}
}

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "dump") == 0)
        return Dump(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "build") == 0)
        return Build(argv[2], argv[3]);
    std::fprintf(stderr,
                 "usage: leveltool dump <level.scn>\n"
                 "       leveltool build <level.txt> <level.scn>\n");
    return 2;
}
