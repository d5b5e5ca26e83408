// Services of the application shell that do not touch the window: random
// numbers, the program's and the user's folders, error reporting and the 8-bit
// palette.
#include "engine/KetrelApplication.h"

#include "engine/KetrelResult.h"

#include <gtk/gtk.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

// ---------------------------------------------------------------------------
// Random numbers

i32 IKetrelApplication::RandomInt(i32 min, i32 max)
{
    // The span is taken in 64 bits so that (min, max) = (INT_MIN, INT_MAX)
    // neither overflows nor divides by zero.
    i64 span = (i64)max - (i64)min + 1;
    if (span <= 0)
        return min;
    return (i32)((i64)min + (i64)rand() % span);
}

f32 IKetrelApplication::RandomFloat(f32 min, f32 max)
{
    return min + (max - min) * (f32)rand() * (1.0f / 2147483648.0f);
}

f64 IKetrelApplication::RandomDouble(f64 min, f64 max)
{
    return min + (max - min) * (f64)rand() / 2147483647.0;
}

void IKetrelApplication::SeedRandom(u32 seed)
{
    srand(seed);
}

void IKetrelApplication::SeedRandomFromClock()
{
    CKetrelTimer timer;
    timer.Init(0);
    srand((unsigned)timer.GetNowMs());
}

// ---------------------------------------------------------------------------
// Folders

int IKetrelApplication::GetExecutableDir(CKetrelString& out)
{
    char path[64];
    snprintf(path, sizeof(path), "/proc/%u/exe", (unsigned)getpid());
    char target[1024];
    memset(target, 0, sizeof(target));
    // One byte short of the buffer, so that the result is always terminated.
    ssize_t n = readlink(path, target, sizeof(target) - 1);
    if (n < 1)
        return 0;
    char* slash = strrchr(target, '/');
    if (slash)
        slash[1] = 0;
    out = CKetrelString(target);
    return 1;
}

void IKetrelApplication::GetAppFilePath(CKetrelString& out, const CKetrelString& name)
{
    CKetrelString path;
    GetExecutableDir(path);
    if (name.GetLength() > 0 && name.GetAt(0) == '\\')
        path.Append(CKetrelString(name, 1, -1));
    else
        path.Append(name);
    out = path;
}

// mkdir -p without a shell: each missing component in turn, so that spaces
// or shell characters in the home folder mean nothing special.
static void MakeFolders(char* path)
{
    for (char* p = path + 1; *p; p++)
    {
        if (*p != '/')
            continue;
        *p = 0;
        mkdir(path, 0755);
        *p = '/';
    }
    mkdir(path, 0755);
}

void IKetrelApplication::GetUserDataPath(CKetrelString& out, const CKetrelString& name)
{
    const struct passwd* user = getpwuid(getuid());
    CKetrelString path(user && user->pw_dir ? user->pw_dir : "");
    path.Append(CKetrelString("/."));
    for (i32 i = 0; i < m_name.GetLength(); i++)
    {
        u16 ch = m_name.GetAt(i);
        u16 low = ch & 0xFF;
        bool plain = (low >= 'a' && low <= 'z') || (low >= 'A' && low <= 'Z') ||
                     (low >= '0' && low <= '9');
        path.Append(plain ? ch : (u16)'_');
    }
    int size = path.ToNarrow(nullptr);
    char* folder = new char[size + 1];
    path.ToNarrow(folder);
    MakeFolders(folder);
    delete[] folder;
    path.Append((u16)'/');
    path.Append(name);
    out = path;
}

// ---------------------------------------------------------------------------
// Errors

void IKetrelApplication::FormatErrorCode(i32 code, CKetrelString& out)
{
    out.Format(L"Error: %d", code);
}

// The first 1024 bytes of a string in 8-bit text.
static void Narrow1024(const CKetrelString& text, char* out)
{
    out[0] = 0;
    int size = text.ToNarrow(nullptr);
    if (size <= 0)
        return;
    char* all = new char[size + 1];
    text.ToNarrow(all);
    strncpy(out, all, 1024);
    out[1024] = 0;
    delete[] all;
}

void IKetrelApplication::ShowErrorDialog(const CKetrelString& title, const CKetrelString& message)
{
    if (message.GetLength() == 0)
        return;
    char titleText[1025];
    char messageText[1025];
    Narrow1024(title, titleText);
    Narrow1024(message, messageText);
    GtkWidget* dialog = gtk_dialog_new();
    gtk_window_set_title(GTK_WINDOW(dialog), titleText);
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    GtkWidget* label = gtk_label_new(messageText);
    gtk_container_add(GTK_CONTAINER(GTK_DIALOG(dialog)->vbox), label);
    gtk_widget_show_all(dialog);
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    while (gtk_events_pending())
        gtk_main_iteration();
}

// ---------------------------------------------------------------------------
// 8-bit palette

u8 IKetrelApplication::FindNearestPaletteIndex(const u32* palette, u32 rgb)
{
    rgb &= 0xFFFFFF;
    u32 best = 0xFFFFFF;
    u8 index = 255;
    const int r = (int)(rgb >> 16), g = (int)((rgb >> 8) & 0xFF), b = (int)(rgb & 0xFF);
    for (int i = 0; i < 256; i++)
    {
        const u32 entry = palette[i] & 0xFFFFFF;
        if (entry == rgb)
            return (u8)i;
        const int dr = (int)(entry >> 16) - r;
        const int dg = (int)((entry >> 8) & 0xFF) - g;
        const int db = (int)(entry & 0xFF) - b;
        const u32 distance = (u32)(abs(dr) + abs(dg) + abs(db));
        if (distance < best)
        {
            best = distance;
            index = (u8)i;
        }
    }
    return index;
}

int IKetrelApplication::BuildPalette(const u32* palette)
{
    if (!m_palette)
    {
        m_palette = new (std::nothrow) u32[256];
        if (!m_palette)
            return KE_ERR_MEMORY;
    }
    if (palette)
    {
        memcpy(m_palette, palette, 256 * sizeof(u32));
    }
    else
    {
        for (u32 i = 0; i < 256; i++)
        {
            const u32 r = ((i >> 5) & 7) * 255 / 7;
            const u32 g = ((i >> 2) & 7) * 255 / 7;
            const u32 b = (i & 3) * 85;
            m_palette[i] = r << 16 | g << 8 | b;
        }
    }
    if (!m_colorLookup)
    {
        m_colorLookup = new (std::nothrow) u8[4096];
        if (!m_colorLookup)
            return KE_OK;
    }
    for (u32 v = 0; v < 4096; v++)
    {
        const u32 r = (v >> 8) * 16, g = ((v >> 4) & 15) * 16, b = (v & 15) * 16;
        m_colorLookup[v] = FindNearestPaletteIndex(m_palette, r << 16 | g << 8 | b);
    }
    return KE_OK;
}

u8* IKetrelApplication::GetColorLookup()
{
    if (!m_colorLookup)
        BuildPalette(nullptr);
    return m_colorLookup;
}
