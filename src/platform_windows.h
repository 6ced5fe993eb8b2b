// Windows only: what the rest of the Windows unit builds on, open to its tests.
#pragma once

#include <string>

// The form in which Windows' file functions take path whatever its length. A path that reaches
// MAX_PATH once made absolute is given in its extended form, \\?\C:\... or \\?\UNC\server\...,
// which those functions pass on untouched: so it is made absolute first, with its slashes
// turned and its . and .. resolved as Windows would. Shorter paths, and paths already in an
// extended or device form (\\?\, \\.\), are returned as they are.
std::wstring extended_length_path(const std::wstring &path);
