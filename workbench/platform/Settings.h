// The per-user settings store: values under (program title, section, key),
// kept as text. Single-precision numbers are stored as their shortest text.
#pragma once

#include <string>

namespace platform {

std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                       const std::string& defaultValue);
void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                 const std::string& value);

// Points the store at a folder of its own (tests keep it out of the user's).
void SetSettingsDirectory(const std::string& dir);

// A single-precision number as text ("1000", "1234.5") and back; text that is
// no number gives the fallback.
std::string SingleText(float value);
float SingleFromText(const std::string& text, float fallback);

}  // namespace platform
