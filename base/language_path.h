// Where the language file is: the program folder, the value of the setting "LangFile" and
// ".lng". Start-up tells this module the program folder.
#pragma once

#include <cstddef>

// Sets the folder language files are looked up in: the program folder, ending with its '\'.
void SetLanguageFolder(const char* programFolder);
const char* GetLanguageFolder();

// Writes folder + LangFile + ".lng" and returns 1. Without "LangFile", with an empty one (the
// built-in language) or when the whole path does not fit `size`, writes the folder alone and
// returns 0, so loading it fails and the built-in texts stay.
int GetLanguageFilePath(char* buffer, size_t size = 256);
