// A status text laid out on the two lines of the control display when it is wider than the first.
#pragma once

#include <cstddef>
#include <string>

struct StatusLines
{
  std::string first;
  // Empty when the text fits the first line.
  std::string second;
};

// Splits text for lines of at most maxChars characters (UTF-8): whole on the first line when it fits; else
// at the last " - ", ": " or ", " whose head fits (the head keeps a comma), else at the last blank that fits,
// else after maxChars characters. The rest goes to the second line, cut and ended with "..." when it is
// wider than that. A maxChars of 0 leaves the text whole on the first line.
StatusLines splitStatusText(const std::string& text, size_t maxChars);
// Two texts, one per line, each cut and ended with "..." when it is wider than maxChars characters (0:
// whole).
StatusLines statusLinesOf(const std::string& first, const std::string& second, size_t maxChars);
