// Entry points defined outside pkg_stray, in a library it depends on.
extern "C" __attribute__((visibility("default"))) const char* velnor_package_name()
{
    return "stray";
}

extern "C" __attribute__((visibility("default"))) void velnor_package_init()
{
}

extern "C" __attribute__((visibility("default"))) void velnor_package_fini()
{
}
