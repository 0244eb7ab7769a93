// Text from outside (file names, names in imported files, keys) made fit to reach cairo, zenity and GTK.
#pragma once

#include <string>

// The text as cairo takes it: cairo refuses what GLib's strict UTF-8 check refuses (an overlong form, a
// surrogate, a code point above U+10FFFF, a cut sequence, a stray byte) and also the 66 noncharacters
// (U+FDD0-U+FDEF and U+xFFFE, U+xFFFF of every plane), and ends the text at a NUL. Each byte that is not part
// of valid UTF-8 and each noncharacter is shown as U+FFFD, so what is shown says where the text was not
// valid. Any thread.
std::string displayText(const std::string& text);
// displayText's text for one line of the editor: each control character (C0, DEL, C1; a line break, a tab)
// is shown as U+FFFD too, so a name from outside stays on its line and nothing of it draws unseen. Any
// thread.
std::string lineText(const std::string& text);
