// wrar: the archiver shipped beside the program.
//
//   wrar a -ep1 [--] ARCHIVE DIR/MASK   packs the regular files of DIR whose names match MASK,
//                                       stored with names relative to DIR, in the format the
//                                       archive's extension names (zip when libarchive knows
//                                       no writer for it).
//   wrar x -y -ep [--] ARCHIVE TARGET/  extracts every file into TARGET without stored paths,
//                                       overwriting.
//
// (What each does and refuses: Wrar.h.) Switches come before the operands; "--" ends them, so
// that names beginning with "-" are operands. Arguments come as an argument vector, never
// through a shell.
//
// Exit status: 0 when everything was done; 2 when it was done but files or entries were
// refused, their number on standard output and each named on standard error; 1 after a
// failure, with one line on standard error.

#include "Wrar.h"

#include <langinfo.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int RefusedExit = 2;

struct TCommandLine {
    std::string Command;
    std::vector<std::string> Operands;
};

// The switches each command takes; anything else beginning with "-" before the operands is
// an error rather than a name.
bool KnownSwitch(const std::string& Command, const std::string& Word)
{
    return Command == "a" ? Word == "-ep1" : Word == "-y" || Word == "-ep";
}

TCommandLine Parse(int Argc, char** Argv)
{
    TCommandLine line;
    line.Command = Argc > 1 ? Argv[1] : "";
    bool switches = true;
    for (int i = 2; i < Argc; ++i) {
        const std::string word = Argv[i];
        if (switches && word == "--")
            switches = false;
        else if (switches && word.size() > 1 && word[0] == '-' && KnownSwitch(line.Command, word))
            continue;
        else if (switches && word.size() > 1 && word[0] == '-')
            throw Wrar::TFailure("unknown switch " + word);
        else {
            switches = false;
            line.Operands.push_back(word);
        }
    }
    if (line.Operands.size() != 2 || (line.Command != "a" && line.Command != "x"))
        throw Wrar::TFailure("usage: wrar a -ep1 [--] ARCHIVE DIR/MASK | wrar x -y -ep [--] ARCHIVE TARGET/");
    return line;
}

int Run(int Argc, char** Argv)
{
    const TCommandLine line = Parse(Argc, Argv);
    const int refused = line.Command == "a" ? Wrar::Pack(line.Operands[0], line.Operands[1])
                                            : Wrar::Extract(line.Operands[0], line.Operands[1]);
    if (refused == 0)
        return 0;
    std::printf("%d\n", refused);
    return RefusedExit;
}

// File names are UTF-8 on this platform: the archive writers convert names through the
// locale's character set, which must therefore be UTF-8 too.
void UseUtf8Locale()
{
    const char* chosen = std::setlocale(LC_ALL, "");
    if (!chosen || !std::strstr(nl_langinfo(CODESET), "UTF-8"))
        std::setlocale(LC_ALL, "C.UTF-8");
}

} // namespace

int main(int Argc, char** Argv)
{
    UseUtf8Locale();
    try {
        return Run(Argc, Argv);
    } catch (const std::exception& Error) {
        std::fprintf(stderr, "wrar: %s\n", Error.what());
        return 1;
    }
}
