/* Preloaded into test programs of the sanitizer build only. Mesa, GTK and GIO load
 * driver and plug-in modules with dlopen and unload them again; a one-time allocation
 * such a module keeps to the end then shows up as a leak from an "unknown module",
 * which no suppression can name. Keeping every module mapped lets LeakSanitizer name
 * the library, so lsan.supp can suppress those libraries and nothing of ours. */
int dlclose(void* handle)
{
    (void)handle;
    return 0;
}
