/* Preloaded in the sanitizer run: plug-ins stay mapped until exit, so the leak report can name the module a leak
   comes from (and the suppressions can match it) instead of an unknown one. */
int dlclose(void* handle)
{
    (void)handle;
    return 0;
}
