// Text made valid UTF-8 for display with GLib's strict check, and noncharacters and control characters
// replaced as cairo and one line need.
#include "DisplayText.h"

#include <glib.h>

namespace
{
constexpr const char* kReplacement = "\xEF\xBF\xBD"; // U+FFFD

bool isNoncharacter(gunichar c)
{
  return (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE;
}

bool isControl(gunichar c)
{
  return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

// The text made valid UTF-8, with each character that refused() names replaced by U+FFFD.
template <typename Refused> std::string replaced(const std::string& text, Refused refused)
{
  std::string valid;
  if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr))
  {
    valid = text;
  }
  else
  {
    gchar* made = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
    valid = made ? made : "";
    g_free(made);
  }
  std::string shown;
  size_t kept = 0; // valid[kept..] is not copied yet
  for (const gchar* p = valid.c_str(); *p; p = g_utf8_next_char(p))
  {
    if (refused(g_utf8_get_char(p)))
    {
      const size_t at = static_cast<size_t>(p - valid.c_str());
      shown.append(valid, kept, at - kept).append(kReplacement);
      kept = static_cast<size_t>(g_utf8_next_char(p) - valid.c_str());
    }
  }
  if (kept == 0)
  {
    return valid;
  }
  return shown.append(valid, kept, std::string::npos);
}
} // namespace

std::string displayText(const std::string& text)
{
  return replaced(text, isNoncharacter);
}

std::string lineText(const std::string& text)
{
  return replaced(text, [](gunichar c) { return isNoncharacter(c) || isControl(c); });
}
