#include "platform/Settings.h"

#include <QSettings>
#include <cmath>
#include <cstdio>

#include "runtime.h"

namespace platform {

namespace {

QSettings Store(const std::string& app) {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("QEL"),
                   QString::fromStdString(app));
}

QString KeyPath(const std::string& section, const std::string& key) {
  return QString::fromStdString(section) + QLatin1Char('/') + QString::fromStdString(key);
}

}  // namespace

std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                       const std::string& defaultValue) {
  QSettings s = Store(app);
  const QVariant v = s.value(KeyPath(section, key));
  if (!v.isValid()) return defaultValue;
  return v.toString().toStdString();
}

void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                 const std::string& value) {
  QSettings s = Store(app);
  s.setValue(KeyPath(section, key), QString::fromStdString(value));
  s.sync();
}

void SetSettingsDirectory(const std::string& dir) {
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(dir));
}

std::string SingleText(float value) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.7G", static_cast<double>(value));
  return buf;
}

float SingleFromText(const std::string& text, float fallback) {
  if (!qel::IsNumber(text)) return fallback;
  const double v = qel::CDbl(text);
  if (!std::isfinite(v) || std::fabs(v) > 3.4e38) return fallback;
  return static_cast<float>(v);
}

}  // namespace platform
