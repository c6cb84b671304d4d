#pragma once
// The module loader: loads the current user's plug-in packages when a session starts and
// unloads them, in reverse order, when it stops. The packages of a user are the rows of
// table modul (file names relative to Env::PackagesPath, in ORDER_NO order); a user without
// rows gets every "*.bpl" file of the package directory. Every loaded package is an entry
// of Env::Modules. The loader shows no message box: it reports its progress in
// Env::MessagePanel, skips missing files silently and writes one line to standard error for
// each package that fails to load.

namespace ModuleManager {

void LoadPackages();
void UnloadPackages();

void Initialize();
void Finalize();

} // namespace ModuleManager
