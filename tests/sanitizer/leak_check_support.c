/* Linked into the test programs and the program of the sanitizer build only.
 *
 * Mesa's software GL driver and the toolkits keep one-time blocks reachable from their
 * own globals and are unloaded with dlclose before LeakSanitizer looks; their frames then
 * show as unknown modules that no suppression can name. Keeping every module mapped lets
 * the frames name their library, and the suppressions below name only such libraries:
 * never a function, file or allocator of this program. They are built in rather than read
 * from a file because the program tests run the program with a private /tmp. */

int dlclose(void* handle)
{
    (void)handle;
    return 0;
}

const char* __lsan_default_suppressions(void)
{
    return "leak:swrast_dri.so\n"
           "leak:kms_swrast_dri.so\n"
           "leak:libgallium\n"
           "leak:libLLVM\n"
           "leak:libEGL_mesa.so\n"
           "leak:libGLX_mesa.so\n"
           "leak:libglapi.so\n"
           "leak:libdrm\n"
           "leak:libfontconfig.so\n"
           "leak:libgtk-x11-2.0.so\n"
           "leak:libgdk-x11-2.0.so\n";
}
