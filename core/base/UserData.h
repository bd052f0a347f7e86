#pragma once

#include <string>
#include <string_view>

// The user data folder (~/.local/share/Orbisel) and the files the seller keeps there.
namespace orbisel::core {

// The folder, without a trailing slash; empty when the system names none.
std::string userDataFolder();
// A file of the folder by name, e.g. userDataFile("dictionary.txt").
std::string userDataFile(std::string_view name);

} // namespace orbisel::core
