// Apprentice's set list, Expan.dat: a line "XX-Full Set Name" per set, keyed
// by its 2-character code, ending in CR LF; the rarity legend follows at the
// end in lines that begin with '-', and readers stop at the first of those.
// Its text is in the ANSI code page.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Where the set list of the card file `db` is, as Apprentice lays them out:
// for .../sets/cardinfo.dat the Expan.dat one folder up, the names matched
// without regard to case (as on Windows). Empty when `db` is not laid out so
// or no such file is there. Paths are as given on the command line.
std::string setListBeside(const std::string& db);

enum class SetListChange { Added, AlreadyListed };

// Adds the line for `code` and `name` (ANSI code page) with CR LF before the
// first line of `list` that begins with '-' (at the end when there is none),
// keeping every other byte. AlreadyListed, `list` unchanged, when the code
// is listed under the same name (compared without regard to ASCII case and
// surrounding spaces). False with a message when the code is listed under
// another name: it quotes both names and says how to go on.
bool addSetLine(std::vector<std::uint8_t>& list, std::string_view code, std::string_view name,
                SetListChange& change, std::string& error);

// The line addSetLine adds, as messages show it (UTF-8, quoted).
std::string setLineShown(std::string_view code, std::string_view name);
