// Entry points named for pkg_stray, but defined outside it, in a library it depends on.
extern "C" __attribute__((visibility("default"))) void velnor_package_init_pkg_stray()
{
}

extern "C" __attribute__((visibility("default"))) void velnor_package_fini_pkg_stray()
{
}
