// Text from outside (file names, names in imported files, keys) made fit to reach cairo, zenity and GTK.
#pragma once

#include <string>

// The text with its valid UTF-8 kept and every byte that is not part of a valid UTF-8 sequence (an overlong
// form, a surrogate, a code point above U+10FFFF, a cut sequence, a stray byte, a NUL) shown as U+FFFD, so
// what is shown is always valid UTF-8 and says where the text was not. Any thread.
std::string displayText(const std::string& text);
