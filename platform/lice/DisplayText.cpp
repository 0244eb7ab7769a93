// Text made valid UTF-8 for display with GLib's strict check.
#include "DisplayText.h"

#include <glib.h>

std::string displayText(const std::string& text)
{
  if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr))
  {
    return text;
  }
  gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
  std::string shown(valid ? valid : "");
  g_free(valid);
  return shown;
}
