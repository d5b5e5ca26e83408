// Settings store benchmark.
//  settings_store: 10,000 reads and writes of settings (every other one a write) over
//    the 60 keys of a typical store, then one save to disk (through a temporary file,
//    flushed and renamed), against SQLite doing the same on an in-memory table of the
//    same keys (prepared SELECT and UPDATE by primary key) and one backup of it into a
//    database file (synchronous, as the store's save is).
// Best of several rounds, side by side; ratio = our speed / the yardstick's (above 1 =
// faster).
#include "BenchSupport.h"
#include "engine/KetrelResult.h"
#include "framework/BrixSafeFile.h"
#include "framework/BrixStatsStore.h"

#include <cstdio>
#include <cstdlib>
#include <sqlite3.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
using bench::BestSeconds;

volatile i64 g_sink;

const int kOperations = 10000;

// The framework's keys, the game's scene flags and a few of the lobby's counters.
std::vector<std::string> Keys()
{
    std::vector<std::string> keys = {
        "__Brix_Sounds_Mute", "__Brix_Sounds_Volume", "__Brix_Music_Mute", "__Brix_Music_Volume",
        "__Brix_Vibrations", "__Brix_TimesLaunched", "__Brix_ThemeName", "__Brix_NotificationFilter",
        "__Brix_UID", "__Brix_Language_brixlanguage", "__Brix_Language_wobblixlanguage",
        "__Brix_ChatMessageSent", "__Brix_StartChangePageChat", "__Brix_TimesNewPlayer",
        "__Brix_TimesLoggedIn", "__Brix_TimesReturnGame", "__Brix_UserName", "__Brix_Password",
        "__Brix_LoginKind", "showedtrainingcomplete", "wobblix_chathelpplayed"};
    char name[48];
    for (int i = 0; keys.size() < 60; ++i)
    {
        std::snprintf(name, sizeof(name), "scene_%d_cleared", i);
        keys.push_back(name);
    }
    return keys;
}

bool Check(int rc, sqlite3* db, const char* what)
{
    if (rc == SQLITE_OK || rc == SQLITE_DONE || rc == SQLITE_ROW)
        return true;
    std::fprintf(stderr, "sqlite: %s: %s\n", what, sqlite3_errmsg(db));
    return false;
}
} // namespace

int main()
{
    char folder[] = "/tmp/brixbench.XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    const std::string statsPath = std::string(folder) + "/stats.dat";
    const std::string dbPath = std::string(folder) + "/stats.db";
    const std::vector<std::string> keys = Keys();
    std::vector<CKetrelString> names;
    for (const std::string& k : keys)
        names.push_back(CKetrelString(k.c_str()));

    CBrixStatsStore store;
    for (const CKetrelString& n : names)
        store.AddEntry(n)->SetInt(1);
    const double ours = BestSeconds(7, [&] {
        for (int i = 0; i < kOperations; ++i)
        {
            CBrixStatsEntry* e = store.FindEntry(names[(size_t)(i * 7) % names.size()]);
            if (i & 1)
                e->SetInt(i);
            else
                g_sink += e->intValue;
        }
        u8* bytes = nullptr;
        u32 size = 0;
        store.SaveToMemory(&bytes, &size);
        g_sink += BrixWriteFileSafely(CKetrelString(statsPath.c_str()), bytes, size);
        delete[] bytes;
    });

    sqlite3* db = nullptr;
    if (sqlite3_open(":memory:", &db) != SQLITE_OK)
        return 1;
    bool ok = Check(sqlite3_exec(db, "CREATE TABLE stats (name TEXT PRIMARY KEY, type INTEGER, value INTEGER)",
                                 nullptr, nullptr, nullptr), db, "create");
    sqlite3_stmt *insert = nullptr, *select = nullptr, *update = nullptr;
    ok = ok && Check(sqlite3_prepare_v2(db, "INSERT INTO stats VALUES (?, 0, 1)", -1, &insert, nullptr), db, "insert");
    ok = ok && Check(sqlite3_prepare_v2(db, "SELECT value FROM stats WHERE name = ?", -1, &select, nullptr), db,
                     "select");
    ok = ok && Check(sqlite3_prepare_v2(db, "UPDATE stats SET value = ? WHERE name = ?", -1, &update, nullptr), db,
                     "update");
    for (size_t k = 0; ok && k < keys.size(); ++k)
    {
        sqlite3_bind_text(insert, 1, keys[k].c_str(), -1, SQLITE_STATIC);
        ok = Check(sqlite3_step(insert), db, "insert step");
        sqlite3_reset(insert);
    }
    if (!ok)
        return 1;
    const double yard = BestSeconds(7, [&] {
        for (int i = 0; i < kOperations; ++i)
        {
            const std::string& key = keys[(size_t)(i * 7) % keys.size()];
            if (i & 1)
            {
                sqlite3_bind_int(update, 1, i);
                sqlite3_bind_text(update, 2, key.c_str(), (int)key.size(), SQLITE_STATIC);
                sqlite3_step(update);
                sqlite3_reset(update);
            }
            else
            {
                sqlite3_bind_text(select, 1, key.c_str(), (int)key.size(), SQLITE_STATIC);
                if (sqlite3_step(select) == SQLITE_ROW)
                    g_sink += sqlite3_column_int(select, 0);
                sqlite3_reset(select);
            }
        }
        sqlite3* file = nullptr;
        if (sqlite3_open(dbPath.c_str(), &file) == SQLITE_OK)
        {
            sqlite3_backup* backup = sqlite3_backup_init(file, "main", db, "main");
            if (backup)
            {
                sqlite3_backup_step(backup, -1);
                sqlite3_backup_finish(backup);
            }
        }
        sqlite3_close(file);
    });
    sqlite3_finalize(insert);
    sqlite3_finalize(select);
    sqlite3_finalize(update);
    sqlite3_close(db);

    std::printf("%-18s %14s %14s %8s\n", "benchmark", "ours (ms)", "yardstick (ms)", "ratio");
    std::printf("%-18s %14.3f %14.3f %8.3f\n", "settings_store", ours * 1e3, yard * 1e3, yard / ours);
    std::printf("BENCH settings_store ratio=%.3f\n", yard / ours);

    std::string command = std::string("rm -rf '") + folder + "'";
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "could not remove %s\n", folder);
    return 0;
}
