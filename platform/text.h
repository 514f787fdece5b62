// UTF-16 text of the window layer and the host trace turned into UTF-8 for the host:
// file names, socket paths, window titles, log lines.
#pragma once

#include <stddef.h>

#include <string>

// Encodes n wide characters; a null text is empty.
std::string WideToUtf8(const wchar_t* text, size_t n);
